// The program's one dialog: every control the user sees in both modes, the options the
// install and uninstall sequences read, and the pages they drive.
#pragma once

#include <windows.h>

#include "resources/resource.h"
#include "skin/ThemedDialogImpl.h"

namespace kst {

class CIconPackagesDlg : public CThemedDialogImpl<CIconPackagesDlg> {
 public:
  enum { IDD = IDD_INSTALLER };

  BEGIN_MSG_MAP(CIconPackagesDlg)
    MESSAGE_HANDLER(WM_NCHITTEST, OnNcHitTest)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
    CHAIN_MSG_MAP(CThemedDialogImpl<CIconPackagesDlg>)
    COMMAND_ID_HANDLER(IDC_CLOSE_BUTTON, OnCloseButton)
    REFLECT_NOTIFICATIONS()
  END_MSG_MAP()

 private:
  LRESULT OnNcHitTest(UINT, WPARAM, LPARAM, BOOL&) { return HTTRANSPARENT; }
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnCloseButton(WORD, WORD, HWND, BOOL&);
};

}  // namespace kst
