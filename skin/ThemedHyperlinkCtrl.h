// A push button drawn as link text: blue caption on the copied background, underlined and
// lighter while the pointer is over it. Attaching takes the button's font and sizes the button
// to the ideal size of its caption. The parent must reflect NM_CUSTOMDRAW back as OCM_NOTIFY.
// Readers are told it is a link; the plain look draws it in the system's link colour.
#pragma once

#include <windows.h>

#include "base/Handles.h"
#include "framework/Controls.h"
#include "skin/ThemedControlImpl.h"

namespace kst {

class CThemedHyperlinkCtrl
    : public CThemedControlImpl<CThemedHyperlinkCtrl, CButtonT<CWindow>,
                                kKeepsFont | kCopiesBackground | kDrawsAtPreErase> {
 public:
  COLORREF TextColor() const { return textColor; }
  COLORREF HotTextColor() const { return hotTextColor; }
  // The font with lfUnderline set, owned by the link.
  HFONT UnderlineFont() const { return underlineFont.Get(); }

  // Background, caption and the focus ring; only the hot and focus flags of itemState change the
  // look.
  void Draw(HDC dc, const RECT& rect, unsigned itemState, const wchar_t* caption) const override;

 private:
  void Initialise() override;
  void OnFontChanged() override;
  void SizeToCaption();
  LONG AccessibleRole() override { return ROLE_SYSTEM_LINK; }

  CFont underlineFont;
  COLORREF textColor = 0;
  COLORREF hotTextColor = 0;
  UINT drawFormat = 0;
};

}  // namespace kst
