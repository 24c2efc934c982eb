// The reader monitor: a thread of the TokenWatcher that waits in the vendor module's event wait
// and posts every event to the event window. It does no token work of its own.
#include "certd/token/token_watcher.h"

namespace vlx {
namespace {
// After a failed wait the module is asked again, but not in a tight loop.
constexpr DWORD kRetryPauseMs = 50;
}  // namespace

CK_RV TokenWatcher::StartTokenMonitor(HWND window, UINT message) {
  if (monitor_.Active()) return CKR_GENERAL_ERROR;  // its window and message stay as they are
  eventWindow_ = window;
  eventMessage_ = message;
  return monitor_.Start(&TokenWatcher::MonitorThread, this) == 0 ? CKR_OK : CKR_GENERAL_ERROR;
}

void TokenWatcher::StopTokenMonitor() { monitor_.Stop(); }

bool TokenWatcher::MonitorRunning() const { return monitor_.Active(); }

int TokenWatcher::MonitorThread(void* data) {
  auto* watcher = static_cast<TokenWatcher*>(data);
  AUX_FUNCTION_LIST* aux = watcher->aux_;
  if (!aux || !aux->AuxWaitTokenEvent) return 0;
  // Not reset between calls: an event that leaves it alone carries the previous value.
  CK_ULONG extra = 0;
  while (!watcher->monitor_.StopRequested()) {
    CK_ULONG slot = 0;
    CK_ULONG event = 0;
    const CK_RV rv = aux->AuxWaitTokenEvent(0, &slot, &event, &extra, nullptr);
    if (rv == CKR_OK) {
      const CK_ULONG packed = (slot << 16) | (event & 0xFFFF);  // a slot above 0xFFFF loses its high bits
      ::PostMessageW(watcher->eventWindow_, watcher->eventMessage_, static_cast<WPARAM>(packed),
                     static_cast<LPARAM>(extra));
      ::Sleep(0);
    } else if (rv == CKR_CRYPTOKI_NOT_INITIALIZED) {
      break;
    } else {
      ::Sleep(kRetryPauseMs);
    }
  }
  return 1;
}

}  // namespace vlx
