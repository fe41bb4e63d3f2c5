#include "base/RelativeFiles.h"

#include <winternl.h>

#include <utility>

#include "base/Path.h"
#include "base/SystemLibrary.h"

namespace kst {
namespace {

// Every version of ntdll has these, XP's included.
using NtCreateFileFunction = NTSTATUS(NTAPI*)(HANDLE*, ACCESS_MASK, OBJECT_ATTRIBUTES*,
                                              IO_STATUS_BLOCK*, LARGE_INTEGER*, ULONG, ULONG, ULONG,
                                              ULONG, void*, ULONG);
using NtQueryDirectoryFunction = NTSTATUS(NTAPI*)(HANDLE, HANDLE, void*, void*, IO_STATUS_BLOCK*,
                                                  void*, ULONG, FILE_INFORMATION_CLASS, BOOLEAN,
                                                  UNICODE_STRING*, BOOLEAN);
using StatusToErrorFunction = ULONG(NTAPI*)(NTSTATUS);

constexpr NTSTATUS kNoMoreFiles = static_cast<NTSTATUS>(0x80000006L);
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

template <typename Function>
Function NtFunction(const char* name) {
  return GetSystemFunction<Function>(L"ntdll.dll", name);
}

size_t NameLength(const wchar_t* name) {
  size_t length = 0;
  while (length < kNameCapacity && name[length] != L'\0') ++length;
  return length;
}

// The object attributes of name inside folder; false for a name that is empty, too long or more
// than one name, which would not stay inside the folder.
bool DescribeInFolder(HANDLE folder, const wchar_t* name, UNICODE_STRING& text,
                      OBJECT_ATTRIBUTES& attributes) {
  const size_t length = NameLength(name);
  if (length == 0 || length == kNameCapacity) return false;
  for (size_t i = 0; i < length; ++i)
    if (name[i] == L'\\' || name[i] == L'/') return false;
  text.Length = text.MaximumLength = static_cast<USHORT>(length * sizeof(wchar_t));
  text.Buffer = const_cast<wchar_t*>(name);
  InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, folder, nullptr);
  return true;
}

// How many characters of path name its root folder: "C:\" or "\\server\share\"; 0 for neither.
size_t RootLength(const wchar_t* path) {
  if (path[0] != L'\0' && path[1] == L':' && path[2] == L'\\') return 3;
  if (path[0] != L'\\' || path[1] != L'\\') return 0;
  size_t length = 2;
  for (int separators = 0; separators < 2; ++separators) {
    const size_t start = length;
    while (path[length] != L'\0' && path[length] != L'\\') ++length;
    if (length == start) return 0;
    if (path[length] == L'\\') ++length;
  }
  return length;
}

// Copies the next name of path behind *rest into name and moves *rest past it and its separators.
bool TakeName(const wchar_t*& rest, wchar_t (&name)[kNameCapacity]) {
  size_t length = 0;
  while (rest[length] != L'\0' && rest[length] != L'\\') {
    if (length + 1 == kNameCapacity) return false;
    name[length] = rest[length];
    ++length;
  }
  name[length] = L'\0';
  rest += length;
  while (*rest == L'\\') ++rest;
  return length > 0;
}

// Wine opens what a Unix link to a folder points to, also when asked for the link itself; the
// name's own attributes still show the link. They can only make the walk stop, never steer it.
bool IsLink(HANDLE entry, const wchar_t* path) {
  BY_HANDLE_FILE_INFORMATION info;
  const DWORD shown = ::GetFileAttributesW(path);
  return !::GetFileInformationByHandle(entry, &info) ||
         (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
         shown == INVALID_FILE_ATTRIBUTES || (shown & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

}  // namespace

bool ReportsNtFailure(LONG status) {
  if (status >= 0) return false;
  auto toError = NtFunction<StatusToErrorFunction>("RtlNtStatusToDosError");
  ::SetLastError(toError != nullptr ? toError(status) : ERROR_ACCESS_DENIED);
  return true;
}

CFileHandle OpenInFolder(HANDLE folder, const wchar_t* name, DWORD access, DWORD share) {
  UNICODE_STRING text;
  OBJECT_ATTRIBUTES attributes;
  auto create = NtFunction<NtCreateFileFunction>("NtCreateFile");
  if (create == nullptr || !DescribeInFolder(folder, name, text, attributes)) {
    ::SetLastError(ERROR_INVALID_NAME);
    return CFileHandle();
  }
  constexpr ULONG kOptions =
      FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT | FILE_OPEN_FOR_BACKUP_INTENT;
  HANDLE entry = nullptr;
  IO_STATUS_BLOCK status;
  if (ReportsNtFailure(create(&entry, access | SYNCHRONIZE, &attributes, &status, nullptr, 0, share,
                              FILE_OPEN, kOptions, nullptr, 0)))
    return CFileHandle();
  return CFileHandle(entry);
}

bool CFolderListing::Fill() {
  auto query = NtFunction<NtQueryDirectoryFunction>("NtQueryDirectoryFile");
  IO_STATUS_BLOCK status;
  const NTSTATUS result =
      query != nullptr ? query(folder_, nullptr, nullptr, nullptr, &status, buffer_,
                               sizeof(buffer_), FileDirectoryInformation, FALSE, nullptr, restart_)
                       : kNoMoreFiles;
  restart_ = false;
  if (result == kNoMoreFiles) return false;
  failed_ = query == nullptr || ReportsNtFailure(result);
  holdsEntries_ = !failed_;
  offset_ = 0;
  return holdsEntries_;
}

bool CFolderListing::Next() {
  for (;;) {
    if (!holdsEntries_ && !Fill()) return false;
    const auto* entry = reinterpret_cast<const FILE_DIRECTORY_INFORMATION*>(buffer_ + offset_);
    if (entry->NextEntryOffset == 0)
      holdsEntries_ = false;
    else
      offset_ += entry->NextEntryOffset;
    const size_t length = entry->FileNameLength / sizeof(wchar_t);
    if (length == 0 || length >= kNameCapacity) continue;
    for (size_t i = 0; i < length; ++i) name_[i] = entry->FileName[i];
    name_[length] = L'\0';
    if (IsDotEntry(name_)) continue;
    attributes_ = entry->FileAttributes;
    return true;
  }
}

CFileHandle OpenAlongPath(const wchar_t* path, DWORD access) {
  const size_t rootLength = RootLength(path);
  CPath walked;
  if (rootLength == 0 || !walked.Assign(path)) return CFileHandle();
  walked.Buffer()[rootLength] = L'\0';
  walked.Sync();
  CFileHandle folder(::CreateFileW(walked.Get(), kFolderListAccess | FILE_READ_ATTRIBUTES,
                                   kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                   nullptr));
  const wchar_t* rest = path + rootLength;
  wchar_t name[kNameCapacity];
  while (folder && *rest != L'\0') {
    if (!TakeName(rest, name) || !walked.Join(name)) return CFileHandle();
    if (*rest == L'\0') return OpenInFolder(folder.Get(), name, access, kShareAll);
    // Held without delete sharing, no folder on the way can be renamed while the walk goes on.
    CFileHandle next = OpenInFolder(folder.Get(), name, kFolderListAccess | FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (!next || IsLink(next.Get(), walked.Get())) return CFileHandle();
    folder = std::move(next);
  }
  return folder;
}

}  // namespace kst
