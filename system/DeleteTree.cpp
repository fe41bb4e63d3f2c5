#include "system/DeleteTree.h"

#include <windows.h>

#include "base/Handles.h"
#include "base/Path.h"

namespace kst {
namespace {

int RemoveEntry(const CPath& path, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    // The link goes, whatever it points to stays.
    BOOL removed = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? ::RemoveDirectoryW(path.Get())
                                                           : ::DeleteFileW(path.Get());
    return removed ? 1 : 0;
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return DeleteTree(path.Get());
  return ::DeleteFileW(path.Get()) ? 1 : 0;
}

}  // namespace

int IsBareDriveSpec(const wchar_t* path) {
  return path[0] != L'\0' && path[1] == L':' && path[2] == L'\0';
}

int DeleteTree(const wchar_t* folder) {
  // "C:" names the current folder of that drive, so it is not searched and not removed.
  if (IsBareDriveSpec(folder)) return 0;
  CPath pattern;
  if (!pattern.Assign(folder) || !pattern.Append(L"\\*.*")) return 0;
  WIN32_FIND_DATAW entry;
  CFindHandle search(::FindFirstFileW(pattern.Get(), &entry));
  if (!search) return 0;
  int removed = 0;
  do {
    if (entry.cFileName[0] == L'.') continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) break;
    // An entry whose path does not fit is left alone rather than taken for a shorter path.
    CPath path(folder);
    if (!path.Join(entry.cFileName)) continue;
    removed += RemoveEntry(path, entry.dwFileAttributes);
  } while (::FindNextFileW(search.Get(), &entry));
  search.Reset();
  if (::RemoveDirectoryW(folder)) ++removed;
  return removed;
}

}  // namespace kst
