#include "system/DeleteTree.h"

#include <windows.h>

#include "base/HandleFacts.h"
#include "base/Handles.h"
#include "base/Path.h"
#include "base/Text.h"

namespace kst {
namespace {

DeleteTreeEntryHook entryHook = nullptr;

// Looking at an entry needs no DELETE access: a folder held that way can still be listed by path
// (Wine's search cannot open a folder held with DELETE access), and one that another program
// holds without sharing deletion, such as its current folder, can still be emptied.
constexpr DWORD kLookAccess = FILE_READ_ATTRIBUTES | SYNCHRONIZE;
constexpr DWORD kRemoveAccess = DELETE | kLookAccess;

enum class EntryKind {
  kFile,
  kFolder,
  kLink,       // removed as an entry of its own, never entered
  kElsewhere,  // the handle reaches something other than the entry: left alone
};

// Where the walk listed an entry: the final path of the folder it holds (null where the system
// cannot tell it) and the entry's name there.
struct CListing {
  const wchar_t* folderFinalPath;
  const wchar_t* name;
};

// Opens the entry itself, never what a link points to. Others may go on reading and writing it
// but cannot rename or delete it while it is held, so a folder being emptied stays in its place.
CFileHandle OpenEntry(const wchar_t* path, DWORD access) {
  return CFileHandle(
      ::CreateFileW(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
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
  DWORD pathAttributes = ::GetFileAttributesW(path);
  if (pathAttributes != INVALID_FILE_ATTRIBUTES && (pathAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return EntryKind::kElsewhere;
  if (listing != nullptr && !IsListedEntry(entry, *listing)) return EntryKind::kElsewhere;
  return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? EntryKind::kFolder : EntryKind::kFile;
}

bool IsSameEntry(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

// Removal takes a handle of its own with DELETE access, opened once the entry was looked at (and
// emptied), and uses it only when it reaches that same entry: whatever took the name meanwhile
// stays.
int RemoveIfSame(const wchar_t* path, const BY_HANDLE_FILE_INFORMATION& seen) {
  CFileHandle entry = OpenEntry(path, kRemoveAccess);
  BY_HANDLE_FILE_INFORMATION info;
  if (!entry || !::GetFileInformationByHandle(entry.Get(), &info) || !IsSameEntry(info, seen))
    return 0;
  return MarkForDeletion(entry.Get()) ? 1 : 0;
}

int RemoveEntry(const CPath& path, const CListing* listing);

// Empties the folder held through held; false when it cannot be listed, and then it stays.
bool RemoveContents(const CPath& folder, HANDLE held, int& removed) {
  CPath pattern(folder.Get());
  if (!pattern.Append(L"\\*.*")) return false;
  WIN32_FIND_DATAW listed;
  CFindHandle search(::FindFirstFileW(pattern.Get(), &listed));
  if (!search) return false;
  wchar_t folderFinalPath[kFinalPathCapacity];
  bool finalPathKnown = ReadFinalPath(held, folderFinalPath);
  do {
    if (listed.cFileName[0] == L'.') continue;
    if (listed.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) break;
    // An entry whose path does not fit is left alone rather than taken for a shorter path.
    CPath path(folder.Get());
    if (!path.Join(listed.cFileName)) continue;
    if (entryHook != nullptr) entryHook(path.Get());
    CListing listing = {finalPathKnown ? folderFinalPath : nullptr, listed.cFileName};
    removed += RemoveEntry(path, &listing);
  } while (::FindNextFileW(search.Get(), &listed));
  return true;
}

int RemoveEntry(const CPath& path, const CListing* listing) {
  CFileHandle entry = OpenEntry(path.Get(), kLookAccess);
  BY_HANDLE_FILE_INFORMATION seen;
  if (!entry || !::GetFileInformationByHandle(entry.Get(), &seen)) return 0;
  EntryKind kind = Classify(entry.Get(), seen, path.Get(), listing);
  if (kind == EntryKind::kElsewhere) return 0;
  if (kind == EntryKind::kFile && listing == nullptr) return 0;  // a file given as the folder
  int removed = 0;
  if (kind == EntryKind::kFolder && !RemoveContents(path, entry.Get(), removed)) return removed;
  entry.Reset();
  return removed + RemoveIfSame(path.Get(), seen);
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
