// The updater: while it runs, the product counts as running.
#include <windows.h>

#include "install/ProductComponents.h"
#include "product/ProductWindow.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  return kst::RunProductWindow(kst::kUpdaterWindowClass, kst::kUpdaterWindowTitle,
                               kst::HasShowMainArgument());
}
