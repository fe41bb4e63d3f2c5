#include "sequences/Mode.h"

#include <windows.h>

#include "base/Path.h"
#include "install/Folders.h"

namespace kst {

bool IsUninstallPath(const wchar_t* modulePath) {
  return WideContains(modulePath, L"uninstall.exe");
}

bool IsUninstallMode() {
  wchar_t path[kMaxPath] = {};
  ::GetModuleFileNameW(nullptr, path, kMaxPath);
  path[kMaxPath - 1] = L'\0';
  return IsUninstallPath(path);
}

bool BelongsToAnInstall() {
  CPath programFolder;
  return FindInstalledProgramFolder(programFolder) != 0;
}

}  // namespace kst
