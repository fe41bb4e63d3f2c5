// The whole removal of the product, run from the uninstaller in the program folder.
#pragma once

#include <windows.h>

#include <stddef.h>

#include "install/InstallSequence.h"

namespace kst {

// Asks the product's main window, then its updater window, to close, waiting 500 ms after
// each request.
void CloseProductWindows();

// Refuses (with a message box) while the product runs, outside an install or while the
// product's password lock is on; otherwise asks, removes everything, says goodbye and leaves a
// hidden shell that removes the program folder. Always 1.
int RunUninstall(HWND dialogWindow, const InstallerOptions& options);

// The parameters of the hidden "cmd" that removes the program folder once the uninstaller has
// ended. False, leaving out empty, when they would not fit.
bool FormatSelfRemovalParameters(const wchar_t* programFolder, wchar_t* out, size_t capacity);

// Only a folder of the product is ever handed to the shell.
bool IsProductFolderName(const wchar_t* programFolder);

}  // namespace kst
