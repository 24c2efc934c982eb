// Entry point of the certificate register.
#include <windows.h>

#include "certd/shell/certreg_app.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  CCertregApp application;
  return application.Run(instance);
}
