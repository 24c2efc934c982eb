// CUpdate: the page that checks the update server for a newer manager and downloads the updater
// into the temporary folder. It never starts the updater itself: it raises m_launchPending and
// the main window's one-second timer starts the downloaded program.
#pragma once

#include <windows.h>

#include <atomic>

#include "manager/resources/resource.h"
#include "platform/ui/dialog.h"
#include "platform/win/unique_handle.h"

namespace manager {

// The downloaded updater, in the temporary folder.
constexpr wchar_t kUpdaterFileName[] = L"vlxca_v4_mgr_update.exe";

class CUpdate : public ui::Dialog {
 public:
  CUpdate() : ui::Dialog(IDD_UPDATE) {}

  HWND Frame() const { return Item(IDC_UPDATE_FRAME); }

  // The page's Internet session (agent "AutoUpdateAgent"); null while none is open.
  win::UniqueInternet m_hInternet;
  // An updater was downloaded and waits to be started; written by the check threads, read and
  // cleared by the main window.
  std::atomic<LONG> m_launchPending{0};
  // Ask the user before downloading.
  std::atomic<LONG> m_askBeforeDownload{1};

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override {}
  void OnCancel() override {}
};

}  // namespace manager
