// A static text drawn in a chosen colour and font with no background of its own: the window
// behind it, painted first, shows through between the glyphs.
#pragma once

#include <windows.h>

#include "framework/Controls.h"
#include "framework/WindowImpl.h"

namespace kst {

class CThemedLabelCtrl
    : public CWindowImpl<CThemedLabelCtrl, CStaticT<CWindow>, CControlWinTraits> {
 public:
  // Subclasses an existing static; takes its parent's font. False when subclassing fails.
  bool Attach(HWND label);
  void SetLabelColor(COLORREF color);
  // Centred lines, broken only at the line breaks of the text; "&" marks a mnemonic.
  void SetCentered();

  // The text's glyphs only, nothing else.
  void Draw(HDC dc, const RECT& rect, const wchar_t* text) const;

  BEGIN_MSG_MAP(CThemedLabelCtrl)
    MESSAGE_HANDLER(WM_CREATE, OnCreate)
    MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
    MESSAGE_HANDLER(WM_SETFONT, OnSetFont)
    MESSAGE_HANDLER(WM_SETTEXT, OnSetText)
    MESSAGE_HANDLER(WM_PAINT, OnPaint)
    MESSAGE_HANDLER(WM_PRINTCLIENT, OnPaint)
  END_MSG_MAP()

  HFONT font = nullptr;  // borrowed
  COLORREF textColor = 0;
  UINT drawFormat = 0;

 private:
  void Initialise();
  void Repaint();
  LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL& handled);
  LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, BOOL&) { return 1; }
  LRESULT OnSetFont(UINT, WPARAM wParam, LPARAM, BOOL& handled);
  LRESULT OnSetText(UINT message, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnPaint(UINT, WPARAM wParam, LPARAM, BOOL&);
};

}  // namespace kst
