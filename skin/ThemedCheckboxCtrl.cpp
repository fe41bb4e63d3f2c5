#include "skin/ThemedCheckboxCtrl.h"

namespace kst {

// The system paints the box's background with the brush, then box, tick and caption.
LRESULT CThemedCheckboxCtrl::OnCtlColorStatic(UINT, WPARAM wParam, LPARAM, BOOL&) {
  HBRUSH brush = EnsureBackgroundBrush();
  HDC dc = DeviceContextParameter(wParam);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::IsWindowEnabled(m_hWnd) ? RGB(0, 0, 0) : RGB(40, 40, 40));
  return reinterpret_cast<LRESULT>(brush);
}

}  // namespace kst
