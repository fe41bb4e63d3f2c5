// The shared log of the proxy tests: the stand-in DLLs and the program under test append one line
// per event to the file named by KST_DOUBLE_LOG, in UTF-8, so that the test can read back what
// happened in a process that may have ended abruptly. Each line is written through at once.
#pragma once

#include <windows.h>

#include <string>

namespace kst::test {

inline std::wstring EnvironmentText(const wchar_t* name) {
  wchar_t buffer[32768];
  DWORD length = ::GetEnvironmentVariableW(name, buffer, ARRAYSIZE(buffer));
  return length > 0 && length < ARRAYSIZE(buffer) ? std::wstring(buffer, length) : std::wstring();
}

inline std::wstring QuotedOrNull(const wchar_t* text) {
  return text != nullptr ? L"\"" + std::wstring(text) + L"\"" : L"null";
}

inline void AppendDoubleLog(const std::wstring& line) {
  std::wstring path = EnvironmentText(L"KST_DOUBLE_LOG");
  if (path.empty()) return;
  std::wstring withEnd = line + L"\n";
  int bytes = ::WideCharToMultiByte(CP_UTF8, 0, withEnd.c_str(), static_cast<int>(withEnd.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string utf8(bytes, '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, withEnd.c_str(), static_cast<int>(withEnd.size()), utf8.data(),
                        bytes, nullptr, nullptr);
  HANDLE file = ::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  ::WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  ::CloseHandle(file);
}

// Logs where the DLL was loaded from and that it was unloaded, which only an ordinary process exit
// (or FreeLibrary) does; a process that is terminated leaves no "unload" line.
inline void LogDllAttachment(HMODULE module, DWORD reason, const wchar_t* dllName) {
  if (reason == DLL_PROCESS_ATTACH) {
    wchar_t path[MAX_PATH] = L"";
    ::GetModuleFileNameW(module, path, MAX_PATH);
    AppendDoubleLog(std::wstring(L"load ") + dllName + L" " + path);
  } else if (reason == DLL_PROCESS_DETACH) {
    AppendDoubleLog(std::wstring(L"unload ") + dllName);
  }
}

}  // namespace kst::test
