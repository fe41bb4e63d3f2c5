#include "system/Removal.h"

#include <shellapi.h>
#include <shlobj.h>

#include "base/Handles.h"
#include "base/ProgramPaths.h"
#include "install/Folders.h"
#include "install/ProductComponents.h"
#include "system/DeleteTree.h"
#include "system/SelfRemovalCommand.h"

namespace kst {
namespace {

constexpr size_t kSelfRemovalCapacity = 3 * kMaxPath;
// A window that answers within this time is waited for.
constexpr UINT kCloseRequestTimeoutMs = 5000;

// The system's own command interpreter, started in the system folder: a cmd, ping or rd planted
// beside the uninstaller or in the folder the shell starts in is never run.
bool SystemShell(CPath& shell, CPath& workingFolder) {
  if (!GetSystemFolder(workingFolder)) return false;
  shell = workingFolder;
  return shell.Join(L"cmd.exe");
}

// The shell's own "rd" token also names a folder "rd" relative to its working folder, which
// would go too; with such an entry there the shell is not started at all.
bool HasStrayRdEntry(const CPath& workingFolder) {
  CPath stray(workingFolder.Get());
  return !stray.Join(L"rd") || ::GetFileAttributesW(stray.Get()) != INVALID_FILE_ATTRIBUTES;
}

// Whether the folder is a link or anything below it shows as one. The shell's "rd /s" would go
// through a link that the uninstaller had to leave in place (Wine's cmd does) into someone else's
// files. A folder that cannot be looked at, or a path too long, counts as a link.
bool IsOrHoldsLink(const CPath& folder) {
  CPath pattern(folder.Get());
  if (!IsPlainFolder(folder.Get()) || !pattern.Join(L"*")) return true;
  WIN32_FIND_DATAW entry;
  CFindHandle search(::FindFirstFileW(pattern.Get(), &entry));
  if (!search) return true;
  do {
    const wchar_t* name = entry.cFileName;
    if (name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'))) continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return true;
    CPath child(folder.Get());
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
        (!child.Join(name) || IsOrHoldsLink(child)))
      return true;
  } while (::FindNextFileW(search.Get(), &entry));
  return false;
}

// Waits for a product window that answers, however slowly, but not for one the system reports
// as hung: that one would hold the elevated uninstaller for ever.
void AskToClose(HWND window) {
  DWORD_PTR answer = 0;
  ::SendMessageTimeoutW(window, kCloseRequestMessage, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                        kCloseRequestTimeoutMs, &answer);
  ::Sleep(500);
}

}  // namespace

void RemoveUserConfigFolder() {
  CPath folder;
  if (GetSpecialFolder(CSIDL_LOCAL_APPDATA, folder) && folder.Join(L"kestrel"))
    DeleteTree(folder.Get());
}

bool StartSelfRemoval(HWND owner, const CPath& programFolder) {
  CPath uninstaller(programFolder.Get());
  if (uninstaller.Join(L"uninstall.exe"))
    ::SHChangeNotify(SHCNE_DELETE, SHCNF_PATHW, uninstaller.Get(), nullptr);
  wchar_t parameters[kSelfRemovalCapacity];
  if (!FormatSelfRemovalParameters(programFolder.Get(), parameters, kSelfRemovalCapacity))
    return false;
  CPath shell;
  CPath workingFolder;
  if (!IsProductFolderName(programFolder.Get()) || IsOrHoldsLink(programFolder) ||
      !SystemShell(shell, workingFolder) || HasStrayRdEntry(workingFolder))
    return false;
  HINSTANCE started =
      ::ShellExecuteW(owner, L"open", shell.Get(), parameters, workingFolder.Get(), SW_HIDE);
  return reinterpret_cast<INT_PTR>(started) > 32;
}

void CloseProductWindows() {
  if (HWND main = ::FindWindowA(kMainWindowClass, kMainWindowTitle)) AskToClose(main);
  if (HWND updater = ::FindWindowA(kUpdaterWindowClass, kUpdaterWindowTitle)) AskToClose(updater);
}

}  // namespace kst
