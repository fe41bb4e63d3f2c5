/* Keeps one ordinary Wine program alive for a whole test run. Without it Wine shuts its desktop
   down a few seconds after the last program ends, and the next program waits about ten seconds for
   a new one. The window is never shown. "ready" on standard output tells the session that the
   desktop is up; the program ends on WM_CLOSE or when the session stops the Wine server. */
#include <windows.h>

static LRESULT CALLBACK KeepAliveProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLine, int showCommand) {
  (void)previous;
  (void)commandLine;
  (void)showCommand;
  WNDCLASSW windowClass = {0};
  windowClass.lpfnWndProc = KeepAliveProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = L"KstTestKeepAlive";
  if (!RegisterClassW(&windowClass)) return 1;
  if (!CreateWindowExW(0, windowClass.lpszClassName, L"", WS_POPUP, 0, 0, 1, 1, NULL, NULL,
                       instance, NULL))
    return 1;
  static const char ready[] = "ready\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), ready, sizeof ready - 1, &written, NULL);
  MSG message;
  while (GetMessageW(&message, NULL, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}
