// A push button drawn entirely by the skin: the background behind it, one cell of a
// five-cell image as a nine-grid, and its caption centred on top. Hover and press come from
// the item state the system button reports with each custom-draw notification, which the
// parent must reflect back as OCM_NOTIFY.
#pragma once

#include <windows.h>

#include "framework/Controls.h"
#include "skin/ThemedControlImpl.h"

namespace kst {

class CThemedButtonCtrl
    : public CThemedControlImpl<CThemedButtonCtrl, CButtonT<CWindow>,
                                kKeepsFont | kCopiesBackground | kDrawsAtPreErase> {
 public:
  // image stays with the caller.
  void SetSkin(HBITMAP image, RECT margins);
  // The caption's colours in the plain, hot and pressed looks.
  void SetCaptionColors(COLORREF text, COLORREF hot, COLORREF pressed);

  int DefaultCell() const { return defaultCell; }
  COLORREF TextColor() const { return textColor; }
  COLORREF HotTextColor() const { return hotTextColor; }
  COLORREF PressedTextColor() const { return pressedTextColor; }

  // Background, skin cell, caption and focus ring for the item state; uses the cached background
  // brush.
  void Draw(HDC dc, const RECT& rect, unsigned itemState, const wchar_t* caption) const override;

 private:
  void Initialise() override;
  void OnDpiChanged() override { scaledCells.Clear(); }

  HBITMAP skinImage = nullptr;  // borrowed
  // The cells drawn so far, scaled for the DPI and the button's size.
  mutable CScaledSkinCache scaledCells;
  RECT skinMargins = {};
  int defaultCell = 0;
  COLORREF textColor = 0;
  COLORREF pressedTextColor = 0;
  COLORREF hotTextColor = 0;
};

}  // namespace kst
