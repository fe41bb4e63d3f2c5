// The command line of the hidden shell that removes the program folder once the uninstaller has
// ended, platform-free.
#pragma once

#include <stddef.h>

namespace kst {

// The shell's parameters. False, leaving out empty, when they would not fit or the folder holds
// a character the shell would read as more than a name.
bool FormatSelfRemovalParameters(const wchar_t* programFolder, wchar_t* out, size_t capacity);

// Only a folder of the product is ever handed to the shell.
bool IsProductFolderName(const wchar_t* programFolder);

}  // namespace kst
