#include "skin/ThemedCheckboxCtrl.h"

namespace kst {

bool CThemedCheckboxCtrl::Attach(HWND checkbox) {
  if (!SubclassWindow(checkbox)) return false;
  Initialise();
  return true;
}

void CThemedCheckboxCtrl::Initialise() { backgroundSource = RootOwnerWindow(m_hWnd); }

LRESULT CThemedCheckboxCtrl::OnCreate(UINT, WPARAM, LPARAM, BOOL& handled) {
  Initialise();
  handled = FALSE;
  return 0;
}

// The system paints the box's background with the brush, then box, tick and caption.
LRESULT CThemedCheckboxCtrl::OnCtlColorStatic(UINT, WPARAM wParam, LPARAM, BOOL&) {
  HBRUSH brush = EnsureBackgroundBrush();
  HDC dc = reinterpret_cast<HDC>(wParam);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::IsWindowEnabled(m_hWnd) ? RGB(0, 0, 0) : RGB(40, 40, 40));
  return reinterpret_cast<LRESULT>(brush);
}

}  // namespace kst
