#include "ProcessFacts.h"

#include <tlhelp32.h>
#include <winternl.h>

#include "base/Handles.h"

namespace kst::test {
namespace {

// The start of RTL_USER_PROCESS_PARAMETERS as the system lays it out; winternl.h shows only the
// command line of it.
struct CProcessParametersHead {
  ULONG maximumLength;
  ULONG length;
  ULONG flags;
  ULONG debugFlags;
  HANDLE consoleHandle;
  ULONG consoleFlags;
  HANDLE standardInput;
  HANDLE standardOutput;
  HANDLE standardError;
  UNICODE_STRING currentDirectory;
  HANDLE currentDirectoryHandle;
  UNICODE_STRING dllPath;
  UNICODE_STRING imagePathName;
  UNICODE_STRING commandLine;
  const wchar_t* environment;
};

bool ReadRemote(HANDLE process, const void* address, void* out, size_t size) {
  SIZE_T done = 0;
  return ::ReadProcessMemory(process, address, out, size, &done) && done == size;
}

std::optional<std::wstring> ReadRemoteText(HANDLE process, const UNICODE_STRING& text) {
  std::wstring result(text.Length / sizeof(wchar_t), L'\0');
  if (!result.empty() && !ReadRemote(process, text.Buffer, result.data(), text.Length))
    return std::nullopt;
  return result;
}

// The strings of an environment block, read up to the empty one that ends it, a page at a time:
// the block may end near the end of its last page.
std::optional<std::vector<std::wstring>> ReadRemoteEnvironment(HANDLE process,
                                                               const wchar_t* block) {
  constexpr size_t kPage = 4096;
  constexpr size_t kLimit = 64 * 1024;
  std::wstring text;
  uintptr_t address = reinterpret_cast<uintptr_t>(block);
  while (text.size() * sizeof(wchar_t) < kLimit) {
    const size_t bytes = kPage - address % kPage;
    std::wstring chunk(bytes / sizeof(wchar_t), L'\0');
    if (!ReadRemote(process, reinterpret_cast<const void*>(address), chunk.data(), bytes))
      return std::nullopt;
    text += chunk;
    address += bytes;
    const size_t end = text[0] == L'\0' ? 0 : text.find(std::wstring(2, L'\0'));
    if (end == std::wstring::npos) continue;
    std::vector<std::wstring> strings;
    for (size_t at = 0; at <= end && text[at] != L'\0'; at = text.find(L'\0', at) + 1)
      strings.push_back(text.substr(at, text.find(L'\0', at) - at));
    return strings;
  }
  return std::nullopt;
}

std::vector<PROCESSENTRY32W> ListProcesses() {
  std::vector<PROCESSENTRY32W> processes;
  CKernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot || snapshot.Get() == INVALID_HANDLE_VALUE) return processes;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more;
       more = ::Process32NextW(snapshot.Get(), &entry))
    processes.push_back(entry);
  return processes;
}

}  // namespace

std::vector<DWORD> ChildProcesses(DWORD parentId, const wchar_t* exeName) {
  std::vector<DWORD> children;
  for (const PROCESSENTRY32W& entry : ListProcesses()) {
    if (entry.th32ParentProcessID == parentId && ::lstrcmpiW(entry.szExeFile, exeName) == 0)
      children.push_back(entry.th32ProcessID);
  }
  return children;
}

std::vector<DWORD> StartedByDesktopShell(const wchar_t* exeName) {
  std::vector<DWORD> started;
  for (const PROCESSENTRY32W& shell : ListProcesses()) {
    if (::lstrcmpiW(shell.szExeFile, L"explorer.exe") != 0) continue;
    for (DWORD child : ChildProcesses(shell.th32ProcessID, exeName)) started.push_back(child);
  }
  return started;
}

std::optional<CProcessStart> ReadProcessStart(DWORD processId) {
  CKernelHandle process(
      ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
  if (!process) return std::nullopt;
  PROCESS_BASIC_INFORMATION basic = {};
  if (::NtQueryInformationProcess(process.Get(), ProcessBasicInformation, &basic, sizeof basic,
                                  nullptr) != 0)
    return std::nullopt;
  PEB peb = {};
  CProcessParametersHead parameters = {};
  if (!ReadRemote(process.Get(), basic.PebBaseAddress, &peb, sizeof peb) ||
      !ReadRemote(process.Get(), peb.ProcessParameters, &parameters, sizeof parameters))
    return std::nullopt;
  auto commandLine = ReadRemoteText(process.Get(), parameters.commandLine);
  auto currentFolder = ReadRemoteText(process.Get(), parameters.currentDirectory);
  auto environment = ReadRemoteEnvironment(process.Get(), parameters.environment);
  if (!commandLine || !currentFolder || !environment) return std::nullopt;
  if (currentFolder->size() > 3 && currentFolder->back() == L'\\') currentFolder->pop_back();
  return CProcessStart{*commandLine, *currentFolder, *environment};
}

bool WaitForProcessExit(DWORD processId, std::chrono::milliseconds timeout) {
  CKernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, processId));
  return !process ||
         ::WaitForSingleObject(process.Get(), static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

bool HasLoadedModule(DWORD processId, const wchar_t* fileName) {
  CKernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId));
  if (!snapshot || snapshot.Get() == INVALID_HANDLE_VALUE) return false;
  MODULEENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Module32FirstW(snapshot.Get(), &entry); more;
       more = ::Module32NextW(snapshot.Get(), &entry)) {
    if (::lstrcmpiW(entry.szModule, fileName) == 0) return true;
  }
  return false;
}

}  // namespace kst::test
