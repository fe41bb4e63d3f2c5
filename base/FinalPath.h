// Whether an open file is where the program meant it to be: the path the system reports for the
// handle (its final path, every link on the way resolved) against the path the program built.
// Platform-free; the handle's side is in base/HandleFacts.h.
#pragma once

namespace kst {

// True when finalPath, as GetFinalPathNameByHandleW gives it ("\\?\C:\...", "\\?\UNC\server\..."),
// names the same place as intended, a full path in long names ("C:\...", "\\server\..."): the
// same components, letters compared without case (ASCII only: other letters must match exactly,
// which refuses rather than accepts), trailing separators ignored.
bool IsSameFinalPath(const wchar_t* intended, const wchar_t* finalPath);

}  // namespace kst
