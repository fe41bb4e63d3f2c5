// A push button drawn entirely by the skin: the background behind it, one cell of a
// five-cell image as a nine-grid, and its caption centred on top. Hover and press come from
// the item state the system button reports with each custom-draw notification, which the
// parent must reflect back as OCM_NOTIFY.
#pragma once

#include <windows.h>

#include "framework/Controls.h"
#include "framework/WindowImpl.h"
#include "skin/BackgroundSnapshot.h"

namespace kst {

class CThemedButtonCtrl
    : public CWindowImpl<CThemedButtonCtrl, CButtonT<CWindow>, CControlWinTraits>,
      public CCustomDraw<CThemedButtonCtrl>,
      public CBackgroundSnapshot<CThemedButtonCtrl> {
 public:
  // Subclasses an existing button and sets the defaults; false when subclassing fails.
  bool Attach(HWND button);
  // The snapshot is dropped; no repaint is requested.
  void SetBackgroundSource(HWND window);
  // image stays with the caller.
  void SetSkin(HBITMAP image, RECT margins);

  // Background, skin cell and caption for the item state; uses the cached background brush.
  void Draw(HDC dc, const RECT& rect, unsigned itemState, const wchar_t* caption) const;

  BEGIN_MSG_MAP(CThemedButtonCtrl)
    MESSAGE_HANDLER(WM_CREATE, OnCreate)
    MESSAGE_HANDLER(WM_MOVE, OnMoveOrSize)
    MESSAGE_HANDLER(WM_SIZE, OnMoveOrSize)
    MESSAGE_HANDLER(WM_SETFONT, OnSetFont)
    MESSAGE_HANDLER(OCM_NOTIFY, OnNotifyCustomDraw)
  END_MSG_MAP()

  DWORD OnPreErase(NMCUSTOMDRAW* draw);
  // Everything was drawn at the pre-erase stage.
  DWORD OnPrePaint(NMCUSTOMDRAW*) { return CDRF_SKIPDEFAULT; }

  HFONT font = nullptr;         // borrowed: the last WM_SETFONT
  HBITMAP skinImage = nullptr;  // borrowed
  RECT skinMargins = {};
  int defaultCell = 0;
  COLORREF textColor = 0;
  COLORREF pressedTextColor = 0;
  COLORREF hotTextColor = 0;

 private:
  void Initialise();
  LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL& handled);
  LRESULT OnSetFont(UINT, WPARAM wParam, LPARAM, BOOL& handled);
};

}  // namespace kst
