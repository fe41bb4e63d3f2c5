#include "InstallerProgram.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "base/Handles.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestWindows.h"

namespace kst::test {
namespace {

// Installer and uninstaller share it; the program never closes it, so it exists exactly as long
// as an instance runs.
constexpr wchar_t kInstanceMutexName[] = L"instkst.exe";

}  // namespace

std::wstring InstallerPath() {
  const wchar_t* path = _wgetenv(L"KST_INSTALLER");
  return path != nullptr ? path : L"";
}

std::wstring MakeScratchFolder(const std::wstring& name) {
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  std::wstring folder = std::wstring(temp) + L"kst-e2e\\" + name;
  RemoveTree(folder);
  ::SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
  return folder;
}

std::wstring CopyInstallerTo(const std::wstring& folder, const std::wstring& fileName) {
  ::SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
  std::wstring target = folder + L"\\" + fileName;
  ::CopyFileW(InstallerPath().c_str(), target.c_str(), FALSE);
  return target;
}

bool EndEarlierInstallers(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  std::vector<DWORD> ended;
  for (;;) {
    CKernelHandle mutex(::OpenMutexW(SYNCHRONIZE, FALSE, kInstanceMutexName));
    if (!mutex) return true;
    for (HWND frame : FindTopLevelWindows(0, kFrameClassName)) {
      DWORD id = 0;
      ::GetWindowThreadProcessId(frame, &id);
      CKernelHandle process(::OpenProcess(PROCESS_TERMINATE, FALSE, id));
      if (!process || std::find(ended.begin(), ended.end(), id) != ended.end()) continue;
      ::TerminateProcess(process.Get(), 1);
      ended.push_back(id);
      std::fprintf(stderr, "ended installer process %lu that something earlier left running\n", id);
    }
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace kst::test
