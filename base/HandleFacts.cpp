#include "base/HandleFacts.h"

#include <winternl.h>

#include "base/FinalPath.h"
#include "base/SystemLibrary.h"

namespace kst {
namespace {

using FinalPathFunction = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);

FinalPathFunction FinalPathReader() {
  return GetSystemFunction<FinalPathFunction>(L"kernel32.dll", "GetFinalPathNameByHandleW");
}

}  // namespace

bool CanReadFinalPaths() { return FinalPathReader() != nullptr; }

bool ReadFinalPath(HANDLE entry, wchar_t (&out)[kFinalPathCapacity]) {
  FinalPathFunction finalPath = FinalPathReader();
  if (finalPath == nullptr) return false;
  DWORD length = finalPath(entry, out, kFinalPathCapacity, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  return length != 0 && length < kFinalPathCapacity;
}

// XP lacks SetFileInformationByHandle; there ntdll's NtSetInformationFile, which every version
// has, marks the same handle, where deleting by path would give the name one more chance to be
// swapped.
bool MarkForDeletion(HANDLE entry) {
  FILE_DISPOSITION_INFO disposition = {TRUE};
  using SetInformation = BOOL(WINAPI*)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD);
  if (auto set = GetSystemFunction<SetInformation>(L"kernel32.dll", "SetFileInformationByHandle"))
    return set(entry, FileDispositionInfo, &disposition, sizeof(disposition)) != FALSE;
  using NtSetInformation = NTSTATUS(NTAPI*)(HANDLE, IO_STATUS_BLOCK*, PVOID, ULONG, ULONG);
  constexpr ULONG kFileDispositionInformation = 13;
  auto ntSet = GetSystemFunction<NtSetInformation>(L"ntdll.dll", "NtSetInformationFile");
  IO_STATUS_BLOCK status;
  return ntSet != nullptr &&
         ntSet(entry, &status, &disposition, sizeof(disposition), kFileDispositionInformation) >= 0;
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
  if (!CanReadFinalPaths()) return true;
  CPath full;
  CPath intended;
  wchar_t finalPath[kFinalPathCapacity];
  DWORD fullLength = ::GetFullPathNameW(path, kMaxPath, full.Buffer(), nullptr);
  if (fullLength == 0 || fullLength >= kMaxPath) return false;
  DWORD longLength = ::GetLongPathNameW(full.Buffer(), intended.Buffer(), kMaxPath);
  return longLength != 0 && longLength < kMaxPath && ReadFinalPath(entry, finalPath) &&
         IsSameFinalPath(intended.Buffer(), finalPath);
}

CFileHandle OpenEntryItself(const wchar_t* path, DWORD access) {
  return CFileHandle(::CreateFileW(
      path, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
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
