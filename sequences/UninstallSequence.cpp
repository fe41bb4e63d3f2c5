#include "sequences/UninstallSequence.h"

#include "base/Path.h"
#include "base/StepLog.h"
#include "base/Text.h"
#include "install/Folders.h"
#include "install/ProductComponents.h"
#include "sequences/Mode.h"
#include "system/DeleteTree.h"
#include "system/FilterService.h"
#include "system/ProductProcesses.h"
#include "system/ProxySettings.h"
#include "system/Registry.h"
#include "system/Removal.h"
#include "system/RestartQueue.h"
#include "system/Shortcuts.h"

namespace kst {
namespace {

constexpr wchar_t kProxyErrorText[] =
    L"设置网页代理失败,Veltrin无法过滤网页数据,请检查是否被安全软件阻止.\n"
    L"原因:无法修改注册表项:HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\"
    L"Internet Settings";

void Refuse(CSequenceDialog& dialog, ExitCode code, const wchar_t* text) {
  dialog.Tell(code, L"错误", text);
}

// Programs that still point at the product's local proxy would lose the Internet; the user is
// told, and the removal goes no further.
void EndWithProxyError(CSequenceDialog& dialog) {
  dialog.Tell(ExitCode::kProxyResetFailed, L"错误", kProxyErrorText);
  dialog.EndProgramNow();
}

void RemoveTreePass(const CPath& folder, const wchar_t* pass) {
  wchar_t count[kDecimalCapacity];
  FormatDecimal(static_cast<uint32_t>(DeleteTree(folder.Get())), count);
  Log(L"remove ", folder.Get(), L" (", pass, L"): ", count, L" entries removed");
}

void LogQueued(const wchar_t* path) { Log(L"deleted at the next restart: ", path); }

// What the passes could not delete (files that other programs still use) goes at the next restart,
// together with the folders that hold it and the uninstaller, so that nothing of the program
// folder stays even where the self-removal shell cannot remove a folder that is not empty.
void QueueLeftovers(CSequenceDialog& dialog, const CPath& programFolder) {
  bool failed = false;
  if (QueueLeftoversForRestart(programFolder, kUninstallerFile, LogQueued, failed) > 0)
    dialog.NoteProblem(ExitCode::kRestartNeeded);
  if (failed) LogStepResult(false, L"queue for the next restart");
}

}  // namespace

bool RefuseStrayUninstaller(CSequenceDialog& dialog) {
  if (BelongsToAnInstall()) return false;
  Refuse(dialog, ExitCode::kNotInstalled, L"无效的卸载程序!");
  return true;
}

void RunUninstall(CSequenceDialog& dialog) {
  if (IsMainProgramRunning())
    return Refuse(dialog, ExitCode::kProductRunning,
                  L"Veltrin正在运行，请先关闭开机启动，重启电脑后再进行卸载!");
  CPath programFolder;
  if (!FindInstalledProgramFolder(programFolder))
    return Refuse(dialog, ExitCode::kNotInstalled, L"并未有效安装Veltrin!");
  if (IsUninstallLocked())
    return Refuse(dialog, ExitCode::kPasswordLock, L"需将密码设为空才可进行卸载!");
  Log(L"uninstall ", programFolder.Get());
  if (!dialog.Ask(L"警告", L"确定要Veltrin吗?卸载之后您将无法抵御有害信息的进攻!"))
    return dialog.CloseProgramWhenDone();

  // A running service holds its program, which the passes could not delete.
  if (!LogStepResult(StopFilterService(), L"stop filter service"))
    dialog.NoteProblem(ExitCode::kServiceNotRemoved);
  // The product's files in use stay in the first pass; once its windows were asked to close,
  // the second pass takes what they held. The third, after the farewell, takes what a product
  // that closed slowly held even then.
  RemoveTreePass(programFolder, L"first pass");
  LogStepResult(CloseProductWindows(), L"close product windows");
  RemoveTreePass(programFolder, L"second pass");
  if (!LogStepResult(RemoveFilterService(), L"filter service removal"))
    dialog.NoteProblem(ExitCode::kServiceNotRemoved);
  LogStepResult(DeleteShortcuts(), L"shortcuts removal");
  LogStepResult(RemoveProductRegistry(), L"registry removal");
  if (!LogStepResult(ResetProxySettings(), L"proxy reset")) return EndWithProxyError(dialog);
  if (dialog.options.removeUserConfig) {
    LogStepResult(RemoveUserConfigFolder(), L"configuration folder removal");
  } else {
    Log(L"configuration folder: kept");
  }

  dialog.HideProgramWindow();
  dialog.Tell(ExitCode::kDone, L"卸载完成", L"感谢您使用Veltrin,更多功能即将推出,敬请关注!");
  LogStepResult(CloseProductWindows(), L"close product windows");
  RemoveTreePass(programFolder, L"third pass");
  QueueLeftovers(dialog, programFolder);

  // The shell waits for this process to end before it removes the folder; at the highest
  // priority the uninstaller is scheduled first and has ended by then.
  ::SetPriorityClass(::GetCurrentProcess(), REALTIME_PRIORITY_CLASS);
  ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
  LogStep(L"self-removal shell", nullptr, StartSelfRemoval(programFolder), 0);
  dialog.CloseProgramWhenDone();
}

}  // namespace kst
