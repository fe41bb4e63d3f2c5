// The DPI a window is drawn for. The manifest declares the program aware of the DPI (per monitor
// where Windows offers it, else system-wide), so Windows does not stretch its finished pixels:
// the program draws every pixel size for this DPI itself.
#pragma once

#include <windows.h>

namespace kst {

// The DPI of the system's screen: the one the process started with, which the dialog base units
// are measured at. 96 where the screen cannot be asked.
int SystemDpi();

// The window's own DPI, its monitor's, where Windows knows it per window (10 version 1607 and
// later); elsewhere, XP to 8.1 included, the system's.
int WindowDpi(HWND window);

// Stops the dialog manager from resizing the dialog, moving its controls and giving them new
// fonts when the DPI changes (Windows 10 version 1703 and later do that for dialogs of processes
// aware of the DPI per monitor): the dialog lays itself out anew for its own fonts and layout.
void TakeOverDialogDpiChanges(HWND dialog);

}  // namespace kst
