// What a handle tells and does about its own file, so that nothing is asked or done by a name that
// someone could swap meanwhile.
#pragma once

#include <windows.h>

#include "base/Handles.h"
#include "base/Path.h"

namespace kst {

// A final path puts "\\?\" or "\\?\UNC\" in front of a path of at most MAX_PATH.
constexpr size_t kFinalPathCapacity = kMaxPath + 8;

// Whether this Windows tells a handle's final path (Vista on; not XP).
bool CanReadFinalPaths();

// The handle's final path, every link on the way resolved; false where the system cannot tell it.
bool ReadFinalPath(HANDLE entry, wchar_t (&out)[kFinalPathCapacity]);

// The entry goes when its last handle closes.
bool MarkForDeletion(HANDLE entry);

// Gives the entry held (opened with DELETE access) the full path newPath, which must not be taken.
bool RenameEntry(HANDLE entry, const wchar_t* newPath);

// Opens the file at path as itself, never through a link at its last component, or creates it
// there. A file it creates is opened with DELETE as well, so that the caller can take it back
// through the same handle; created tells which.
CFileHandle OpenOrCreateEntry(const wchar_t* path, DWORD access, DWORD share, bool& created);

// Whether the entry held is at path (made full and long first), which a linked folder anywhere
// above it would change: its final path, or where this Windows cannot tell one (XP), the walk of
// IsReachedAlongPath.
bool IsAtPath(HANDLE entry, const wchar_t* path);

// Whether walking path (made full and long first) from its root, one folder at a time inside the
// one before and never through a link, reaches the entry held.
bool IsReachedAlongPath(HANDLE entry, const wchar_t* path);

// Whether the two describe one entry of one volume.
bool IsSameEntry(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b);

// Opens the entry at path itself, never what a link there points to, sharing everything unless
// told otherwise.
CFileHandle OpenEntryItself(const wchar_t* path, DWORD access,
                            DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);

enum class EntryAt {
  kFolder,
  kFile,       // with one name
  kLeftAlone,  // a link, a file with a second name, or not at path: the handle reaches elsewhere
};

// What the entry held through the handle is, looked at as it lies at path.
EntryAt ClassifyEntryAt(HANDLE entry, const wchar_t* path);

// A plain file with one name, and at path itself (IsAtPath).
bool IsPlainFileAt(HANDLE file, const wchar_t* path);

}  // namespace kst
