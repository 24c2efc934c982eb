#include "manager/shell/main_window.h"

#include <shellapi.h>
#include <windowsx.h>

#include <cwctype>
#include <initializer_list>
#include <iterator>
#include <memory>

#include "manager/shell/about_dialog.h"
#include "manager/shell/language_text.h"
#include "manager/shell/product_config.h"
#include "platform/win/system_paths.h"

namespace manager {
namespace {

// Bitmap mask colour of the tree images.
constexpr COLORREF kMaskColor = RGB(255, 0, 0);
// Colours of the ticker: red bands, white text.
constexpr COLORREF kTickerBandColor = 0x0000FF;
constexpr COLORREF kTickerTextColor = 0xFFFFFF;
// How long closing waits for the monitor, whose polls never block for long. A monitor stuck in
// the module is left behind (it owns its state) and the module is then not finalised under it.
constexpr DWORD kMonitorStopTimeout = 10000;

// What a tree item's text stands for; the order is the order of the comparisons.
enum class PageKey { kNone, kTokenFolder, kPinCode, kTokenName, kUpdate, kCertificates, kAbout, kVerifyPin, kTokenInfo };

struct PageKeyText {
  const wchar_t* key;
  PageKey page;
};

constexpr PageKeyText kPageKeys[] = {
    {L"1=", PageKey::kTokenFolder}, {L"2=", PageKey::kPinCode},        {L"38=", PageKey::kTokenName},
    {L"4=", PageKey::kUpdate},      {L"3=", PageKey::kCertificates},   {L"5=", PageKey::kAbout},
    {L"226=", PageKey::kVerifyPin}, {L"260=", PageKey::kTokenInfo},
};

// The language file is read again for every comparison, so a changed language applies at once.
PageKey PageKeyOfText(const std::wstring& text) {
  for (const PageKeyText& entry : kPageKeys) {
    if (text == LanguageText(entry.key)) return entry.page;
  }
  return PageKey::kNone;
}

// The navigation tree, top to bottom; image i is the i-th bitmap.
struct TreeEntry {
  const wchar_t* key;
  int bitmap;
  bool root;
};

constexpr TreeEntry kTreeEntries[] = {
    {L"1=", IDB_TOKEN, true},   {L"260=", IDB_TOKEN_INFO, false}, {L"2=", IDB_PIN, false},
    {L"226=", IDB_VERIFY_PIN, false}, {L"3=", IDB_CERTIFICATE, true}, {L"4=", IDB_UPDATE, true},
    {L"5=", IDB_ABOUT, true},
};

// Only web addresses are handed to the shell from the ticker.
bool IsWebAddress(const std::wstring& text) {
  auto startsWith = [&text](const wchar_t* prefix) {
    size_t i = 0;
    for (; prefix[i]; ++i) {
      if (i >= text.size() || std::towlower(text[i]) != prefix[i]) return false;
    }
    return true;
  };
  return startsWith(L"http://") || startsWith(L"https://");
}

void Post(const TokenMonitorState& state, UINT message) { ::PostMessageW(state.window, message, 0, 0); }

// Waits out one poll interval; true when the window asked the monitor to stop.
bool StopRequested(const TokenMonitorState& state, DWORD milliseconds) {
  if (!state.running) return true;
  return ::WaitForSingleObject(state.stopEvent.get(), milliseconds) != WAIT_TIMEOUT || !state.running;
}

// The monitor only reads the module and posts to the window: it never calls anything that
// would wait for the UI thread, so the UI thread may wait for it.
DWORD RunTokenMonitor(TokenMonitorState& state) {
  TokenContext& context = state.context;
  if (!BindTokenLibrary(context)) return 1;
  CK_FUNCTION_LIST_PTR functions = context.functions;
  if (!functions->C_GetSlotList || !functions->C_WaitForSlotEvent || !functions->C_GetTokenInfo) return 1;

  bool present = false;
  CK_ULONG count = 0;
  if (functions->C_GetSlotList(CK_TRUE, nullptr, &count) == CKR_OK && count > 0) {
    context.slots.assign(count, 0);
    if (functions->C_GetSlotList(CK_TRUE, context.slots.data(), &count) == CKR_OK && count > 0) {
      context.slots.resize(count);
      present = true;
    } else {
      context.slots.clear();
    }
  }
  Post(state, present ? kMonitorTokenPresent : kMonitorStartTicker);

  while (state.running) {
    CK_SLOT_ID slot = 0;
    const CK_RV rv = functions->C_WaitForSlotEvent(CKF_DONT_BLOCK, &slot, nullptr);
    if (rv == CKR_NO_EVENT) {
      if (StopRequested(state, CTokenManagerDlg::kMonitorPollMilliseconds)) break;
      continue;
    }
    if (!state.running) break;
    CK_TOKEN_INFO info = {};
    Post(state, functions->C_GetTokenInfo(slot, &info) == CKR_OK ? kMonitorTokenPresent : kMonitorTokenRemoved);
    // A module that fails instead of answering must not make the monitor spin.
    if (rv != CKR_OK && StopRequested(state, CTokenManagerDlg::kMonitorPollMilliseconds)) break;
  }
  return 0;
}

}  // namespace

CTokenManagerDlg::CTokenManagerDlg() : ui::Dialog(kMainWindowTemplate) {}

CTokenManagerDlg::~CTokenManagerDlg() {
  Shutdown();
  // The window and its pages go while the fonts and images they use still exist.
  if (hwnd()) ::DestroyWindow(hwnd());
}

BOOL CTokenManagerDlg::OnInitDialog() {
  m_banner.AttachItem(hwnd(), IDC_BANNER);
  m_ticker.AttachItem(hwnd(), IDC_TICKER);
  m_tree.AttachItem(hwnd(), IDC_NAV_TREE);
  m_pageArea.AttachItem(hwnd(), IDC_PAGE_AREA);
  m_tickerText = LanguageText(L"74=");
  m_tickerUrl = LanguageText(L"75=");

  if (HMENU systemMenu = ::GetSystemMenu(hwnd(), FALSE)) {
    wchar_t aboutText[128] = {};
    if (::LoadStringW(Module(), IDS_ABOUTBOX, aboutText, static_cast<int>(std::size(aboutText))) > 0) {
      ::AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
      ::AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, aboutText);
    }
  }

  icon_ = ::LoadIconW(Module(), MAKEINTRESOURCEW(IDR_MAINFRAME));
  ::SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  ::SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));

  widgets::ApplyLayout(hwnd(), TemplateId(), 96.0, Module(), layout_);

  boldFont_.reset(::CreateFontW(16, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_TT_ONLY_PRECIS, 0, 0,
                                0, L"Calibri (Body)"));

  CreatePages();
  for (HWND frame : {m_pinCode.Frame(), m_changeTokenName.Frame(), m_update.Frame(), m_certificates.Frame(),
                     m_verifyPin.Frame(), m_tokenInfo.Frame()}) {
    if (frame) ::SendMessageW(frame, WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_.get()), TRUE);
  }
  m_certificates.ResetToLogin();

  m_tree.SetBackgroundColor(0xFFFFFF);
  m_tree.SetItemHeight(static_cast<int>(m_tree.ItemHeight() * 1.5));
  FillTree();
  m_tree.SelectItem(aboutItem_);
  m_tree.Enable(false);

  m_banner.LoadPicture(IDB_BANNER);
  m_about.m_picture.LoadPicture(IDB_ABOUT_PICTURE);
  m_about.Start();

  timerStarted_ = StartTimer(IDT_UPDATE_LAUNCH, kUpdateLaunchMilliseconds);
  StartMonitor();
  widgets::RestoreFonts(layout_);
  return TRUE;
}

void CTokenManagerDlg::CreatePages() {
  HWND area = m_pageArea.hwnd();
  ui::Dialog* pages[] = {&m_about, &m_pinCode, &m_changeTokenName, &m_update, &m_certificates, &m_verifyPin,
                         &m_tokenInfo};
  for (ui::Dialog* page : pages) page->Create(area);
  RECT client = {};
  ::GetClientRect(area, &client);
  for (ui::Dialog* page : pages) {
    if (page->hwnd()) ::MoveWindow(page->hwnd(), 0, 0, client.right - client.left, client.bottom - client.top, TRUE);
  }
}

void CTokenManagerDlg::FillTree() {
  imageList_.reset(::ImageList_Create(16, 16, ILC_COLOR32, 1, 7));
  HTREEITEM lastRoot = TVI_ROOT;
  int image = 0;
  for (const TreeEntry& entry : kTreeEntries) {
    win::UniqueBitmap bitmap(static_cast<HBITMAP>(
        ::LoadImageW(Module(), MAKEINTRESOURCEW(entry.bitmap), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
    if (imageList_ && bitmap) ::ImageList_AddMasked(imageList_.get(), bitmap.get(), kMaskColor);
    m_tree.SetImageList(imageList_.get());
    HTREEITEM item = m_tree.InsertItem(LanguageText(entry.key), entry.root ? TVI_ROOT : lastRoot, TVI_LAST, image,
                                       entry.root);
    if (entry.root) lastRoot = item;
    if (entry.bitmap == IDB_CERTIFICATE) certificatesItem_ = item;
    if (entry.bitmap == IDB_ABOUT) aboutItem_ = item;
    ++image;
  }
}

bool CTokenManagerDlg::OnNotify(int controlId, NMHDR* header, LRESULT& result) {
  if (controlId != IDC_NAV_TREE) return false;
  if (header->code == TVN_SELCHANGINGW || header->code == TVN_SELCHANGINGA) {
    OnSelectionChanging();
    result = 0;
    return true;
  }
  if (header->code == TVN_SELCHANGEDW || header->code == TVN_SELCHANGEDA) {
    OnSelectionChanged();
    result = 0;
    return true;
  }
  return false;
}

void CTokenManagerDlg::OnSelectionChanging() {
  HTREEITEM caret = m_tree.Caret();
  if (!caret) return;
  switch (PageKeyOfText(m_tree.ItemText(caret))) {
    case PageKey::kTokenFolder:
    case PageKey::kAbout:
      m_about.Show(false);
      break;
    case PageKey::kPinCode:
      m_pinCode.Show(false);
      break;
    case PageKey::kTokenName:
      m_changeTokenName.Show(false);
      break;
    case PageKey::kUpdate:
      m_update.Show(false);
      break;
    case PageKey::kCertificates:
      m_certificates.Show(false);
      break;
    case PageKey::kVerifyPin:
      m_verifyPin.Show(false);
      break;
    case PageKey::kTokenInfo:
      m_tokenInfo.Show(false);
      break;
    case PageKey::kNone:
      break;
  }
}

void CTokenManagerDlg::OnSelectionChanged() {
  HTREEITEM caret = m_tree.Caret();
  if (!tokenPresent_) {
    m_tree.SelectItem(aboutItem_);
    m_about.Show(true);
    return;
  }
  if (!caret) return;
  switch (PageKeyOfText(m_tree.ItemText(caret))) {
    case PageKey::kTokenFolder:
      // Selecting the child runs both handlers again. An item without children stops here, so
      // texts that all read empty (a missing language file) cannot recurse.
      if (HTREEITEM child = m_tree.FirstChild(caret)) m_tree.SelectItem(child);
      break;
    case PageKey::kPinCode:
      m_pinCode.Show(true);
      break;
    case PageKey::kTokenName:
      m_changeTokenName.Show(true);
      break;
    case PageKey::kUpdate:
      m_update.Show(true);
      break;
    case PageKey::kCertificates:
      // Both pages change the login state behind the certificates page's back.
      if (m_pinCode.m_pinChanged) {
        m_pinCode.m_pinChanged = 0;
        m_certificates.OnLogout();
      }
      if (m_changeTokenName.m_tokenLoggedOut) {
        m_changeTokenName.m_tokenLoggedOut = 0;
        m_certificates.OnLogout();
      }
      m_certificates.Show(true);
      break;
    case PageKey::kAbout:
      m_about.Show(true);
      break;
    case PageKey::kVerifyPin:
      m_verifyPin.Show(true);
      break;
    case PageKey::kTokenInfo:
      m_tokenInfo.Show(true);
      break;
    case PageKey::kNone:
      break;
  }
}

void CTokenManagerDlg::OnTokenPresent() {
  m_tree.Enable(true);
  tokenPresent_ = true;
  StartTicker();
}

void CTokenManagerDlg::OnTokenRemoved() {
  m_tree.Enable(false);
  tokenPresent_ = false;
  m_tree.SelectItem(aboutItem_);
  m_about.Show(true);
  for (ui::Dialog* page : std::initializer_list<ui::Dialog*>{&m_changeTokenName, &m_pinCode, &m_certificates,
                                                             &m_update, &m_verifyPin, &m_tokenInfo}) {
    page->Show(false);
  }
  m_certificates.ResetToLogin();
}

void CTokenManagerDlg::StartTicker() {
  if (!m_ticker.hwnd()) return;
  ::GetWindowRect(m_ticker.hwnd(), &m_ticker.m_screenRect);
  m_ticker.m_gradientFrom = kTickerBandColor;
  m_ticker.m_gradientTo = kTickerBandColor;
  m_ticker.SetTicker(m_tickerText, kTickerTextColor, kTickerTextColor, L"Arial", 20, 2, 1);
}

void CTokenManagerDlg::OnTickerClick(LPARAM clientPoint) {
  if (!m_ticker.hwnd()) return;
  ::GetWindowRect(m_ticker.hwnd(), &m_ticker.m_screenRect);
  POINT point = {GET_X_LPARAM(clientPoint), GET_Y_LPARAM(clientPoint)};
  ::ClientToScreen(hwnd(), &point);
  if (!::PtInRect(&m_ticker.m_screenRect, point)) return;
  if (!ProbeWebServiceNow()) return;
  if (IsWebAddress(m_tickerUrl)) ShellOpen(m_tickerUrl, L"", SW_SHOWMAXIMIZED);
}

void CTokenManagerDlg::OnTimer(UINT_PTR) { LaunchPendingUpdate(); }

void CTokenManagerDlg::LaunchPendingUpdate() {
  if (m_update.m_launchPending.exchange(0) == 0) return;
  // The updater was downloaded into the temporary folder; naming it there keeps the search
  // path from supplying another file of that name.
  const std::wstring temp = win::TempFolder();
  if (temp.empty()) return;
  ShellOpen(temp + kUpdaterFileName, temp, SW_SHOWNORMAL);
}

bool CTokenManagerDlg::ProbeWebServiceNow() { return ProbeWebService() != FALSE; }

void CTokenManagerDlg::ShellOpen(const std::wstring& file, const std::wstring& directory, int show) {
  ::ShellExecuteW(hwnd(), L"open", file.c_str(), nullptr, directory.empty() ? nullptr : directory.c_str(), show);
}

void CTokenManagerDlg::PaintMinimisedIcon() {
  PAINTSTRUCT paint = {};
  HDC dc = ::BeginPaint(hwnd(), &paint);
  if (!dc) return;
  ::SendMessageW(hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client = {};
  ::GetClientRect(hwnd(), &client);
  const int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
  if (icon_) ::DrawIcon(dc, x, y, icon_);
  ::EndPaint(hwnd(), &paint);
}

bool CTokenManagerDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case kMonitorTokenPresent:
      OnTokenPresent();
      result = 0;
      return true;
    case kMonitorTokenRemoved:
      OnTokenRemoved();
      result = 0;
      return true;
    case kMonitorStartTicker:
      StartTicker();
      result = 0;
      return true;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about;
        about.DoModal(hwnd());
        result = 0;
        return true;
      }
      return false;
    case WM_PAINT:
      if (!::IsIconic(hwnd())) return false;
      PaintMinimisedIcon();
      result = 0;
      return true;
    case WM_QUERYDRAGICON:
      result = reinterpret_cast<LRESULT>(icon_);
      return true;
    case WM_LBUTTONUP:
      OnTickerClick(lParam);
      return false;
    case WM_CLOSE:
      // The default processing that follows ends the dialog through IDCANCEL.
      Shutdown();
      return false;
    case WM_DESTROY:
      Shutdown();
      break;
    default:
      break;
  }
  return ui::Dialog::HandleMessage(message, wParam, lParam, result);
}

void CTokenManagerDlg::OnOK() {
  Shutdown();
  EndDialog(IDOK);
}

void CTokenManagerDlg::OnCancel() {
  Shutdown();
  EndDialog(IDCANCEL);
}

void CTokenManagerDlg::StartMonitor() {
  auto state = std::make_shared<TokenMonitorState>();
  state->window = hwnd();
  state->stopEvent.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!state->stopEvent) return;
  state->running = true;
  auto handoff = std::make_unique<std::shared_ptr<TokenMonitorState>>(state);
  monitorThread_.reset(::CreateThread(nullptr, 0, &CTokenManagerDlg::MonitorThreadMain, handoff.get(), 0, nullptr));
  if (!monitorThread_) return;
  handoff.release();
  monitorExitCode_ = STILL_ACTIVE;
  monitor_ = std::move(state);
}

DWORD WINAPI CTokenManagerDlg::MonitorThreadMain(void* parameter) {
  std::unique_ptr<std::shared_ptr<TokenMonitorState>> state(static_cast<std::shared_ptr<TokenMonitorState>*>(parameter));
  try {
    return RunTokenMonitor(**state);
  } catch (...) {
    return 1;
  }
}

void CTokenManagerDlg::Shutdown() {
  if (monitor_) {
    monitor_->running = false;
    ::SetEvent(monitor_->stopEvent.get());
    bool stopped = true;
    if (monitorThread_) {
      stopped = ::WaitForSingleObject(monitorThread_.get(), kMonitorStopTimeout) == WAIT_OBJECT_0;
      if (stopped) ::GetExitCodeThread(monitorThread_.get(), &monitorExitCode_);
      monitorThread_.reset();
    }
    TokenContext& context = monitor_->context;
    if (stopped && context.module) {
      if (context.functions) {
        if (context.session != 0) context.functions->C_CloseSession(context.session);
        context.session = 0;
        context.functions->C_Finalize(nullptr);
      }
      context.functions = nullptr;
      context.aux = nullptr;
      context.module.reset();
    }
    monitor_.reset();
  }
  if (timerStarted_) {
    StopTimer(IDT_UPDATE_LAUNCH);
    timerStarted_ = false;
  }
}

}  // namespace manager
