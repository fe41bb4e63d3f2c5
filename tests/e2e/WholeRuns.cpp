#include "WholeRuns.h"

#include <chrono>
#include <vector>

#include "InstallState.h"
#include "ProcessFacts.h"
#include <gtest/gtest.h>

namespace kst::test {

using namespace std::chrono_literals;

void Install(bool allUsers, const std::wstring& program, const std::wstring& workingFolder) {
  CInstallerSession installer;
  ASSERT_TRUE(installer.Start(program, true, workingFolder));
  if (!allUsers) {
    ASSERT_TRUE(installer.Press(kSettingsLink));
    ASSERT_TRUE(installer.Press(kAllUsersBox));
  }
  ASSERT_TRUE(installer.Press(kMainButton));
  ASSERT_EQ(installer.TextOf(kMainButton), "退出");
  ASSERT_TRUE(installer.PressLater(kMainButton));
  ASSERT_TRUE(installer.Process().WaitForExit(10s));
  CloseProductWindows();
}

void WaitForTheEnd(CInstallerSession& uninstaller, bool& startedShell) {
  ASSERT_TRUE(uninstaller.Process().WaitForExit(30s));
  EXPECT_EQ(uninstaller.Process().ExitCode(), 0u);
  // The shell pings for seconds before it removes anything, so it is still there to be seen.
  std::vector<DWORD> shells = ChildProcesses(uninstaller.Process().Id(), L"cmd.exe");
  startedShell = !shells.empty();
  for (DWORD shell : shells) EXPECT_TRUE(WaitForProcessExit(shell, 60s));
}

void CleanSystemTest::SetUp() {
  ASSERT_FALSE(InstallerPath().empty()) << "KST_INSTALLER is not set";
  ASSERT_TRUE(EndEarlierInstallers(10s));
  ClearInstallState();
}

void CleanSystemTest::TearDown() { ClearInstallState(); }

}  // namespace kst::test
