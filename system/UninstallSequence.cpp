#include "system/UninstallSequence.h"

#include <shellapi.h>
#include <shlobj.h>

#include "app/AppMode.h"
#include "base/Path.h"
#include "base/Text.h"
#include "install/Folders.h"
#include "install/ProductComponents.h"
#include "system/DeleteTree.h"
#include "system/FilterService.h"
#include "system/ProxySettings.h"
#include "system/Registry.h"
#include "system/Shortcuts.h"

namespace kst {
namespace {

constexpr size_t kSelfRemovalCapacity = 3 * kMaxPath;

int Refuse(const wchar_t* text) {
  ::MessageBoxW(nullptr, text, L"错误", MB_OK);
  return 1;
}

void RemoveUserConfigFolder() {
  CPath folder;
  if (GetSpecialFolder(CSIDL_LOCAL_APPDATA, folder) && folder.Join(L"kestrel"))
    DeleteTree(folder.Get());
}

// The shell's own "rd" token names a folder "rd" relative to its working folder. It starts in
// the program folder's parent, so that it can remove the program folder; a parent holding an
// entry of that name would lose it, and then the shell is not started at all.
bool SelfRemovalFolder(const CPath& programFolder, CPath& workingFolder) {
  if (!workingFolder.Assign(programFolder.Get()) || !workingFolder.RemoveLastComponent())
    return false;
  if (workingFolder.Length() == 2 && !workingFolder.Append(L"\\"))
    return false;  // "C:" alone is the drive's current folder
  CPath stray(workingFolder.Get());
  if (!stray.Join(L"rd")) return false;
  return ::GetFileAttributesW(stray.Get()) == INVALID_FILE_ATTRIBUTES;
}

void StartSelfRemoval(HWND owner, const CPath& programFolder) {
  CPath uninstaller(programFolder.Get());
  if (uninstaller.Join(L"uninstall.exe"))
    ::SHChangeNotify(SHCNE_DELETE, SHCNF_PATHW, uninstaller.Get(), nullptr);
  wchar_t parameters[kSelfRemovalCapacity];
  if (!FormatSelfRemovalParameters(programFolder.Get(), parameters, kSelfRemovalCapacity)) return;
  CPath workingFolder;
  if (!IsProductFolderName(programFolder.Get()) || !SelfRemovalFolder(programFolder, workingFolder))
    return;
  ::ShellExecuteW(owner, L"open", L"cmd", parameters, workingFolder.Get(), SW_HIDE);
}

}  // namespace

bool FormatSelfRemovalParameters(const wchar_t* programFolder, wchar_t* out, size_t capacity) {
  const wchar_t* parts[] = {L"/c ping 127.0.0.1 | rd /s/q \"", programFolder, L"\" rd /q \"",
                            programFolder, L"\"\\uninstall.exe | ping 127.0.0.1"};
  return JoinTextParts(out, capacity, parts, sizeof(parts) / sizeof(parts[0]));
}

bool IsProductFolderName(const wchar_t* programFolder) {
  return WideContains(programFolder, L"kestrel") || WideContains(programFolder, L"Kestrel");
}

void CloseProductWindows() {
  if (HWND main = ::FindWindowA(kMainWindowClass, kMainWindowTitle)) {
    ::SendMessageW(main, kCloseRequestMessage, 0, 0);
    ::Sleep(500);
  }
  if (HWND updater = ::FindWindowA(kUpdaterWindowClass, kUpdaterWindowTitle)) {
    ::SendMessageW(updater, kCloseRequestMessage, 0, 0);
    ::Sleep(500);
  }
}

int RunUninstall(HWND dialogWindow, const InstallerOptions& options) {
  if (::FindWindowA(kMainWindowClass, kMainWindowTitle) != nullptr)
    return Refuse(L"Veltrin正在运行，请先关闭开机启动，重启电脑后再进行卸载!");
  CPath programFolder;
  if (!FindInstalledProgramFolder(programFolder)) return Refuse(L"并未有效安装Veltrin!");
  if (IsUninstallLocked()) return Refuse(L"需将密码设为空才可进行卸载!");
  if (::MessageBoxW(nullptr, L"确定要Veltrin吗?卸载之后您将无法抵御有害信息的进攻!", L"警告",
                    MB_OKCANCEL) == IDCANCEL) {
    CloseMainWindow(dialogWindow, false);
    return 1;
  }

  DeleteTree(programFolder.Get());
  CloseProductWindows();
  DeleteTree(programFolder.Get());
  RemoveFilterService();
  DeleteShortcuts();
  RemoveProductRegistry();
  ResetProxySettings();
  if (options.removeUserConfig) RemoveUserConfigFolder();

  HideMainWindowRequest(dialogWindow);
  ::MessageBoxW(nullptr, L"感谢您使用Veltrin,更多功能即将推出,敬请关注!", L"卸载完成", MB_OK);
  CloseProductWindows();
  DeleteTree(programFolder.Get());

  ::SetPriorityClass(::GetCurrentProcess(), REALTIME_PRIORITY_CLASS);
  ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
  StartSelfRemoval(dialogWindow, programFolder);
  CloseMainWindow(dialogWindow, true);
  return 1;
}

}  // namespace kst
