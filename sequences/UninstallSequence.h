// The whole removal of the product, run from the uninstaller in the program folder.
#pragma once

#include "sequences/SequenceDialog.h"

namespace kst {

// An uninstaller outside the program folder of an install says so and is to end at once; true
// then.
bool RefuseStrayUninstaller(CSequenceDialog& dialog);

// Refuses (with a message box) while the product runs, outside an install or while the
// product's password lock is on; otherwise asks, removes everything, says goodbye and leaves a
// hidden shell that removes the program folder.
void RunUninstall(CSequenceDialog& dialog);

}  // namespace kst
