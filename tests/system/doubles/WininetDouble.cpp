// A stand-in for the system's wininet.dll: InternetSetOptionW records every call with the
// per-connection options it was given, and fails the Nth call when KST_INET_FAIL_AT is N.
#include <windows.h>

#include <wininet.h>

#include <string>

#include "tests/system/doubles/DoubleLog.h"

namespace {

int callCount = 0;

std::wstring OptionText(const INTERNET_PER_CONN_OPTIONW& option) {
  std::wstring text = std::to_wstring(option.dwOption) + L":";
  switch (option.dwOption) {
    case INTERNET_PER_CONN_PROXY_SERVER:
    case INTERNET_PER_CONN_PROXY_BYPASS:
    case INTERNET_PER_CONN_AUTOCONFIG_URL:
      return text + kst::test::QuotedOrNull(option.Value.pszValue);
    default:
      return text + std::to_wstring(option.Value.dwValue);
  }
}

std::wstring OptionListText(const void* buffer, DWORD length) {
  if (buffer == nullptr) return L" buffer=null";
  const auto* list = static_cast<const INTERNET_PER_CONN_OPTION_LISTW*>(buffer);
  if (length < sizeof(*list)) return L" buffer too small";
  std::wstring text = L" size=" + std::to_wstring(list->dwSize) + L" connection=" +
                      kst::test::QuotedOrNull(list->pszConnection) + L" count=" +
                      std::to_wstring(list->dwOptionCount) + L" options=";
  if (list->pOptions == nullptr) return text + L"null";
  for (DWORD i = 0; i < list->dwOptionCount; ++i) {
    text += (i == 0 ? L"" : L" ") + OptionText(list->pOptions[i]);
  }
  return text;
}

}  // namespace

extern "C" BOOL WINAPI DoubleInternetSetOptionW(HINTERNET handle, DWORD option, LPVOID buffer,
                                                DWORD length) {
  ++callCount;
  std::wstring line = L"InternetSetOptionW " + std::to_wstring(option) + L" handle=" +
                      (handle != nullptr ? L"set" : L"null") + L" length=" +
                      std::to_wstring(length);
  if (option == INTERNET_OPTION_PER_CONNECTION_OPTION) {
    line += OptionListText(buffer, length);
  } else {
    line += std::wstring(L" buffer=") + (buffer != nullptr ? L"set" : L"null");
  }
  bool fail = std::to_wstring(callCount) == kst::test::EnvironmentText(L"KST_INET_FAIL_AT");
  kst::test::AppendDoubleLog(line + (fail ? L" -> failed" : L" -> ok"));
  if (fail) {
    ::SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return TRUE;
}

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  kst::test::LogDllAttachment(module, reason, L"wininet.dll");
  return TRUE;
}
