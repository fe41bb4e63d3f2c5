#include "system/Removal.h"

#include <shlobj.h>

#include "base/Handles.h"
#include "base/ProgramPaths.h"
#include "base/Text.h"
#include "install/Folders.h"
#include "install/ProductComponents.h"
#include "system/DeleteTree.h"
#include "system/SelfRemovalCommand.h"

namespace kst {
namespace {

constexpr size_t kSelfRemovalCapacity = 4 * kMaxPath;
// Six names and values of at most a path and a few characters each.
constexpr size_t kShellEnvironmentCapacity = 6 * (kMaxPath + 16) + 1;

// The system's own command interpreter and ping, the shell started in the system folder: a cmd,
// ping or rd planted beside the uninstaller or in the folder the shell starts in is never run.
bool SystemShell(CPath& shell, CPath& ping, CPath& workingFolder) {
  if (!GetSystemFolder(workingFolder)) return false;
  shell = workingFolder;
  ping = workingFolder;
  return shell.Join(L"cmd.exe") && ping.Join(L"PING.EXE");
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
    if (IsDotEntry(name)) continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return true;
    CPath child(folder.Get());
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
        (!child.Join(name) || IsOrHoldsLink(child)))
      return true;
  } while (::FindNextFileW(search.Get(), &entry));
  return false;
}

}  // namespace

bool RemoveUserConfigFolder() {
  CPath folder;
  if (!GetSpecialFolder(CSIDL_LOCAL_APPDATA, folder) || !folder.Join(L"kestrel")) return false;
  DeleteTree(folder.Get());
  return ::GetFileAttributesW(folder.Get()) == INVALID_FILE_ATTRIBUTES;
}

bool StartSelfRemoval(const CPath& programFolder) {
  CPath uninstaller(programFolder.Get());
  if (uninstaller.Join(kUninstallerFile))
    ::SHChangeNotify(SHCNE_DELETE, SHCNF_PATHW, uninstaller.Get(), nullptr);
  CPath shell;
  CPath ping;
  CPath systemFolder;
  CPath windowsFolder;
  if (!IsProductFolderName(programFolder.Get()) || IsOrHoldsLink(programFolder) ||
      !SystemShell(shell, ping, systemFolder) || HasStrayRdEntry(systemFolder) ||
      !GetWindowsFolder(windowsFolder))
    return false;
  // The command line starts with the shell's own quoted path, as the system would write it.
  wchar_t commandLine[kSelfRemovalCapacity];
  wchar_t parameters[kSelfRemovalCapacity];
  wchar_t environment[kShellEnvironmentCapacity];
  if (!FormatSelfRemovalParameters(programFolder.Get(), ping.Get(), parameters,
                                   kSelfRemovalCapacity) ||
      !JoinText(commandLine, L"\"", shell.Get(), L"\" ", parameters) ||
      !FormatShellEnvironment(windowsFolder.Get(), systemFolder.Get(), environment,
                              kShellEnvironmentCapacity))
    return false;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION started = {};
  if (!::CreateProcessW(shell.Get(), commandLine, nullptr, nullptr, FALSE,
                        CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW, environment,
                        systemFolder.Get(), &startup, &started))
    return false;
  CKernelHandle process(started.hProcess);
  CKernelHandle thread(started.hThread);
  return true;
}

}  // namespace kst
