// A program that only waits: tests copy it under the manager's file name to see that the
// register finds and terminates it.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
  }
  return 0;
}
