// The uninstaller is a copy of the running installer, taken from the program's own file as it
// was when the program started: the user who owns the downloads folder cannot rename or replace
// that file while the elevated window waits, and a file swapped before the start is refused.
#pragma once

#include "base/Handles.h"
#include "install/EmbeddedFiles.h"

namespace kst {

// The program's own file, open for reading while this object lives and shared for reading only,
// so that nobody can write, rename or delete it meanwhile. One at a time, made first in the run.
class CProgramFileHold {
 public:
  CProgramFileHold();
  ~CProgramFileHold();
  CProgramFileHold(const CProgramFileHold&) = delete;
  CProgramFileHold& operator=(const CProgramFileHold&) = delete;

 private:
  CFileHandle file_;
};

// Writes the held file as the program folder's uninstall.exe, after checking that it holds every
// product file's slot exactly as the running program has it in memory. kDamaged when no file is
// held, it cannot be read, or it is not the program that runs; kCannotCreate when the path would
// not fit; otherwise as WriteWholeFile.
FileResult InstallUninstaller(const wchar_t* programFolder);

// Whether the program folder holds an uninstaller, also one that a failed copy left from before.
bool HasUninstaller(const wchar_t* programFolder);

}  // namespace kst
