// Where this program and the system's own programs are, as bounded paths.
#pragma once

#include "base/Path.h"

namespace kst {

// The system folder (System32), where every program and DLL the installer starts or loads by
// itself comes from. False, leaving path empty, when it cannot be read whole.
bool GetSystemFolder(CPath& path);

// The system's Windows folder (the one that holds System32), also under Terminal Services. False,
// leaving path empty, when it cannot be read whole.
bool GetWindowsFolder(CPath& path);

// This program's own file. False, leaving path empty, when its name does not fit a path.
bool GetProgramPath(CPath& path);

}  // namespace kst
