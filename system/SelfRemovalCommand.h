// The command line and the environment of the hidden shell that removes the program folder once
// the uninstaller has ended, platform-free.
#pragma once

#include <stddef.h>

namespace kst {

// The shell's parameters, with ping by the full path given: the user's PATH and PATHEXT, which
// the user's unelevated programs can change, never choose the program the elevated shell runs,
// and /d keeps out the AutoRun command of the user's Command Processor key. False, leaving out
// empty, when they would not fit, or the folder or ping's path holds a character the shell would
// read as more than a name.
bool FormatSelfRemovalParameters(const wchar_t* programFolder, const wchar_t* pingProgram,
                                 wchar_t* out, size_t capacity);

// The shell's whole environment, built from the system's folders alone: NAME=value strings
// sorted by name, as the system keeps them, ending in an empty one. Nothing of the user's
// environment reaches the elevated shell: its pipe stages start through ComSpec and find
// programs through PATH and PATHEXT. False, leaving out empty, when it would not fit.
bool FormatShellEnvironment(const wchar_t* windowsFolder, const wchar_t* systemFolder, wchar_t* out,
                            size_t capacity);

// Only a folder of the product is ever handed to the shell.
bool IsProductFolderName(const wchar_t* programFolder);

}  // namespace kst
