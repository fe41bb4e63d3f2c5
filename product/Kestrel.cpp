// The main program: its window tells the installer that the product runs.
#include <windows.h>

#include "install/ProductComponents.h"
#include "product/ProductWindow.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  return kst::RunProductWindow(kst::kMainWindowClass, kst::kMainWindowTitle,
                               kst::HasShowMainArgument());
}
