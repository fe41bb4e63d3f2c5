#include "product/ProductWindow.h"

#include <windows.h>

#include <shellapi.h>

#include "install/ProductComponents.h"

namespace kst {

namespace {

LRESULT CALLBACK ProductWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kCloseRequestMessage:
      // The uninstaller waits only briefly for the program's files to become free.
      if (wParam == 0 && lParam == 0) ::DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

int RunProductWindow(const char* className, const char* title, bool show) {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = ProductWindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = className;
  if (!::RegisterClassExA(&windowClass)) return 1;
  HWND window = ::CreateWindowExA(0, className, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 480, 320, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  if (show) ::ShowWindow(window, SW_SHOWNORMAL);
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return 0;
}

bool HasShowMainArgument() {
  int count = 0;
  LPWSTR* arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (!arguments) return false;
  bool showMain = count == 2 && ::lstrcmpiW(arguments[1], kShowMainArgument) == 0;
  ::LocalFree(arguments);
  return showMain;
}

}  // namespace kst
