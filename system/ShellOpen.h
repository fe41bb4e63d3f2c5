// Web pages and the product opened through the shell on the user's behalf. The installer runs
// elevated and is usually started from a downloads folder; a program it starts would inherit that
// as its working folder and could load a DLL that anyone left there. What it opens starts in a
// folder the installer chooses instead.
#pragma once

#include <windows.h>

namespace kst {

// Opens target (a web address, or a program by its full path) with the program the shell has for
// it, started in workingFolder, or in the system folder when that is null. True when the shell
// started it; nothing is started when the system folder cannot be had.
bool OpenWithShell(HWND owner, const wchar_t* target, const wchar_t* workingFolder = nullptr);

}  // namespace kst
