// A push button drawn as link text: blue caption on the copied background, underlined and
// lighter while the pointer is over it. It sizes itself to its caption when attached. The
// parent must reflect NM_CUSTOMDRAW back as OCM_NOTIFY.
#pragma once

#include <windows.h>

#include "base/Handles.h"
#include "framework/Controls.h"
#include "framework/WindowImpl.h"
#include "skin/BackgroundSnapshot.h"

namespace kst {

class CThemedHyperlinkCtrl
    : public CWindowImpl<CThemedHyperlinkCtrl, CButtonT<CWindow>, CControlWinTraits>,
      public CCustomDraw<CThemedHyperlinkCtrl>,
      public CBackgroundSnapshot<CThemedHyperlinkCtrl> {
 public:
  // Subclasses an existing button, takes its font and resizes it to the ideal size of its
  // caption; false when subclassing fails.
  bool Attach(HWND link);

  // Background and caption; only the hot flag of itemState changes the look.
  void Draw(HDC dc, const RECT& rect, unsigned itemState, const wchar_t* caption) const;

  BEGIN_MSG_MAP(CThemedHyperlinkCtrl)
    MESSAGE_HANDLER(WM_CREATE, OnCreate)
    MESSAGE_HANDLER(WM_MOVE, OnMoveOrSize)
    MESSAGE_HANDLER(WM_SIZE, OnMoveOrSize)
    MESSAGE_HANDLER(WM_SETFONT, OnSetFont)
    MESSAGE_HANDLER(OCM_NOTIFY, OnNotifyCustomDraw)
  END_MSG_MAP()

  DWORD OnPreErase(NMCUSTOMDRAW* draw);
  DWORD OnPrePaint(NMCUSTOMDRAW*) { return CDRF_SKIPDEFAULT; }

  HFONT font = nullptr;  // borrowed
  CFont underlineFont;   // font with lfUnderline set
  COLORREF textColor = 0;
  COLORREF hotTextColor = 0;
  UINT drawFormat = 0;

 private:
  void Initialise();
  void SizeToCaption();
  LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL& handled);
  LRESULT OnSetFont(UINT, WPARAM wParam, LPARAM, BOOL& handled);
};

}  // namespace kst
