// A push button drawn entirely by the skin: the background behind it, one cell of a
// five-cell image as a nine-grid, and its caption centred on top. Hover and press come from
// the item state the system button reports with each custom-draw notification, which the
// parent must reflect back as OCM_NOTIFY. In the plain look it is an outline with its caption
// (or its plain caption, for a button whose image carries its sign) in the system's colours.
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
  // Borrowed, static: what readers are told in place of the caption (a button without one).
  void SetAccessibleName(const wchar_t* name) { accessibleName = name; }
  // Borrowed, static: drawn in the plain look in place of the caption, where the skin image
  // carries what the button does.
  void SetPlainCaption(const wchar_t* caption) { plainCaption = caption; }

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
  LONG AccessibleRole() override { return ROLE_SYSTEM_PUSHBUTTON; }
  size_t AccessibleName(wchar_t* name, size_t capacity) override;
  void DrawPlain(HDC dc, const RECT& rect, unsigned itemState, const wchar_t* caption) const;

  const wchar_t* accessibleName = nullptr;
  const wchar_t* plainCaption = nullptr;

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
