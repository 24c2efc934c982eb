// Entry point of vlxca_v4_mgr.
#include <windows.h>

#include "manager/shell/token_manager_app.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  manager::CTokenManagerApp application;
  return application.Run(instance);
}
