#include "base/HandleFacts.h"

#include <winternl.h>

#include "base/FinalPath.h"
#include "base/RelativeFiles.h"
#include "base/SystemLibrary.h"
#include "base/Text.h"

namespace kst {
namespace {

using FinalPathFunction = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);

FinalPathFunction FinalPathReader() {
  return GetSystemFunction<FinalPathFunction>(L"kernel32.dll", "GetFinalPathNameByHandleW");
}

// The path made full and in long names, as a handle's final path would give it.
bool MakeFullLongPath(const wchar_t* path, CPath& out) {
  CPath full;
  DWORD fullLength = ::GetFullPathNameW(path, kMaxPath, full.Buffer(), nullptr);
  if (fullLength == 0 || fullLength >= kMaxPath) return false;
  DWORD longLength = ::GetLongPathNameW(full.Buffer(), out.Buffer(), kMaxPath);
  if (longLength == 0 || longLength >= kMaxPath) return false;
  out.Sync();
  return true;
}

// Whether the walk along fullLongPath reaches the entry held.
bool IsReachedAt(HANDLE entry, const wchar_t* fullLongPath) {
  CFileHandle reached = OpenAlongPath(fullLongPath, FILE_READ_ATTRIBUTES);
  BY_HANDLE_FILE_INFORMATION held;
  BY_HANDLE_FILE_INFORMATION found;
  return reached && ::GetFileInformationByHandle(entry, &held) &&
         ::GetFileInformationByHandle(reached.Get(), &found) && IsSameEntry(held, found);
}

// ntdll's NtSetInformationFile, which every version has (XP lacks SetFileInformationByHandle):
// the change goes to the entry held, where doing it by path would give the name one more chance
// to be swapped.
bool SetEntryInformation(HANDLE entry, void* information, ULONG size, ULONG informationClass) {
  using NtSetInformation = NTSTATUS(NTAPI*)(HANDLE, IO_STATUS_BLOCK*, PVOID, ULONG, ULONG);
  auto ntSet = GetSystemFunction<NtSetInformation>(L"ntdll.dll", "NtSetInformationFile");
  IO_STATUS_BLOCK status;
  return ntSet != nullptr &&
         !ReportsNtFailure(ntSet(entry, &status, information, size, informationClass));
}

}  // namespace

bool CanReadFinalPaths() { return FinalPathReader() != nullptr; }

bool ReadFinalPath(HANDLE entry, wchar_t (&out)[kFinalPathCapacity]) {
  FinalPathFunction finalPath = FinalPathReader();
  if (finalPath == nullptr) return false;
  DWORD length = finalPath(entry, out, kFinalPathCapacity, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  return length != 0 && length < kFinalPathCapacity;
}

bool MarkForDeletion(HANDLE entry) {
  FILE_DISPOSITION_INFO disposition = {TRUE};
  constexpr ULONG kFileDispositionInformation = 13;
  return SetEntryInformation(entry, &disposition, sizeof(disposition), kFileDispositionInformation);
}

// With the path in the NT form, which the system takes as it stands.
bool RenameEntry(HANDLE entry, const wchar_t* newPath) {
  struct RenameInformation {
    BOOLEAN replaceIfExists;
    HANDLE rootDirectory;
    ULONG fileNameLength;
    wchar_t fileName[kMaxPath + 4];
  } rename = {};
  if (!JoinText(rename.fileName, L"\\??\\", newPath)) {
    ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  rename.fileNameLength = static_cast<ULONG>(WideLength(rename.fileName) * sizeof(wchar_t));
  constexpr ULONG kFileRenameInformation = 10;
  return SetEntryInformation(entry, &rename, sizeof(rename), kFileRenameInformation);
}

CFileHandle OpenOrCreateEntry(const wchar_t* path, DWORD access, DWORD share, bool& created) {
  constexpr DWORD kFlags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
  created = false;
  CFileHandle file(::CreateFileW(path, access, share, nullptr, OPEN_EXISTING, kFlags, nullptr));
  if (file || ::GetLastError() != ERROR_FILE_NOT_FOUND) return file;
  file.Reset(::CreateFileW(path, access | DELETE, share, nullptr, CREATE_NEW, kFlags, nullptr));
  created = static_cast<bool>(file);
  return file;
}

bool IsPlainFileAt(HANDLE file, const wchar_t* path) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(file, &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0 ||
      info.nNumberOfLinks != 1)
    return false;
  return IsAtPath(file, path);
}

bool IsAtPath(HANDLE entry, const wchar_t* path) {
  CPath intended;
  if (!MakeFullLongPath(path, intended)) return false;
  if (!CanReadFinalPaths()) return IsReachedAt(entry, intended.Get());
  wchar_t finalPath[kFinalPathCapacity];
  return ReadFinalPath(entry, finalPath) && IsSameFinalPath(intended.Get(), finalPath);
}

bool IsReachedAlongPath(HANDLE entry, const wchar_t* path) {
  CPath intended;
  return MakeFullLongPath(path, intended) && IsReachedAt(entry, intended.Get());
}

bool IsSameEntry(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

CFileHandle OpenEntryItself(const wchar_t* path, DWORD access, DWORD share) {
  return CFileHandle(::CreateFileW(path, access, share, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                   nullptr));
}

// Wine shows a link to a folder only in the path's own attributes, and opens what a link to a
// file points to, which only the handle's final path gives away.
EntryAt ClassifyEntryAt(HANDLE entry, const wchar_t* path) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(entry, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
    return EntryAt::kLeftAlone;
  const DWORD pathAttributes = ::GetFileAttributesW(path);
  if (pathAttributes == INVALID_FILE_ATTRIBUTES ||
      (pathAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || !IsAtPath(entry, path))
    return EntryAt::kLeftAlone;
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return EntryAt::kFolder;
  return info.nNumberOfLinks == 1 ? EntryAt::kFile : EntryAt::kLeftAlone;
}

}  // namespace kst
