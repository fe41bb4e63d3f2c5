// A small front end of the product: says whether the filter runs, and ends.
#include <windows.h>

#include "install/ProductComponents.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  bool running = ::FindWindowA(kst::kMainWindowClass, kst::kMainWindowTitle) != nullptr;
  ::MessageBoxW(nullptr, running ? L"Veltrin 正在过滤网页。" : L"Veltrin 未运行。", L"Veltrin",
                MB_OK | MB_ICONINFORMATION);
  return 0;
}
