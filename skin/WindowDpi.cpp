#include "skin/WindowDpi.h"

#include "base/Handles.h"
#include "base/SystemLibrary.h"
#include "skin/DpiScale.h"

namespace kst {

int SystemDpi() {
  CWindowDC screen(nullptr);
  const int dpi = screen.Get() != nullptr ? ::GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
  return dpi > 0 ? dpi : kDesignDpi;
}

int WindowDpi(HWND window) {
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  static const GetDpiForWindowFunction getDpiForWindow =
      GetLoadedSystemFunction<GetDpiForWindowFunction>(L"user32.dll", "GetDpiForWindow");
  const UINT dpi = getDpiForWindow != nullptr ? getDpiForWindow(window) : 0;
  return dpi != 0 ? static_cast<int>(dpi) : SystemDpi();
}

void TakeOverDialogDpiChanges(HWND dialog) {
  constexpr int kDisableAll = 1;  // DDC_DISABLE_ALL
  using SetBehaviorFunction = BOOL(WINAPI*)(HWND, int, int);
  static const SetBehaviorFunction setBehavior =
      GetLoadedSystemFunction<SetBehaviorFunction>(L"user32.dll", "SetDialogDpiChangeBehavior");
  if (setBehavior != nullptr) setBehavior(dialog, kDisableAll, kDisableAll);
}

}  // namespace kst
