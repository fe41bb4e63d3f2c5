// The floor of the first-paint benchmark: the least a program can do to show a window of the
// installer frame's class and size, painted with a solid background and nothing else.
// Usage: kst_bench_floor <left> <top> <width> <height>
#include <windows.h>

#include "app/FrameClass.h"

namespace {

LRESULT CALLBACK FloorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) ::PostQuitMessage(0);
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  if (__argc < 5) return 2;
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = FloorProc;
  windowClass.hInstance = instance;
  windowClass.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
  windowClass.lpszClassName = kst::kFrameClassName;
  if (::RegisterClassExW(&windowClass) == 0) return 1;
  HWND window =
      ::CreateWindowExW(WS_EX_APPWINDOW | WS_EX_WINDOWEDGE, windowClass.lpszClassName, L"floor",
                        WS_POPUP, _wtoi(__wargv[1]), _wtoi(__wargv[2]), _wtoi(__wargv[3]),
                        _wtoi(__wargv[4]), nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  ::ShowWindow(window, showCommand);
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);
  return 0;
}
