// The removal steps around the product's own folders: the user's configuration folder, and the
// hidden shell that removes the program folder once the uninstaller has ended.
#pragma once

#include <windows.h>

#include <stddef.h>

#include "base/Path.h"

namespace kst {

// The "kestrel" folder in the user's local application data, with everything in it. True when it
// is gone (or was never there).
bool RemoveUserConfigFolder();

// Starts the system's own command shell, hidden, in the system folder and with an environment of
// the system's folders alone, to remove the program folder and its uninstaller once they are no
// longer in use. Nothing is started when the folder
// is not the product's, when its command would not fit or could be misread, or when the system
// folder holds an entry the shell's "rd" would also remove, or while the program folder is a
// link or holds one, which the shell's "rd /s" could follow into someone else's files. True when
// the shell was started.
bool StartSelfRemoval(const CPath& programFolder);

}  // namespace kst
