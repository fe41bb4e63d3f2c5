#include "tests/support/TestFiles.h"

#include <windows.h>

#include <shellapi.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <regex>

namespace kst::test {
namespace {

template <typename Function>
Function WineExport(const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name)));
}

std::string UnixPath(const std::wstring& path) {
  using UnixNameFunction = char*(CDECL*)(const wchar_t*);
  auto unixName = WineExport<UnixNameFunction>("wine_get_unix_file_name");
  char* name = unixName ? unixName(path.c_str()) : nullptr;
  std::string unixPath = name ? name : "";
  HeapFree(GetProcessHeap(), 0, name);
  return unixPath;
}

// Wine splits the command line of a Unix program the Windows way (each argument goes in double
// quotes) and gives no handle to wait on: callers watch for the program's effect instead. Its
// process handle comes back null and its thread "handle" is a value of Wine's own that is no
// handle of ours (seen: 0x7a in a 32-bit test): closing it closed the test's next handle of that
// number, its key of the current user.
bool StartUnix(const char* program, std::initializer_list<std::string> arguments) {
  using DosNameFunction = wchar_t*(CDECL*)(const char*);
  auto dosName = WineExport<DosNameFunction>("wine_get_dos_file_name");
  wchar_t* application = dosName ? dosName(program) : nullptr;
  if (!application) return false;
  std::string line = program;
  for (const std::string& argument : arguments) line += " \"" + argument + "\"";
  std::wstring commandLine(line.begin(), line.end());
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  BOOL started = CreateProcessW(application, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                nullptr, &startup, &process);
  HeapFree(GetProcessHeap(), 0, application);
  if (process.hProcess) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  return started;
}

// Whether the folder's listing shows the entry: a link shows there even when its target is gone.
bool Listed(const std::wstring& path) {
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW(path.c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

bool WaitUntilListed(const std::wstring& path, bool listed) {
  for (int i = 0; i < 200; ++i) {
    if (Listed(path) == listed) return true;
    Sleep(50);
  }
  return false;
}

}  // namespace

std::vector<char> ReadFileBytes(const std::wstring& path) {
  std::ifstream file(std::filesystem::path(path), std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::vector<std::string> LogLinesWithoutTime(const std::string& text) {
  static const std::regex timed("^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2} (.*)$");
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    std::smatch match;
    const std::string line = text.substr(start, end - start);
    lines.push_back(std::regex_match(line, match, timed) ? match[1].str() : "untimed: " + line);
  }
  if (start != text.size()) lines.push_back("unended: " + text.substr(start));
  return lines;
}

void RemoveTree(const std::wstring& path) {
  if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  std::wstring from = path + L'\0';  // the operation takes a double-zero-terminated list
  SHFILEOPSTRUCTW operation = {};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
  ::SHFileOperationW(&operation);
}

std::vector<std::wstring> ListFolder(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring name = entry.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(search, &entry));
  FindClose(search);
  return names;
}

bool MakeLink(const std::wstring& link, const std::wstring& target) {
  std::string unixLink = UnixPath(link);
  std::string unixTarget = UnixPath(target);
  return !unixLink.empty() && !unixTarget.empty() &&
         StartUnix("/bin/ln", {"-s", unixTarget, unixLink}) && WaitUntilListed(link, true);
}

bool RemoveLink(const std::wstring& link) {
  // A link whose target is gone shows to Windows calls as nothing, but stays, and comes back to
  // life when a folder is made where it points; it is removed all the same, with nothing to wait
  // for.
  const bool listed = Listed(link);
  std::string unixLink = UnixPath(link);
  if (unixLink.empty()) return !listed;
  return StartUnix("/bin/rm", {"-f", unixLink}) && (!listed || WaitUntilListed(link, false));
}

}  // namespace kst::test
