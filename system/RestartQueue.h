// Files and folders that only the next restart can remove, through the system's queue of
// pending file operations, and that queue kept clear of what a fresh install writes.
#pragma once

#include <stddef.h>

#include "base/Path.h"

namespace kst {

// Takes out of the queue every operation on an entry in one of the folders (full paths), except
// the deletions of renamed in-use copies: queued by a removal, they would delete what an install
// made since. Returns how many went, or -1 when the queue could not be read or written.
int DropQueuedOperationsIn(const wchar_t* const* folders, size_t folderCount);

// Called with each path as it is queued.
using QueuedPathReport = void (*)(const wchar_t* path);

// Queues for deletion at the next restart everything left in folder, each folder after what it
// holds and the folder itself last, links as entries of their own. Nothing is queued when nothing
// but the file called keptAlone is left (the running uninstaller, which the self-removal shell
// takes). Returns how many were queued; false in failed when one could not be.
int QueueLeftoversForRestart(const CPath& folder, const wchar_t* keptAlone, QueuedPathReport report,
                             bool& failed);

}  // namespace kst
