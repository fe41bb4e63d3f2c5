#include "system/ProxySettings.h"

#include <ras.h>
#include <raserror.h>
#include <stdint.h>

#include "base/Handles.h"
#include "base/SystemLibrary.h"

namespace kst {
namespace {

using InternetSetOptionWFunction = BOOL(WINAPI*)(HINTERNET, DWORD, LPVOID, DWORD);
using RasEnumEntriesWFunction = DWORD(APIENTRY*)(LPCWSTR, LPCWSTR, LPRASENTRYNAMEW, LPDWORD,
                                                 LPDWORD);

constexpr wchar_t kLoopbackBypass[] = L"<-loopback>;";
// Filled from slot 0 on; the names are kept until the process ends.
wchar_t* connectionNames[kMaxRasConnections];

int StoredConnectionCount() {
  int count = 0;
  while (count < kMaxRasConnections && connectionNames[count] != nullptr) ++count;
  return count;
}

// Copies the entries' names into the free slots in the order given; the entries beyond the table
// are left out. Stops when memory runs out, keeping the names stored so far.
int StoreConnectionNames(const RASENTRYNAMEW* entries, size_t entryCount) {
  int stored = StoredConnectionCount();
  for (size_t i = 0; i < entryCount && stored < kMaxRasConnections; ++i) {
    const wchar_t* name = entries[i].szEntryName;
    size_t length = 0;
    while (length < RAS_MaxEntryName && name[length] != L'\0') ++length;
    wchar_t* copy = new wchar_t[length + 1]();
    if (copy == nullptr) break;
    for (size_t c = 0; c < length; ++c) copy[c] = name[c];
    connectionNames[stored++] = copy;
  }
  return stored;
}

// Reads every phone book's entries into the table; 0 when there are none or the system cannot say.
int ReadRasConnections() {
  auto rasEnumEntries =
      GetSystemFunction<RasEnumEntriesWFunction>(L"rasapi32.dll", "RasEnumEntriesW");
  if (rasEnumEntries == nullptr) return 0;

  // Asks for the size with room for one entry; with exactly one entry this succeeds already.
  RASENTRYNAMEW probe = {};
  probe.dwSize = sizeof(RASENTRYNAMEW);
  DWORD size = sizeof(RASENTRYNAMEW);
  DWORD entryCount = 0;
  DWORD result = rasEnumEntries(nullptr, nullptr, &probe, &size, &entryCount);
  if (result != ERROR_SUCCESS && result != ERROR_BUFFER_TOO_SMALL) return 0;
  if (entryCount == 0) return 0;

  // Room for the reported size as well as the reported count, whichever is larger, so that neither
  // the system's writing nor our reading can pass the end of the buffer.
  size_t recordCount = entryCount;
  size_t reportedRecords =
      (static_cast<size_t>(size) + sizeof(RASENTRYNAMEW) - 1) / sizeof(RASENTRYNAMEW);
  if (reportedRecords > recordCount) recordCount = reportedRecords;
  if (recordCount > SIZE_MAX / sizeof(RASENTRYNAMEW)) return 0;
  CGlobalMemory memory(::GlobalAlloc(GPTR, recordCount * sizeof(RASENTRYNAMEW)));
  if (!memory) return 0;
  RASENTRYNAMEW* records = static_cast<RASENTRYNAMEW*>(memory.Get());
  for (size_t i = 0; i < recordCount; ++i) records[i].dwSize = sizeof(RASENTRYNAMEW);

  int stored = 0;
  entryCount = 0;
  if (rasEnumEntries(nullptr, nullptr, records, &size, &entryCount) == ERROR_SUCCESS) {
    stored = StoreConnectionNames(records, entryCount < recordCount ? entryCount : recordCount);
  }
  return stored;
}

// Stops at the first connection WinINet refuses.
bool SetAllConnectionsProxy(bool proxyOn) {
  if (!SetConnectionProxy(nullptr, proxyOn)) return false;
  int count = EnumerateRasConnections();
  for (int slot = 0; slot < count && connectionNames[slot] != nullptr; ++slot) {
    if (!SetConnectionProxy(connectionNames[slot], proxyOn)) return false;
  }
  return true;
}

}  // namespace

void FillProxyOptionList(const wchar_t* connection, bool proxyOn,
                         INTERNET_PER_CONN_OPTIONW (&options)[kProxyOptionCount],
                         INTERNET_PER_CONN_OPTION_LISTW* list) {
  for (INTERNET_PER_CONN_OPTIONW& option : options) option = INTERNET_PER_CONN_OPTIONW();
  options[0].dwOption = INTERNET_PER_CONN_FLAGS;
  options[0].Value.dwValue = proxyOn ? (PROXY_TYPE_DIRECT | PROXY_TYPE_PROXY) : PROXY_TYPE_DIRECT;
  options[1].dwOption = INTERNET_PER_CONN_PROXY_SERVER;
  options[2].dwOption = INTERNET_PER_CONN_PROXY_BYPASS;
  // WinINet only reads the strings; its structures just have no const.
  options[2].Value.pszValue = proxyOn ? const_cast<wchar_t*>(kLoopbackBypass) : nullptr;
  options[3].dwOption = INTERNET_PER_CONN_AUTOCONFIG_URL;
  options[4].dwOption = INTERNET_PER_CONN_AUTODISCOVERY_FLAGS;

  *list = INTERNET_PER_CONN_OPTION_LISTW();
  list->dwSize = sizeof(INTERNET_PER_CONN_OPTION_LISTW);
  list->pszConnection = const_cast<wchar_t*>(connection);
  list->dwOptionCount = kProxyOptionCount;
  list->pOptions = options;
}

int EnumerateRasConnections() {
  int stored = StoredConnectionCount();
  return stored != 0 ? stored : ReadRasConnections();
}

bool SetConnectionProxy(const wchar_t* connection, bool proxyOn) {
  INTERNET_PER_CONN_OPTIONW options[kProxyOptionCount];
  INTERNET_PER_CONN_OPTION_LISTW list;
  FillProxyOptionList(connection, proxyOn, options, &list);
  // A WinINet that cannot be loaded refuses like one that is there.
  auto internetSetOption =
      GetSystemFunction<InternetSetOptionWFunction>(L"wininet.dll", "InternetSetOptionW");
  return internetSetOption != nullptr &&
         internetSetOption(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, sizeof(list)) &&
         internetSetOption(nullptr, INTERNET_OPTION_PROXY_SETTINGS_CHANGED, nullptr, 0);
}

// Switched on first and then off, so that every program that reads the settings sees a change
// and drops the product's proxy, whatever it held before.
bool ResetProxySettings() { return SetAllConnectionsProxy(true) && SetAllConnectionsProxy(false); }

}  // namespace kst
