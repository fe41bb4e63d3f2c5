#include "system/ProductProcesses.h"

#include <windows.h>

#include "install/ProductComponents.h"

namespace kst {
namespace {

// A window that answers within this time is waited for.
constexpr UINT kCloseRequestTimeoutMs = 5000;

HWND FindMainWindow() { return ::FindWindowA(kMainWindowClass, kMainWindowTitle); }
HWND FindUpdaterWindow() { return ::FindWindowA(kUpdaterWindowClass, kUpdaterWindowTitle); }

// Waits for a product window that answers, however slowly, but not for one the system reports
// as hung: that one would hold the elevated uninstaller for ever.
void AskToClose(HWND window) {
  DWORD_PTR answer = 0;
  ::SendMessageTimeoutW(window, kCloseRequestMessage, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                        kCloseRequestTimeoutMs, &answer);
  ::Sleep(500);
}

}  // namespace

bool IsUpdaterRunning() { return FindUpdaterWindow() != nullptr; }

bool IsMainProgramRunning() { return FindMainWindow() != nullptr; }

bool CloseProductWindows() {
  if (HWND main = FindMainWindow()) AskToClose(main);
  if (HWND updater = FindUpdaterWindow()) AskToClose(updater);
  return !IsMainProgramRunning() && !IsUpdaterRunning();
}

}  // namespace kst
