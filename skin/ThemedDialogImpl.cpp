#include "skin/ThemedDialogImpl.h"

#include <stddef.h>

#include <initializer_list>

#include "skin/DpiScale.h"

namespace kst {

CFont CreateThemedDialogFont(int dpi) {
  NONCLIENTMETRICSW metrics = {};
  LOGFONTW font = {};
  // XP knows the structure without its last member and refuses the longer one.
  for (UINT size : {static_cast<UINT>(sizeof(metrics)),
                    static_cast<UINT>(offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth))}) {
    metrics.cbSize = size;
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, size, &metrics, 0)) {
      font = metrics.lfMessageFont;
      break;
    }
  }
  font.lfHeight = -ScaleForDpi(14, dpi);
  return CFont(::CreateFontIndirectW(&font));
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
