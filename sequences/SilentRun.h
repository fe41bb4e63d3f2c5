// The install or removal of a run with /S: the same sequences as the main button, driving a dialog
// that has no window. What the window would show goes to the log only, and no window of the
// program's own is ever created: no frame, no dialog, no message box.
#pragma once

#include "sequences/ExitCode.h"
#include "sequences/SequenceDialog.h"

namespace kst {

// Runs the install, or the removal in uninstall mode, with the options given (the consent
// included). The result is the code of the first refusal, failure or warning, or kDone.
ExitCode RunSilently(bool uninstall, const InstallerOptions& options);

}  // namespace kst
