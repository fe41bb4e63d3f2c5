#include "app/AppMode.h"

#include "base/Path.h"

namespace kst {

bool IsUninstallPath(const wchar_t* modulePath) {
  return WideContains(modulePath, L"uninstall.exe");
}

bool IsUninstallMode() {
  wchar_t path[kMaxPath] = {};
  ::GetModuleFileNameW(nullptr, path, kMaxPath);
  path[kMaxPath - 1] = L'\0';
  return IsUninstallPath(path);
}

HWND TopLevelWindow(HWND window) {
  HWND top = window;
  for (HWND parent = ::GetParent(top); parent != nullptr; parent = ::GetParent(top)) top = parent;
  return top;
}

void CloseMainWindow(HWND fromWindow, bool post) {
  HWND top = TopLevelWindow(fromWindow);
  if (post)
    ::PostMessageW(top, WM_CLOSE, 0, 0);
  else
    ::SendMessageW(top, WM_CLOSE, 0, 0);
}

void HideMainWindowRequest(HWND fromWindow) {
  ::SendMessageW(TopLevelWindow(fromWindow), WM_USER, kHideRequest, 0);
}

}  // namespace kst
