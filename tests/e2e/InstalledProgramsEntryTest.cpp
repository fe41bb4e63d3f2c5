// The entry in the system's list of installed programs names the uninstaller of the install that
// was made last: an install in the other scope takes the earlier scope's entry away, and an
// install without an uninstaller writes none.
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

#include "InstallState.h"
#include "InstallerProgram.h"
#include "InstallerSession.h"
#include "WholeRuns.h"
#include "base/Handles.h"
#include <gtest/gtest.h>

namespace kst::test {
namespace {

constexpr wchar_t kEntryKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Veltrin";

// The entry's uninstall command in the hive, if there is an entry.
std::optional<std::string> UninstallCommand(HKEY hive) {
  CRegKey key;
  if (::RegOpenKeyExW(hive, kEntryKey, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
    return std::nullopt;
  wchar_t command[1024] = L"";
  DWORD size = sizeof command - sizeof(wchar_t);
  if (::RegGetValueW(key.Get(), nullptr, L"UninstallString", RRF_RT_REG_SZ, nullptr, command,
                     &size) != ERROR_SUCCESS)
    return std::string();
  return Utf8(command);
}

std::string CommandFor(bool allUsers) {
  return "\"" + Utf8(PlacesFor(allUsers).programFolder) + "\\uninstall.exe\"";
}

class InstalledProgramsEntryTest : public CleanSystemTest {};

TEST_F(InstalledProgramsEntryTest, AnInstallInTheOtherScopeTakesTheEarlierEntryAway) {
  for (bool firstForAllUsers : {true, false}) {
    const bool secondForAllUsers = !firstForAllUsers;
    SCOPED_TRACE(firstForAllUsers ? "all users, then the current user"
                                  : "the current user, then all users");
    ClearInstallState();
    const HKEY firstHive = firstForAllUsers ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    const HKEY secondHive = secondForAllUsers ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;

    ASSERT_NO_FATAL_FAILURE(Install(firstForAllUsers));
    EXPECT_EQ(UninstallCommand(firstHive), CommandFor(firstForAllUsers));
    EXPECT_EQ(UninstallCommand(secondHive), std::nullopt);

    ASSERT_NO_FATAL_FAILURE(Install(secondForAllUsers));
    EXPECT_EQ(UninstallCommand(firstHive), std::nullopt);
    EXPECT_EQ(UninstallCommand(secondHive), CommandFor(secondForAllUsers));
  }
}

// A folder in the place of "uninstall.exe": the copy fails, the install goes on to its end.
TEST_F(InstalledProgramsEntryTest, AnInstallWhoseUninstallerCouldNotBeCopiedWritesNone) {
  const CInstallPlaces places = PlacesFor(true);
  ASSERT_TRUE(std::filesystem::create_directories(places.programFolder + L"\\uninstall.exe"));
  CInstallerSession installer;
  ASSERT_TRUE(installer.Start(InstallerPath()));

  ASSERT_TRUE(installer.Press(kMainButton));

  EXPECT_EQ(installer.TextOf(kMainButton), "退出");
  EXPECT_EQ(UninstallCommand(HKEY_LOCAL_MACHINE), std::nullopt);
  EXPECT_EQ(UninstallCommand(HKEY_CURRENT_USER), std::nullopt);
  ASSERT_TRUE(installer.PressLater(kMainButton));
  ASSERT_TRUE(installer.Process().WaitForExit(std::chrono::seconds(10)));
}

}  // namespace
}  // namespace kst::test
