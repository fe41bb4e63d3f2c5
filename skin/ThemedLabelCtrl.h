// A static text drawn in a chosen colour and font with no background of its own: the window
// behind it, painted first, shows through between the glyphs. Attaching takes the parent's
// font; WM_SETFONT replaces it. Readers are told of each new text; the plain look draws it in the
// system's text colour.
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
  // Each new text is also announced as a live region's change, for a status that readers speak
  // without being asked.
  void SetLiveRegion() { liveRegion = true; }

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
  LONG AccessibleRole() override { return ROLE_SYSTEM_STATICTEXT; }
  LONG AccessibleState() override { return STATE_SYSTEM_READONLY; }

  COLORREF textColor = 0;
  UINT drawFormat = 0;
  bool liveRegion = false;
};

}  // namespace kst
