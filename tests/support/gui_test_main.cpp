// Entry point of the test executables that create windows: registers the common control
// classes first, as the programs do at start-up.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), 0xFF};
  ::InitCommonControlsEx(&controls);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
