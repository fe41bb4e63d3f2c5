// Entries reached through the folder that holds them rather than by a path from the drive's root.
// A folder held open without delete sharing cannot be renamed, and nothing above it is looked at
// again, so no folder swapped for a link on the way can steer what is listed or opened inside it,
// on every Windows (XP included, which cannot tell a handle's final path).
#pragma once

#include <windows.h>

#include "base/Handles.h"

namespace kst {

// What a folder's handle needs for listing its entries and opening them.
constexpr DWORD kFolderListAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | SYNCHRONIZE;

// Room for a file name as a folder lists it, with the NUL.
constexpr size_t kNameCapacity = 256;

// Whether an ntdll status tells of a failure, which it then sets as the thread's last error.
bool ReportsNtFailure(LONG status);

// Opens the entry called name inside the folder held through folder: the entry itself, never what
// a link there points to. Sets the last error when it fails.
CFileHandle OpenInFolder(HANDLE folder, const wchar_t* name, DWORD access, DWORD share);

// The entries of the folder held through the handle given (opened with kFolderListAccess), read
// through that handle. "." and ".." are left out, and so is a name longer than a name can be.
class CFolderListing {
 public:
  explicit CFolderListing(HANDLE folder) : folder_(folder) {}
  CFolderListing(const CFolderListing&) = delete;
  CFolderListing& operator=(const CFolderListing&) = delete;

  // Moves to the next entry; false at the end, or when the folder cannot be read (Failed()).
  bool Next();
  bool Failed() const { return failed_; }
  const wchar_t* Name() const { return name_; }
  DWORD Attributes() const { return attributes_; }

 private:
  bool Fill();

  HANDLE folder_;
  alignas(8) unsigned char buffer_[2048];
  ULONG offset_ = 0;
  bool holdsEntries_ = false;
  bool restart_ = true;
  bool failed_ = false;
  wchar_t name_[kNameCapacity] = {};
  DWORD attributes_ = 0;
};

// Opens the entry at path (a full path in long names, "C:\..." or "\\server\share\...") by walking
// from its root one folder at a time, each opened inside the one before, and never through a link
// on the way; the last entry is opened as itself. Invalid when a folder on the way is a link or the
// walk cannot go on.
CFileHandle OpenAlongPath(const wchar_t* path, DWORD access);

}  // namespace kst
