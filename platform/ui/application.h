// ui::Application: the program's one application object. The entry point constructs it and
// calls Run; InitInstance decides whether a message loop follows.
#pragma once

#include <windows.h>

namespace ui {

class Window;

class Application {
 public:
  Application();
  virtual ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // The application object of this process, or null before one is constructed.
  static Application* Current();

  // Runs InitInstance; when it returns true, a message loop until WM_QUIT; then ExitInstance.
  // The exit code is ExitInstance's result, or the WM_QUIT code when that result is 0.
  int Run(HINSTANCE instance);

  HINSTANCE Instance() const { return instance_; }
  Window* MainWindow() const { return mainWindow_; }
  void SetMainWindow(Window* window) { mainWindow_ = window; }

 protected:
  virtual bool InitInstance() = 0;
  virtual int ExitInstance() { return 0; }

 private:
  HINSTANCE instance_ = nullptr;
  Window* mainWindow_ = nullptr;
  int loopExitCode_ = 0;
};

}  // namespace ui
