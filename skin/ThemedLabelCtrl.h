// A static text drawn in a chosen colour and font with no background of its own: the window
// behind it, painted first, shows through between the glyphs. Attaching takes the parent's
// font; WM_SETFONT replaces it.
#pragma once

#include <windows.h>

#include "framework/Controls.h"
#include "skin/ThemedControlImpl.h"

namespace kst {

class CThemedLabelCtrl
    : public CThemedControlImpl<CThemedLabelCtrl, CStaticT<CWindow>, kKeepsFont | kPaintsItself> {
 public:
  void SetLabelColor(COLORREF color);
  // Centred lines, broken only at the line breaks of the text; "&" marks a mnemonic.
  void SetCentered();

  COLORREF TextColor() const { return textColor; }
  UINT DrawFormat() const { return drawFormat; }

  BEGIN_MSG_MAP(CThemedLabelCtrl)
  MESSAGE_HANDLER(WM_SETTEXT, OnSetText)
  CHAIN_MSG_MAP(CThemedControlImpl)
  END_MSG_MAP()

 private:
  void Initialise() override;
  void Paint(HDC dc, const RECT& client) const override;
  void Repaint();
  LRESULT OnSetText(UINT message, WPARAM wParam, LPARAM lParam, BOOL&);

  COLORREF textColor = 0;
  UINT drawFormat = 0;
};

}  // namespace kst
