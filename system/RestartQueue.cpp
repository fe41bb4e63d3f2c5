#include "system/RestartQueue.h"

#include <windows.h>

#include "base/Handles.h"
#include "base/LastError.h"
#include "system/PendingOperations.h"

namespace kst {
namespace {

constexpr wchar_t kSessionManagerKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingValue[] = L"PendingFileRenameOperations";

// Whether folder holds anything but keptAlone (a file name, or null).
bool HoldsMoreThan(const CPath& folder, const wchar_t* keptAlone) {
  CPath pattern(folder.Get());
  WIN32_FIND_DATAW entry;
  if (!pattern.Join(L"*")) return true;
  CFindHandle search(::FindFirstFileW(pattern.Get(), &entry));
  if (!search) return false;
  do {
    if (IsDotEntry(entry.cFileName)) continue;
    if (keptAlone == nullptr || ::lstrcmpiW(entry.cFileName, keptAlone) != 0) return true;
  } while (::FindNextFileW(search.Get(), &entry));
  return false;
}

void Queue(const CPath& path, QueuedPathReport report, int& queued, bool& failed) {
  if (!::MoveFileExW(path.Get(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
    failed = true;
    return;
  }
  ++queued;
  if (report != nullptr) report(path.Get());
}

// What folder holds, each folder after its contents; a link is queued, never entered.
void QueueContents(const CPath& folder, QueuedPathReport report, int& queued, bool& failed) {
  CPath pattern(folder.Get());
  WIN32_FIND_DATAW entry;
  if (!pattern.Join(L"*")) {
    failed = true;
    return;
  }
  CFindHandle search(::FindFirstFileW(pattern.Get(), &entry));
  if (!search) return;
  do {
    if (IsDotEntry(entry.cFileName)) continue;
    CPath path(folder.Get());
    if (!path.Join(entry.cFileName)) {
      failed = true;
      continue;
    }
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
        !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
      QueueContents(path, report, queued, failed);
    Queue(path, report, queued, failed);
  } while (::FindNextFileW(search.Get(), &entry));
}

}  // namespace

int DropQueuedOperationsIn(const wchar_t* const* folders, size_t folderCount) {
  CRegKey key;
  HKEY opened = nullptr;
  if (!SucceededOrSetLastError(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0,
                                               KEY_QUERY_VALUE | KEY_SET_VALUE, &opened)))
    return -1;
  key.Reset(opened);
  DWORD type = 0;
  DWORD bytes = 0;
  LONG read = ::RegQueryValueExW(key.Get(), kPendingValue, nullptr, &type, nullptr, &bytes);
  if (read == ERROR_FILE_NOT_FOUND) return 0;
  if (!SucceededOrSetLastError(read) || type != REG_MULTI_SZ) return -1;
  // Room for a NUL the value may lack at its end.
  CGlobalMemory memory(::GlobalAlloc(GPTR, static_cast<SIZE_T>(bytes) + 2 * sizeof(wchar_t)));
  if (!memory) return -1;
  wchar_t* queue = static_cast<wchar_t*>(memory.Get());
  if (!SucceededOrSetLastError(::RegQueryValueExW(key.Get(), kPendingValue, nullptr, &type,
                                                  reinterpret_cast<BYTE*>(queue), &bytes)))
    return -1;
  int dropped = 0;
  const size_t length =
      DropOperationsIn(queue, bytes / sizeof(wchar_t), folders, folderCount, dropped);
  if (dropped == 0) return 0;
  // What is left is only the value's closing NUL (or nothing): the queue is empty.
  bool empty = true;
  for (size_t i = 0; i < length && empty; ++i) empty = queue[i] == L'\0';
  if (empty) return IsGone(::RegDeleteValueW(key.Get(), kPendingValue)) ? dropped : -1;
  const DWORD newBytes = static_cast<DWORD>(length * sizeof(wchar_t));
  return SucceededOrSetLastError(::RegSetValueExW(key.Get(), kPendingValue, 0, REG_MULTI_SZ,
                                                  reinterpret_cast<const BYTE*>(queue), newBytes))
             ? dropped
             : -1;
}

int QueueLeftoversForRestart(const CPath& folder, const wchar_t* keptAlone, QueuedPathReport report,
                             bool& failed) {
  failed = false;
  int queued = 0;
  if (!HoldsMoreThan(folder, keptAlone)) return 0;
  QueueContents(folder, report, queued, failed);
  Queue(folder, report, queued, failed);
  return queued;
}

}  // namespace kst
