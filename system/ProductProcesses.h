// The product's running programs as the installer and the uninstaller meet them: the windows
// that show they run, and the request that asks them to close.
#pragma once

namespace kst {

// True when the product's updater window, or its main window, exists.
bool IsUpdaterRunning();
bool IsMainProgramRunning();

// Asks the product's main window, then its updater window, to close, waiting 500 ms after each
// request. A window that answers is waited for, one the system reports as hung only for a few
// seconds. True when neither window is left afterwards.
bool CloseProductWindows();

}  // namespace kst
