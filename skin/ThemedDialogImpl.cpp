#include "skin/ThemedDialogImpl.h"

namespace kst {

HFONT CreateThemedDialogFont() {
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof(metrics);
  LOGFONTW font = {};
  if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
    font = metrics.lfMessageFont;
  font.lfHeight = -14;
  return ::CreateFontIndirectW(&font);
}

void SetFontOnTree(HWND window, HFONT font) {
  for (HWND child = ::GetTopWindow(window); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SetFontOnTree(child, font);
  }
}

void EnsureComposited(HWND window) {
  LONG exStyle = ::GetWindowLongW(window, GWL_EXSTYLE);
  if ((exStyle & WS_EX_COMPOSITED) == 0)
    ::SetWindowLongW(window, GWL_EXSTYLE, exStyle | WS_EX_COMPOSITED);
}

}  // namespace kst
