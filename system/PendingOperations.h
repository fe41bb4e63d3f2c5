// The system's queue of file operations for the next restart (the Session Manager's
// PendingFileRenameOperations value): pairs of NUL-terminated paths, the source in the NT form
// ("\??\C:\..."), then the target, or an empty string for a deletion. Platform-free.
#pragma once

#include <stddef.h>

#include "install/ProductComponents.h"

namespace kst {

// Whether the last component of path is an in-use product file's renamed copy (kInUseMark).
bool IsInUseCopyName(const wchar_t* path);

// Removes from the queue (length characters, the pairs one after another) every pair whose source
// lies in one of the folders (full paths, compared without case for ASCII letters), except the
// deletions of renamed in-use copies, which must still go. Returns the new length; dropped tells
// how many pairs went. A queue that ends in the middle of a pair keeps that rest as it is.
size_t DropOperationsIn(wchar_t* queue, size_t length, const wchar_t* const* folders,
                        size_t folderCount, int& dropped);

}  // namespace kst
