// The mode question: one executable is the installer, and its copy in the program folder the
// uninstaller.
#pragma once

namespace kst {

// True when the running executable's full path contains "uninstall.exe" (case-sensitive).
bool IsUninstallMode();
bool IsUninstallPath(const wchar_t* modulePath);

// True when the running executable lies in the program folder of an install, as an uninstaller
// must.
bool BelongsToAnInstall();

}  // namespace kst
