// The installed-programs entry: written with every value for either hive, sized from the files
// really installed, and removed in the hive that the uninstaller's location implies.
#include <shlobj.h>

#include <string>

#include "system/AppsAndFeatures.h"
#include "system/Registry.h"
#include "tests/support/TestFiles.h"
#include "tests/system/RegistryState.h"
#include "version.h"
#include <gtest/gtest.h>

namespace kst {
namespace {

using kst_test::KeyExists;
using kst_test::ReadStoredValue;

std::wstring TextOf(HKEY root, const wchar_t* name) {
  auto value = ReadStoredValue(root, kUninstallEntryKey, name);
  if (!value.found || value.type != REG_SZ) return L"<missing>";
  return std::wstring(reinterpret_cast<const wchar_t*>(value.bytes.data()));
}

DWORD NumberOf(HKEY root, const wchar_t* name) {
  auto value = ReadStoredValue(root, kUninstallEntryKey, name);
  if (!value.found || value.type != REG_DWORD || value.bytes.size() != 4) return 0xDEADBEEF;
  return *reinterpret_cast<const DWORD*>(value.bytes.data());
}

std::wstring SpecialFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  ::SHGetFolderPathW(nullptr, csidl, nullptr, 0, path);
  return path;
}

void WriteFileOfSize(const std::wstring& path, size_t size) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  std::string bytes(size, 'x');
  DWORD written = 0;
  ::WriteFile(file, bytes.data(), static_cast<DWORD>(size), &written, nullptr);
  ::CloseHandle(file);
}

class AppsAndFeaturesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) RemoveUninstallEntry(root);
    folder = SpecialFolder(CSIDL_LOCAL_APPDATA) + L"\\KestrelEntryTest";
    ::SHCreateDirectoryExW(nullptr, (folder + L"\\App_Config").c_str(), nullptr);
    WriteFileOfSize(folder + L"\\kestrel.exe", 1000);
    WriteFileOfSize(folder + L"\\uninstall.exe", 2048);
    WriteFileOfSize(folder + L"\\App_Config\\Kestrel_Global.config", 5001);
  }
  void TearDown() override {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) RemoveUninstallEntry(root);
    test::RemoveTree(folder);
  }
  std::wstring folder;
};

TEST_F(AppsAndFeaturesTest, WritesEveryValueInTheGivenHive) {
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    SCOPED_TRACE(root == HKEY_LOCAL_MACHINE ? "all users" : "current user");
    ASSERT_TRUE(WriteUninstallEntry(root, folder.c_str()));
    EXPECT_EQ(TextOf(root, L"DisplayName"), L"Veltrin");
    EXPECT_EQ(TextOf(root, L"DisplayIcon"), folder + L"\\kestrel.exe,0");
    EXPECT_EQ(TextOf(root, L"DisplayVersion"), KST_VERSION_WIDE);
    EXPECT_EQ(TextOf(root, L"Publisher"), L"Tolvane Software");
    EXPECT_EQ(TextOf(root, L"InstallLocation"), folder);
    EXPECT_EQ(TextOf(root, L"UninstallString"), L"\"" + folder + L"\\uninstall.exe\"");
    EXPECT_EQ(TextOf(root, L"QuietUninstallString"), L"\"" + folder + L"\\uninstall.exe\" /S");
    EXPECT_EQ(NumberOf(root, L"NoModify"), 1u);
    EXPECT_EQ(NumberOf(root, L"NoRepair"), 1u);
    EXPECT_EQ(NumberOf(root, L"EstimatedSize"), 8u) << "8049 bytes round up to 8 KiB";
  }
}

// An install in one scope takes the place of the entry an install in the other scope left, so the
// product is listed once.
TEST_F(AppsAndFeaturesTest, AnInstallReplacesTheEntryOfTheOtherScope) {
  for (bool allUsers : {true, false}) {
    SCOPED_TRACE(allUsers ? "all users" : "current user");
    const HKEY own = allUsers ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    const HKEY other = allUsers ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    ASSERT_TRUE(WriteUninstallEntry(other, folder.c_str()));

    EXPECT_TRUE(ReplaceUninstallEntry(folder.c_str(), allUsers));

    EXPECT_FALSE(KeyExists(other, kUninstallEntryKey));
    EXPECT_EQ(TextOf(own, L"InstallLocation"), folder);
    // With no entry left anywhere, the removal finds nothing and says so.
    EXPECT_TRUE(RemoveUninstallEntry(own));
    EXPECT_TRUE(RemoveUninstallEntry(own));
    EXPECT_FALSE(KeyExists(own, kUninstallEntryKey));
  }
}

TEST_F(AppsAndFeaturesTest, FolderSizeCountsFilesBelowAndRoundsUp) {
  EXPECT_EQ(FolderSizeKiB(folder.c_str()), 8u);
  WriteFileOfSize(folder + L"\\App_Config\\more", 192);  // 8241 bytes
  EXPECT_EQ(FolderSizeKiB(folder.c_str()), 9u);
  EXPECT_EQ(FolderSizeKiB((folder + L"\\missing").c_str()), 0u);
}

TEST_F(AppsAndFeaturesTest, RemovalTakesTheHiveOfTheUninstallersLocation) {
  ASSERT_TRUE(WriteUninstallEntry(HKEY_LOCAL_MACHINE, folder.c_str()));
  ASSERT_TRUE(WriteUninstallEntry(HKEY_CURRENT_USER, folder.c_str()));

  std::wstring allUsersProgram = SpecialFolder(CSIDL_COMMON_APPDATA) + L"\\Kestrel";
  RemoveProductRegistryFor(allUsersProgram.c_str());
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallEntryKey));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kUninstallEntryKey));

  std::wstring perUserProgram = SpecialFolder(CSIDL_LOCAL_APPDATA) + L"\\Kestrel";
  RemoveProductRegistryFor(perUserProgram.c_str());
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUninstallEntryKey));
}

}  // namespace
}  // namespace kst
