// A stand-in for the system's rasapi32.dll: RasEnumEntriesW reports the phone-book entries named in
// KST_RAS_ENTRIES (separated by ";"), behaves like the system's on a small buffer or a record of
// the wrong size, returns KST_RAS_RESULT instead when that is set, and records every call.
#include <windows.h>

#include <ras.h>
#include <raserror.h>

#include <string>
#include <vector>

#include "tests/system/doubles/DoubleLog.h"

namespace {

std::vector<std::wstring> EntryNames() {
  std::vector<std::wstring> names;
  std::wstring list = kst::test::EnvironmentText(L"KST_RAS_ENTRIES");
  size_t start = 0;
  while (start < list.size()) {
    size_t end = list.find(L';', start);
    if (end == std::wstring::npos) end = list.size();
    names.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

DWORD Enumerate(RASENTRYNAMEW* entries, DWORD* size, DWORD* count) {
  std::wstring forced = kst::test::EnvironmentText(L"KST_RAS_RESULT");
  if (!forced.empty()) return std::stoul(forced);
  if (entries == nullptr || size == nullptr || count == nullptr) return ERROR_INVALID_PARAMETER;
  if (*size < sizeof(RASENTRYNAMEW)) return ERROR_INVALID_SIZE;
  for (DWORD i = 0; i < *size / sizeof(RASENTRYNAMEW); ++i) {
    if (entries[i].dwSize != sizeof(RASENTRYNAMEW)) return ERROR_INVALID_SIZE;
  }
  std::vector<std::wstring> names = EntryNames();
  DWORD needed = static_cast<DWORD>(names.size() * sizeof(RASENTRYNAMEW));
  *count = static_cast<DWORD>(names.size());
  if (*size < needed) {
    *size = needed;
    return ERROR_BUFFER_TOO_SMALL;
  }
  for (size_t i = 0; i < names.size(); ++i) {
    std::wstring name = names[i].substr(0, RAS_MaxEntryName);
    name.copy(entries[i].szEntryName, name.size());
    entries[i].szEntryName[name.size()] = L'\0';
    entries[i].dwFlags = REN_User;
  }
  *size = needed;
  return ERROR_SUCCESS;
}

}  // namespace

extern "C" DWORD APIENTRY DoubleRasEnumEntriesW(LPCWSTR reserved, LPCWSTR phonebook,
                                                LPRASENTRYNAMEW entries, LPDWORD size,
                                                LPDWORD count) {
  std::wstring line = L"RasEnumEntriesW reserved=" + kst::test::QuotedOrNull(reserved) +
                      L" phonebook=" + kst::test::QuotedOrNull(phonebook) + L" size=" +
                      (size != nullptr ? std::to_wstring(*size) : L"null");
  DWORD result = Enumerate(entries, size, count);
  line += L" -> " + std::to_wstring(result);
  if (size != nullptr) line += L" size=" + std::to_wstring(*size);
  if (count != nullptr) line += L" entries=" + std::to_wstring(*count);
  kst::test::AppendDoubleLog(line);
  return result;
}

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  kst::test::LogDllAttachment(module, reason, L"rasapi32.dll");
  return TRUE;
}
