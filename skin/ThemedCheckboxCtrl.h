// An automatic check box that the system draws on the skin: the control-colour request,
// reflected back by the parent as OCM_CTLCOLORSTATIC, answers with a copy of the window
// behind the box and a transparent text mode.
#pragma once

#include <windows.h>

#include "framework/Controls.h"
#include "framework/WindowImpl.h"
#include "skin/BackgroundSnapshot.h"

namespace kst {

class CThemedCheckboxCtrl
    : public CWindowImpl<CThemedCheckboxCtrl, CButtonT<CWindow>, CControlWinTraits>,
      public CCustomDraw<CThemedCheckboxCtrl>,
      public CBackgroundSnapshot<CThemedCheckboxCtrl> {
 public:
  // Subclasses an existing check box; false when subclassing fails.
  bool Attach(HWND checkbox);

  BEGIN_MSG_MAP(CThemedCheckboxCtrl)
    MESSAGE_HANDLER(WM_CREATE, OnCreate)
    MESSAGE_HANDLER(WM_MOVE, OnMoveOrSize)
    MESSAGE_HANDLER(WM_SIZE, OnMoveOrSize)
    MESSAGE_HANDLER(OCM_CTLCOLORSTATIC, OnCtlColorStatic)
  END_MSG_MAP()

 private:
  void Initialise();
  LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL& handled);
  LRESULT OnCtlColorStatic(UINT, WPARAM wParam, LPARAM, BOOL&);
};

}  // namespace kst
