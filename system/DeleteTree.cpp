#include "system/DeleteTree.h"

#include <windows.h>

#include "base/HandleFacts.h"
#include "base/Handles.h"
#include "base/Path.h"
#include "base/RelativeFiles.h"
#include "base/Text.h"

namespace kst {
namespace {

DeleteTreeEntryHook entryHook = nullptr;

// Looking at an entry needs no DELETE access, so one that another program holds without sharing
// deletion, such as its current folder, can still be emptied.
constexpr DWORD kLookAccess = FILE_READ_ATTRIBUTES | SYNCHRONIZE;
constexpr DWORD kRemoveAccess = DELETE | kLookAccess;
// Others may go on reading and writing what the walk holds but cannot rename or delete it, so a
// folder being emptied stays in its place.
constexpr DWORD kWalkShare = FILE_SHARE_READ | FILE_SHARE_WRITE;

enum class EntryKind {
  kFile,
  kFolder,
  kLink,       // removed as an entry of its own, never entered
  kElsewhere,  // the handle reaches something other than the entry: left alone
};

// Where the walk listed an entry: the folder held open that lists it, that folder's final path
// (null where the system cannot tell it), and the entry's name and attributes there.
struct CListing {
  HANDLE folder;
  const wchar_t* folderFinalPath;
  const wchar_t* name;
  DWORD attributes;
};

// The folder DeleteTree was given is opened by its path, and kept only where it is at that path: a
// folder on the way swapped for a link would lead the walk into someone else's tree. All below it
// is opened inside the folder holding it.
CFileHandle OpenEntry(const CPath& path, const CListing* listing, DWORD access) {
  if (listing != nullptr) return OpenInFolder(listing->folder, listing->name, access, kWalkShare);
  CFileHandle entry = OpenEntryItself(path.Get(), access, kWalkShare);
  if (entry && !IsAtPath(entry.Get(), path.Get())) entry.Reset();
  return entry;
}

// Wine opens the target of a Unix symbolic link even when asked for the link itself; for a link
// to a file nothing but the handle's final path, which names the target, gives that away.
bool IsListedEntry(HANDLE entry, const CListing& listing) {
  if (listing.folderFinalPath == nullptr) return true;
  size_t folderLength = WideLength(listing.folderFinalPath);
  bool endsInSeparator = folderLength > 0 && listing.folderFinalPath[folderLength - 1] == L'\\';
  wchar_t expected[kFinalPathCapacity];
  wchar_t actual[kFinalPathCapacity];
  return JoinText(expected, listing.folderFinalPath, endsInSeparator ? L"" : L"\\", listing.name) &&
         ReadFinalPath(entry, actual) && ::lstrcmpiW(expected, actual) == 0;
}

// listing is null for the folder DeleteTree was given.
EntryKind Classify(HANDLE entry, const BY_HANDLE_FILE_INFORMATION& info, const wchar_t* path,
                   const CListing* listing) {
  if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return EntryKind::kLink;
  // Wine again: the path's own attributes still show a link to a folder where the handle does not.
  // They can only make the walk leave an entry alone, never steer it elsewhere.
  DWORD shown = ::GetFileAttributesW(path);
  if (shown != INVALID_FILE_ATTRIBUTES && (shown & FILE_ATTRIBUTE_REPARSE_POINT))
    return EntryKind::kElsewhere;
  if (listing != nullptr && !IsListedEntry(entry, *listing)) return EntryKind::kElsewhere;
  return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? EntryKind::kFolder : EntryKind::kFile;
}

// Removal takes a handle of its own with DELETE access, opened once the entry was looked at (and
// emptied), and uses it only when it reaches that same entry: whatever took the name meanwhile
// stays.
int RemoveIfSame(const CPath& path, const CListing* listing,
                 const BY_HANDLE_FILE_INFORMATION& seen) {
  CFileHandle entry = OpenEntry(path, listing, kRemoveAccess);
  BY_HANDLE_FILE_INFORMATION info;
  if (!entry || !::GetFileInformationByHandle(entry.Get(), &info) || !IsSameEntry(info, seen))
    return 0;
  return MarkForDeletion(entry.Get()) ? 1 : 0;
}

int RemoveEntry(const CPath& path, const CListing* listing);

// Empties the folder held through held, listing it and opening each entry through that handle;
// false when it cannot be listed, and then it stays.
bool RemoveContents(const CPath& folder, HANDLE held, int& removed) {
  wchar_t folderFinalPath[kFinalPathCapacity];
  const bool finalPathKnown = ReadFinalPath(held, folderFinalPath);
  CFolderListing listing(held);
  while (listing.Next()) {
    if (listing.Attributes() & FILE_ATTRIBUTE_SYSTEM) break;
    if (listing.Name()[0] == L'.') continue;
    // An entry whose path does not fit is left alone rather than taken for a shorter path.
    CPath path(folder.Get());
    if (!path.Join(listing.Name())) continue;
    if (entryHook != nullptr) entryHook(path.Get());
    CListing listed = {held, finalPathKnown ? folderFinalPath : nullptr, listing.Name(),
                       listing.Attributes()};
    removed += RemoveEntry(path, &listed);
  }
  return !listing.Failed();
}

int RemoveEntry(const CPath& path, const CListing* listing) {
  // Reading a file's data is not asked for: that would fail where another program denies it.
  const bool listedAsFolder =
      listing == nullptr || (listing->attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  CFileHandle entry =
      OpenEntry(path, listing, listedAsFolder ? kLookAccess | kFolderListAccess : kLookAccess);
  BY_HANDLE_FILE_INFORMATION seen;
  if (!entry || !::GetFileInformationByHandle(entry.Get(), &seen)) return 0;
  EntryKind kind = Classify(entry.Get(), seen, path.Get(), listing);
  if (kind == EntryKind::kElsewhere) return 0;
  if (kind == EntryKind::kFile && listing == nullptr) return 0;  // a file given as the folder
  int removed = 0;
  if (kind == EntryKind::kFolder && !RemoveContents(path, entry.Get(), removed)) return removed;
  entry.Reset();
  return removed + RemoveIfSame(path, listing, seen);
}

}  // namespace

bool IsBareDriveSpec(const wchar_t* path) {
  return path[0] != L'\0' && path[1] == L':' && path[2] == L'\0';
}

void SetDeleteTreeEntryHook(DeleteTreeEntryHook hook) { entryHook = hook; }

int DeleteTree(const wchar_t* folder) {
  // "C:" names the current folder of that drive, so it is not searched and not removed.
  if (IsBareDriveSpec(folder)) return 0;
  CPath root;
  if (!root.Assign(folder)) return 0;
  return RemoveEntry(root, nullptr);
}

}  // namespace kst
