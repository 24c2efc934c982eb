// Resource ids, control ids, timers, messages and text numbers of the certificate register.
#pragma once

// Dialog templates
#define IDD_CERTREG_DIALOG 102

// Icons: idle, and the two blink images
#define IDI_TOKEN_IDLE 128
#define IDI_TOKEN_BLINK1 129
#define IDI_TOKEN_BLINK2 130

// Controls of dialog 102
#define IDC_CERTREG_LABEL 1000

#ifndef RC_INVOKED

namespace vlx {

// Posted by the reader monitor: wParam = (slot << 16) | event code, lParam = the event's value.
constexpr unsigned kTokenEventMessage = 0x0800;
// Notification message of the tray icon.
constexpr unsigned kTrayIconMessage = 0x0400 + 12;

// wParam values of the instance message.
constexpr unsigned kInstanceQuit = 1;
constexpr unsigned kInstanceSilent = 3;

// Texts by number (built-in English defaults beside their use).
namespace text {
constexpr int kOk = 1;
constexpr int kCancel = 2;
constexpr int kLoadLibraryFailed = 11001;
constexpr int kMonitorFailed = 11002;
constexpr int kWindowTitle = 11003;
}  // namespace text

}  // namespace vlx

#endif
