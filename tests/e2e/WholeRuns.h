// Whole runs that several end-to-end tests build on: an install through the installer's window,
// and the end of an uninstall with the removal shell it leaves behind.
#pragma once

#include <string>

#include "InstallerProgram.h"
#include "InstallerSession.h"
#include <gtest/gtest.h>

namespace kst::test {

// An install of the kind through the window of the installer at `program`, started in
// `workingFolder` (the test's own when empty), with the product it started closed again.
void Install(bool allUsers, const std::wstring& program = InstallerPath(),
             const std::wstring& workingFolder = {});

// Waits until the uninstaller has ended and then until the removal shell it started, if any,
// has ended too, so that no shell of one test removes the install of the next. Whether a shell
// was started goes to startedShell.
void WaitForTheEnd(CInstallerSession& uninstaller, bool& startedShell);

// Tests that start on a system with no install of either kind and no installer of an earlier
// test still running, and leave no install behind.
class CleanSystemTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

}  // namespace kst::test
