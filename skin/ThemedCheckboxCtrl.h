// An automatic check box that the system draws on the skin: the control-colour request,
// reflected back by the parent as OCM_CTLCOLORSTATIC, answers with a copy of the window
// behind the box and a transparent text mode. Readers are told its checked state; the plain look
// writes its caption in the system's text colour.
#pragma once

#include <windows.h>

#include "framework/Controls.h"
#include "skin/ThemedControlImpl.h"

namespace kst {

class CThemedCheckboxCtrl
    : public CThemedControlImpl<CThemedCheckboxCtrl, CButtonT<CWindow>, kCopiesBackground> {
 public:
  BEGIN_MSG_MAP(CThemedCheckboxCtrl)
  MESSAGE_HANDLER(OCM_CTLCOLORSTATIC, OnCtlColorStatic)
  CHAIN_MSG_MAP(CThemedControlImpl)
  END_MSG_MAP()

 private:
  LRESULT OnCtlColorStatic(UINT, WPARAM wParam, LPARAM, BOOL&);
  LONG AccessibleRole() override { return ROLE_SYSTEM_CHECKBUTTON; }
  LONG AccessibleState() override;
};

}  // namespace kst
