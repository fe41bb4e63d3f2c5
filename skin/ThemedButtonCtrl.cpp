#include "skin/ThemedButtonCtrl.h"

#include "skin/NineGrid.h"
#include "skin/SkinRules.h"

namespace kst {

bool CThemedButtonCtrl::Attach(HWND button) {
  if (!SubclassWindow(button)) return false;
  Initialise();
  return true;
}

void CThemedButtonCtrl::Initialise() {
  backgroundSource = RootOwnerWindow(m_hWnd);
  skinMargins = {8, 8, 8, 8};
  defaultCell = 0;
  textColor = RGB(0, 0, 0);
  pressedTextColor = RGB(255, 255, 255);
  hotTextColor = RGB(255, 255, 255);
}

void CThemedButtonCtrl::SetBackgroundSource(HWND window) {
  backgroundSource = window;
  backgroundBrush.Reset();
}

void CThemedButtonCtrl::SetSkin(HBITMAP image, RECT margins) {
  skinImage = image;
  skinMargins = margins;
  if (IsWindow()) Invalidate(TRUE);
}

void CThemedButtonCtrl::Draw(HDC dc, const RECT& rect, unsigned itemState,
                             const wchar_t* caption) const {
  FillWithBrush(dc, rect, backgroundBrush.Get());

  // Without an image the size is zero, the cell empty and nothing is drawn.
  const SIZE imageSize = BitmapSize(skinImage);
  const Edges cell =
      SkinCellRect(imageSize.cx, imageSize.cy, SkinCellForState(itemState, defaultCell));
  CMemoryDC imageDC(::CreateCompatibleDC(dc));
  {
    CSelectObject selectImage(imageDC.Get(), skinImage);
    DrawNineGrid(dc, rect, imageDC.Get(), {cell.left, cell.top, cell.right, cell.bottom},
                 skinMargins);
  }

  const COLORREF color =
      CaptionColorForState(itemState, {textColor, hotTextColor, pressedTextColor});
  CSelectObject selectFont(dc, font);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, color);
  RECT textRect = rect;
  ::DrawTextW(dc, caption, -1, &textRect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

DWORD CThemedButtonCtrl::OnPreErase(NMCUSTOMDRAW* draw) {
  EnsureBackgroundBrush();
  wchar_t caption[200] = {};
  ::GetWindowTextW(m_hWnd, caption, 200);
  Draw(draw->hdc, draw->rc, draw->uItemState, caption);
  return CDRF_SKIPDEFAULT;
}

LRESULT CThemedButtonCtrl::OnCreate(UINT, WPARAM, LPARAM, BOOL& handled) {
  Initialise();
  handled = FALSE;
  return 0;
}

// The system button takes the font as well and measures its caption with it.
LRESULT CThemedButtonCtrl::OnSetFont(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
  font = reinterpret_cast<HFONT>(wParam);
  handled = FALSE;
  return 0;
}

}  // namespace kst
