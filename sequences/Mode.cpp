#include "sequences/Mode.h"

#include <windows.h>

#include "base/Path.h"
#include "base/ProgramPaths.h"
#include "install/Folders.h"
#include "install/ProductComponents.h"

namespace kst {

bool IsUninstallPath(const wchar_t* modulePath) {
  return WideContains(modulePath, kUninstallerFile);
}

bool IsUninstallMode() {
  CPath path;
  GetProgramPath(path);
  return IsUninstallPath(path.Get());
}

bool BelongsToAnInstall() {
  CPath programFolder;
  return FindInstalledProgramFolder(programFolder);
}

}  // namespace kst
