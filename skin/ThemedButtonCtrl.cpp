#include "skin/ThemedButtonCtrl.h"

#include "base/WinGeometry.h"
#include "skin/NineGrid.h"
#include "skin/SkinRules.h"

namespace kst {

void CThemedButtonCtrl::Initialise() {
  skinMargins = {8, 8, 8, 8};
  defaultCell = 0;
  textColor = RGB(0, 0, 0);
  pressedTextColor = RGB(255, 255, 255);
  hotTextColor = RGB(255, 255, 255);
}

void CThemedButtonCtrl::SetSkin(HBITMAP image, RECT margins) {
  scaledCells.Clear();
  skinImage = image;
  skinMargins = margins;
  if (IsWindow()) Invalidate(TRUE);
}

void CThemedButtonCtrl::SetCaptionColors(COLORREF text, COLORREF hot, COLORREF pressed) {
  textColor = text;
  hotTextColor = hot;
  pressedTextColor = pressed;
  if (IsWindow()) Invalidate(TRUE);
}

size_t CThemedButtonCtrl::AccessibleName(wchar_t* name, size_t capacity) {
  if (accessibleName == nullptr) return CThemedControlBase::AccessibleName(name, capacity);
  return AccessibleNameOfCaption(accessibleName, name, capacity);
}

void CThemedButtonCtrl::Draw(HDC dc, const RECT& rect, unsigned itemState,
                             const wchar_t* caption) const {
  if (Look().plain) {
    DrawPlain(dc, rect, itemState, caption);
    return;
  }
  FillWithBrush(dc, rect, BackgroundBrush());

  // Without an image nothing is drawn.
  const SIZE imageSize = BitmapSize(skinImage);
  const Rect cell =
      SkinCellRect(imageSize.cx, imageSize.cy, SkinCellForState(itemState, defaultCell));
  DrawSkinImage(dc, rect, skinImage, ToRECT(cell), skinMargins, Dpi(), 255, &scaledCells);

  const COLORREF color =
      CaptionColorForState(itemState, {textColor, hotTextColor, pressedTextColor});
  DrawCaption(dc, rect, caption, Font(), color, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  if (itemState & kItemFocus) DrawFocusCue(dc, rect, color, Dpi());
}

// Hot and pressed change nothing: the system's colours have no shades to spare for them.
void CThemedButtonCtrl::DrawPlain(HDC dc, const RECT& rect, unsigned itemState,
                                  const wchar_t* caption) const {
  const SkinLook& look = Look();
  const COLORREF text = SkinColorFor(look, SkinColorUse::kText, textColor);
  FillWithColor(dc, rect, SkinColorFor(look, SkinColorUse::kBackground, 0));
  DrawOutline(dc, rect, text, Dpi());
  DrawCaption(dc, rect, plainCaption != nullptr ? plainCaption : caption, Font(), text,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  if (itemState & kItemFocus)
    DrawFocusCue(dc, rect, SkinColorFor(look, SkinColorUse::kFocusCue, text), Dpi());
}

}  // namespace kst
