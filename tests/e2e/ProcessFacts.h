// Processes that a program under test started, found in a process snapshot, and what they were
// started with, read from their own process parameters.
#pragma once

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace kst::test {

// Processes of that executable name (case-insensitive) whose parent is parentId, running or just
// ended while a handle keeps them listed.
std::vector<DWORD> ChildProcesses(DWORD parentId, const wchar_t* exeName);
// Those that the desktop's shell (explorer.exe) started, as it does for the installer.
std::vector<DWORD> StartedByDesktopShell(const wchar_t* exeName);

struct CProcessStart {
  std::wstring commandLine;
  std::wstring currentFolder;             // without the trailing backslash the system keeps
  std::vector<std::wstring> environment;  // NAME=value, in the block's order
};

std::optional<CProcessStart> ReadProcessStart(DWORD processId);

// True when the process has ended (or was gone already) within the time.
bool WaitForProcessExit(DWORD processId, std::chrono::milliseconds timeout);

// True when the process has loaded a module of that file name (case-insensitive), from wherever.
bool HasLoadedModule(DWORD processId, const wchar_t* fileName);

}  // namespace kst::test
