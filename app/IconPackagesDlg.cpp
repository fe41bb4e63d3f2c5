#include "app/IconPackagesDlg.h"

#include "app/AppMode.h"

namespace kst {

LRESULT CIconPackagesDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  ::SetDlgItemTextW(m_hWnd, IDC_MAIN_BUTTON, IsUninstallMode() ? L"卸载" : L"一键安装");
  ApplyThemedDialogStyle();
  return TRUE;
}

LRESULT CIconPackagesDlg::OnCloseButton(WORD, WORD, HWND, BOOL&) {
  CloseMainWindow(m_hWnd, true);
  return 1;
}

}  // namespace kst
