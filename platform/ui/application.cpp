#include "platform/ui/application.h"

#include "platform/ui/window.h"

namespace ui {
namespace {
Application* g_application = nullptr;  // the process's application object
}

Application::Application() { g_application = this; }

Application::~Application() {
  if (g_application == this) g_application = nullptr;
}

Application* Application::Current() { return g_application; }

int Application::Run(HINSTANCE instance) {
  instance_ = instance ? instance : ::GetModuleHandleW(nullptr);
  if (InitInstance()) {
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
      bool handled = false;
      for (HWND target = message.hwnd; target && !handled; target = ::GetParent(target)) {
        if (Window* object = Window::FromHandle(target)) handled = object->PreTranslateMessage(message);
      }
      if (!handled) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
      }
    }
    loopExitCode_ = static_cast<int>(message.wParam);
  }
  const int exitCode = ExitInstance();
  return exitCode != 0 ? exitCode : loopExitCode_;
}

}  // namespace ui
