#include "framework/Window.h"

namespace kst {

HWND TopLevelWindow(HWND window) {
  HWND top = window;
  for (HWND parent = ::GetParent(top); parent != nullptr; parent = ::GetParent(top)) top = parent;
  return top;
}

HWND RootOwnerWindow(HWND window) {
  HWND current = window;
  for (;;) {
    bool isChild = (::GetWindowLongPtrW(current, GWL_STYLE) & WS_CHILD) != 0;
    HWND next = isChild ? ::GetParent(current) : ::GetWindow(current, GW_OWNER);
    if (next == nullptr) return current;
    current = next;
  }
}

}  // namespace kst
