// Which way a program is started for the user: by the desktop's shell where one answers, as the
// desktop's user, else by the installer's own shell. A thread without COM reaches no desktop
// shell, which is how a session without one looks to the installer.
#include <objbase.h>

#include <chrono>
#include <vector>

#include "InstallerSession.h"
#include "ProcessFacts.h"
#include "base/Handles.h"
#include "system/ShellOpen.h"
#include <gtest/gtest.h>

namespace kst::test {
namespace {

using namespace std::chrono_literals;

std::wstring SystemProgram(const wchar_t* name) {
  wchar_t folder[MAX_PATH] = L"";
  ::GetSystemDirectoryW(folder, MAX_PATH);
  return std::wstring(folder) + L"\\" + name;
}

void EndProcesses(const std::vector<DWORD>& processes) {
  for (DWORD id : processes) {
    CKernelHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
    if (process && ::TerminateProcess(process.Get(), 1))
      ::WaitForSingleObject(process.Get(), 10000);
  }
}

TEST(ShellStartTest, TheDesktopsShellStartsItWhereOneAnswersElseTheInstallersOwn) {
  struct Case {
    const char* name;
    bool com;
    ShellStart expected;
  } const cases[] = {
      {"a desktop shell answers", true, ShellStart::kDesktopShell},
      {"no desktop shell answers", false, ShellStart::kThisProgram},
  };
  const std::wstring program = SystemProgram(L"notepad.exe");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.com) {
      ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
    }
    EXPECT_EQ(OpenWithShell(nullptr, program.c_str()), c.expected);
    if (c.com) ::CoUninitialize();

    std::vector<DWORD> byShell;
    std::vector<DWORD> byThisProgram;
    EXPECT_TRUE(WaitUntil(
        [&] {
          byShell = StartedByDesktopShell(L"notepad.exe");
          byThisProgram = ChildProcesses(::GetCurrentProcessId(), L"notepad.exe");
          return byShell.size() + byThisProgram.size() == 1;
        },
        15s))
        << "started " << byShell.size() + byThisProgram.size() << " times";
    EXPECT_EQ(byShell.size(), c.expected == ShellStart::kDesktopShell ? 1u : 0u);
    EndProcesses(byShell);
    EndProcesses(byThisProgram);
  }
}

}  // namespace
}  // namespace kst::test
