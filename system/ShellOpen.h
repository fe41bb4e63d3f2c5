// Web pages and the product opened on the user's behalf. The installer runs elevated, or as the
// system account under a deployment tool: what it opens is started by the shell of the signed-in
// user's desktop, so that it runs with that user's own rights rather than the installer's. It is
// usually started from a downloads folder, which a program it starts itself would inherit as its
// working folder and could load a DLL that anyone left there; what it opens starts in a folder
// the installer chooses instead.
#pragma once

#include <windows.h>

namespace kst {

enum class ShellStart {
  kNotStarted,    // the shell could not start it, or the program runs as the system account
  kDesktopShell,  // started by the desktop's shell, as the desktop's user
  kThisProgram,   // no desktop shell answered: started by this program's shell, with its rights
};

// Opens target (a web address, or a program by its full path) with the program the shell has for
// it, started in workingFolder, or in the system folder when that is null. Nothing is started as
// the system account, nor when the system folder cannot be had.
ShellStart OpenWithShell(HWND owner, const wchar_t* target, const wchar_t* workingFolder = nullptr);

}  // namespace kst
