#include "sequences/UninstallSequence.h"

#include "base/Path.h"
#include "install/Folders.h"
#include "install/ProductComponents.h"
#include "system/DeleteTree.h"
#include "system/FilterService.h"
#include "system/ProxySettings.h"
#include "system/Registry.h"
#include "system/Removal.h"
#include "system/Shortcuts.h"

namespace kst {
namespace {

constexpr wchar_t kProxyErrorText[] =
    L"设置网页代理失败,Veltrin无法过滤网页数据,请检查是否被安全软件阻止.\n"
    L"原因:无法修改注册表项:HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\"
    L"Internet Settings";

void Refuse(const wchar_t* text) { ::MessageBoxW(nullptr, text, L"错误", MB_OK); }

// Programs that still point at the product's local proxy would lose the Internet; the user is
// told, and the removal goes no further.
[[noreturn]] void EndWithProxyError() {
  ::MessageBoxW(nullptr, kProxyErrorText, L"错误", MB_OK);
  ::ExitProcess(0);
}

}  // namespace

void RunUninstall(CSequenceDialog& dialog) {
  if (::FindWindowA(kMainWindowClass, kMainWindowTitle) != nullptr)
    return Refuse(L"Veltrin正在运行，请先关闭开机启动，重启电脑后再进行卸载!");
  CPath programFolder;
  if (!FindInstalledProgramFolder(programFolder)) return Refuse(L"并未有效安装Veltrin!");
  if (IsUninstallLocked()) return Refuse(L"需将密码设为空才可进行卸载!");
  // Only OK goes on: a box that was closed, failed or ended by a quit message is no consent. A
  // box that a quit message ended leaves the quit in the queue, whatever it answered.
  int answer = ::MessageBoxW(nullptr, L"确定要Veltrin吗?卸载之后您将无法抵御有害信息的进攻!",
                             L"警告", MB_OKCANCEL);
  MSG quit;
  if (answer != IDOK || ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE))
    return dialog.CloseProgramWhenDone();

  // The product's files in use stay in the first pass; once its windows were asked to close,
  // the second pass takes what they held. The third, after the farewell, takes what a product
  // that closed slowly held even then.
  DeleteTree(programFolder.Get());
  CloseProductWindows();
  DeleteTree(programFolder.Get());
  RemoveFilterService();
  DeleteShortcuts();
  RemoveProductRegistry();
  if (!ResetProxySettings()) EndWithProxyError();
  if (dialog.options.removeUserConfig) RemoveUserConfigFolder();

  dialog.HideProgramWindow();
  ::MessageBoxW(nullptr, L"感谢您使用Veltrin,更多功能即将推出,敬请关注!", L"卸载完成", MB_OK);
  CloseProductWindows();
  DeleteTree(programFolder.Get());

  // The shell waits for this process to end before it removes the folder; at the highest
  // priority the uninstaller is scheduled first and has ended by then.
  ::SetPriorityClass(::GetCurrentProcess(), REALTIME_PRIORITY_CLASS);
  ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
  StartSelfRemoval(dialog.DialogWindow(), programFolder);
  dialog.CloseProgramWhenDone();
}

}  // namespace kst
