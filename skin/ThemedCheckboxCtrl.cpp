#include "skin/ThemedCheckboxCtrl.h"

#include "skin/SkinRules.h"

namespace kst {

// The system paints the box's background with the brush, then box, tick and caption.
LRESULT CThemedCheckboxCtrl::OnCtlColorStatic(UINT, WPARAM wParam, LPARAM, BOOL&) {
  HBRUSH brush = EnsureBackgroundBrush();
  HDC dc = DeviceContextParameter(wParam);
  ::SetBkMode(dc, TRANSPARENT);
  const COLORREF skinColor = ::IsWindowEnabled(m_hWnd) ? RGB(0, 0, 0) : RGB(40, 40, 40);
  ::SetTextColor(dc, SkinColorFor(Look(), SkinColorUse::kText, skinColor));
  return reinterpret_cast<LRESULT>(brush);
}

LONG CThemedCheckboxCtrl::AccessibleState() {
  return ::SendMessageW(m_hWnd, BM_GETCHECK, 0, 0) == BST_CHECKED ? STATE_SYSTEM_CHECKED : 0;
}

}  // namespace kst
