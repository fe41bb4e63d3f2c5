// The install's registry record, the autostart value, the password lock and the removal, through
// the real registry of the test prefix.
#include "system/Registry.h"
#include "tests/system/RegistryState.h"
#include <gtest/gtest.h>

namespace {

using namespace kst_test;

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { ClearProductRegistry(); }
  void TearDown() override { ClearProductRegistry(); }
};

TEST_F(RegistryTest, EnsureProductKeyCreatesOnlyWhatIsMissing) {
  struct Case {
    const char* name;
    bool makerKey;
    bool productKey;
  };
  const Case cases[] = {
      {"no keys", false, false},
      {"maker key only", true, false},
      {"both keys", true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClearProductRegistry();
    // A marker value in each existing key shows that the key was kept, not made anew.
    DWORD marker = 7;
    if (c.makerKey) StoreValue(HKEY_LOCAL_MACHINE, kMakerKey, L"marker", REG_DWORD, &marker, 4);
    if (c.productKey) StoreValue(HKEY_LOCAL_MACHINE, kProductKey, L"marker", REG_DWORD, &marker, 4);

    EXPECT_TRUE(kst::EnsureProductKey());

    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kMakerKey));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));
    EXPECT_EQ(ReadStoredValue(HKEY_LOCAL_MACHINE, kMakerKey, L"marker").found, c.makerKey);
    EXPECT_EQ(ReadStoredValue(HKEY_LOCAL_MACHINE, kProductKey, L"marker").found, c.productKey);
  }
}

TEST_F(RegistryTest, InstallDirStoresExactlyTheCountedBytes) {
  ASSERT_TRUE(kst::EnsureProductKey());
  const std::wstring folder = L"C:\\Program Data\\Kestrel";
  ASSERT_TRUE(kst::WriteInstallDir(folder.c_str(), static_cast<DWORD>(folder.size() * 2)));
  StoredValue stored = ReadStoredValue(HKEY_LOCAL_MACHINE, kProductKey, L"InstallDir");
  ASSERT_TRUE(stored.found);
  EXPECT_EQ(stored.type, static_cast<DWORD>(REG_SZ));
  EXPECT_TRUE(StoredWithoutNul(stored, folder));
  EXPECT_EQ(StoredText(stored), folder);

  // With no NUL behind the counted bytes, nothing beyond them can be stored.
  const std::wstring followed = L"C:\\ProgramData\\KestrelX";
  ASSERT_EQ(kst::WriteInstallDir(followed.c_str(), static_cast<DWORD>((followed.size() - 1) * 2)),
            1);
  stored = ReadStoredValue(HKEY_LOCAL_MACHINE, kProductKey, L"InstallDir");
  EXPECT_EQ(stored.bytes.size(), (followed.size() - 1) * 2);
  EXPECT_EQ(StoredText(stored), L"C:\\ProgramData\\Kestrel");
}

TEST_F(RegistryTest, ValuesAreNotWrittenWithoutTheProductKey) {
  EXPECT_FALSE(kst::WriteInstallDir(L"C:\\ProgramData\\Kestrel", 44));
  EXPECT_FALSE(kst::WriteInstallForAllUser(1));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));
}

TEST_F(RegistryTest, InstallForAllUserRoundTrip) {
  ASSERT_TRUE(kst::EnsureProductKey());
  for (DWORD flag : {1u, 0u}) {
    SCOPED_TRACE(flag);
    ASSERT_TRUE(kst::WriteInstallForAllUser(flag));
    StoredValue stored = ReadStoredValue(HKEY_LOCAL_MACHINE, kProductKey, L"InstallForAllUser");
    EXPECT_EQ(stored.type, static_cast<DWORD>(REG_DWORD));
    ASSERT_EQ(stored.bytes.size(), 4u);
    DWORD read = 7;
    EXPECT_TRUE(kst::ReadInstallForAllUser(read));
    EXPECT_EQ(read, flag);
  }
}

TEST_F(RegistryTest, ReadInstallForAllUserLeavesTheNumberAloneWhenNothingFits) {
  DWORD read = 7;
  EXPECT_FALSE(kst::ReadInstallForAllUser(read)) << "no product key";
  EXPECT_EQ(read, 7u);

  ASSERT_TRUE(kst::EnsureProductKey());
  EXPECT_FALSE(kst::ReadInstallForAllUser(read)) << "no value";
  EXPECT_EQ(read, 7u);

  const BYTE tooLong[8] = {1, 0, 0, 0, 1, 0, 0, 0};
  StoreValue(HKEY_LOCAL_MACHINE, kProductKey, L"InstallForAllUser", REG_BINARY, tooLong, 8);
  EXPECT_FALSE(kst::ReadInstallForAllUser(read)) << "longer than a number";
  EXPECT_EQ(read, 7u);

  // The type is not looked at: four bytes are a number whatever they were stored as.
  const BYTE four[4] = {1, 0, 0, 0};
  StoreValue(HKEY_LOCAL_MACHINE, kProductKey, L"InstallForAllUser", REG_BINARY, four, 4);
  EXPECT_TRUE(kst::ReadInstallForAllUser(read));
  EXPECT_EQ(read, 1u);
}

TEST(PasswordLockRule, LocksOnRandomPasswordOneOrAnySetPassword) {
  struct Case {
    const char* name;
    kst::CLockValues values;
    int locked;
  };
  const Case cases[] = {
      {"nothing stored", {false, 0, false, 0}, 0},
      {"random password 1", {true, 1, false, 0}, 1},
      {"random password 1, empty password", {true, 1, true, 0}, 1},
      {"random password 2 alone", {true, 2, false, 0}, 0},
      {"random password 2 with a password", {true, 2, true, 'a'}, 1},
      {"random password 0 with a password", {true, 0, true, 'a'}, 1},
      {"random password 1 not read", {false, 1, false, 0}, 0},
      {"empty password", {false, 0, true, 0}, 0},
      {"password", {false, 0, true, 0x80}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(kst::IsPasswordLockOn(c.values), c.locked);
  }
}

TEST_F(RegistryTest, IsUninstallLockedReadsTheProductsValues) {
  enum class Random { kMissing, kOne, kTwo };
  struct Password {
    DWORD type;
    std::vector<BYTE> bytes;
  };
  struct Case {
    const char* name;
    bool productKey;
    Random random;
    bool hasPassword;
    Password password;
    int locked;
  };
  const std::vector<BYTE> wideSecret = {'s', 0, 'e', 0, 'c', 0, 0, 0};
  const std::vector<BYTE> wideEmpty = {0, 0};
  const std::vector<BYTE> longBinary(10000, 0x5a);
  const Case cases[] = {
      {"no product key", false, Random::kMissing, false, {}, 0},
      {"empty product key", true, Random::kMissing, false, {}, 0},
      {"random password 1", true, Random::kOne, false, {}, 1},
      {"random password 1, empty password", true, Random::kOne, true, {REG_SZ, {}}, 1},
      {"random password 2, no password", true, Random::kTwo, false, {}, 0},
      {"random password 2, text password", true, Random::kTwo, true, {REG_SZ, wideSecret}, 1},
      {"password of no bytes", true, Random::kMissing, true, {REG_SZ, {}}, 0},
      {"password of an empty text", true, Random::kMissing, true, {REG_SZ, wideEmpty}, 0},
      {"text password", true, Random::kMissing, true, {REG_SZ, wideSecret}, 1},
      {"binary password, first byte 0", true, Random::kMissing, true, {REG_BINARY, {0, 9}}, 0},
      {"binary password, first byte set", true, Random::kMissing, true, {REG_BINARY, {9}}, 1},
      {"long binary password", true, Random::kMissing, true, {REG_BINARY, longBinary}, 1},
      {"number password", true, Random::kMissing, true, {REG_DWORD, {1, 0, 0, 0}}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClearProductRegistry();
    if (c.productKey) CreateKey(HKEY_LOCAL_MACHINE, kProductKey);
    DWORD random = c.random == Random::kOne ? 1 : 2;
    if (c.random != Random::kMissing) {
      StoreValue(HKEY_LOCAL_MACHINE, kProductKey, L"RandomPassword", REG_DWORD, &random, 4);
    }
    if (c.hasPassword) {
      StoreValue(HKEY_LOCAL_MACHINE, kProductKey, L"Password", c.password.type,
                 c.password.bytes.data(), static_cast<DWORD>(c.password.bytes.size()));
      ASSERT_TRUE(ReadStoredValue(HKEY_LOCAL_MACHINE, kProductKey, L"Password").found);
    }
    EXPECT_EQ(kst::IsUninstallLocked(), c.locked);
  }
}

TEST_F(RegistryTest, SetAutostartWritesIntoTheChosenHive) {
  struct Case {
    int allUsers;
    HKEY chosen;
    HKEY other;
  };
  const Case cases[] = {
      {1, HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER},
      {0, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE},
  };
  const std::wstring first = L"C:\\ProgramData\\Kestrel\\kestrel.exe";
  const std::wstring spaced = L"C:\\Documents and Settings\\x y\\Kestrel\\kestrel.exe";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.allUsers);
    ClearProductRegistry();
    ASSERT_TRUE(kst::SetAutostart(first.c_str(), c.allUsers));
    EXPECT_EQ(StoredText(ReadStoredValue(c.chosen, kRunKey, L"kestrel")), first);
    EXPECT_FALSE(ReadStoredValue(c.other, kRunKey, L"kestrel").found);

    // Overwritten, and a path with spaces goes in as it is: no quotes, no NUL.
    ASSERT_TRUE(kst::SetAutostart(spaced.c_str(), c.allUsers));
    StoredValue stored = ReadStoredValue(c.chosen, kRunKey, L"kestrel");
    EXPECT_EQ(stored.type, static_cast<DWORD>(REG_SZ));
    EXPECT_TRUE(StoredWithoutNul(stored, spaced));
    EXPECT_EQ(StoredText(stored), spaced);
  }
}

TEST(AllUsersInstallRule, ModuleFolderBelowTheCommonAppData) {
  struct Case {
    const wchar_t* moduleFolder;
    bool allUsers;
  };
  const Case cases[] = {
      {L"C:\\ProgramData\\Kestrel", true},
      {L"C:\\ProgramData\\Kestrel\\sub", true},
      {L"C:\\users\\bob\\AppData\\Local\\Kestrel", false},
      {L"C:\\ProgramDat\\Kestrel", false},
      // A plain substring test, case included.
      {L"c:\\programdata\\Kestrel", false},
      {L"D:\\copy of C:\\ProgramData\\Kestrel", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(kst::IsAllUsersInstall(c.moduleFolder, L"C:\\ProgramData"), c.allUsers)
        << testing::PrintToString(std::wstring(c.moduleFolder));
  }
}

TEST_F(RegistryTest, RemovalDeletesTheInstallsRunValueAndTheWholeMakerTree) {
  struct Case {
    const char* name;
    std::wstring moduleFolder;
    HKEY removedFrom;
    HKEY keptIn;
  };
  const Case cases[] = {
      {"per user", SpecialFolder(CSIDL_LOCAL_APPDATA) + L"\\Kestrel", HKEY_CURRENT_USER,
       HKEY_LOCAL_MACHINE},
      {"all users", SpecialFolder(CSIDL_COMMON_APPDATA) + L"\\Kestrel", HKEY_LOCAL_MACHINE,
       HKEY_CURRENT_USER},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClearProductRegistry();
    ASSERT_TRUE(kst::EnsureProductKey());
    ASSERT_TRUE(kst::WriteInstallForAllUser(c.removedFrom == HKEY_LOCAL_MACHINE ? 1 : 0));
    ASSERT_TRUE(kst::SetAutostart(L"C:\\x\\kestrel.exe", true));
    ASSERT_TRUE(kst::SetAutostart(L"C:\\x\\kestrel.exe", false));
    // Other products of the maker, one of them with keys of its own.
    CreateKey(HKEY_LOCAL_MACHINE, L"Software\\tolvane\\other");
    CreateKey(HKEY_LOCAL_MACHINE, L"Software\\tolvane\\deep\\er\\still");
    StoreText(HKEY_LOCAL_MACHINE, L"Software\\tolvane\\deep\\er", L"v", L"x");

    EXPECT_TRUE(kst::RemoveProductRegistryFor(c.moduleFolder.c_str()));

    EXPECT_FALSE(ReadStoredValue(c.removedFrom, kRunKey, L"kestrel").found);
    EXPECT_TRUE(ReadStoredValue(c.keptIn, kRunKey, L"kestrel").found);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kMakerKey));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kRunKey));
  }
}

// The test program stands in for the uninstaller: its own folder decides the hive.
TEST_F(RegistryTest, RemovalFromTheRunningProgramsFolder) {
  wchar_t program[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(nullptr, program, MAX_PATH), 0u);
  bool allUsers = wcsstr(program, SpecialFolder(CSIDL_COMMON_APPDATA).c_str()) != nullptr;
  ASSERT_TRUE(kst::EnsureProductKey());
  ASSERT_TRUE(kst::SetAutostart(L"C:\\x\\kestrel.exe", true));
  ASSERT_TRUE(kst::SetAutostart(L"C:\\x\\kestrel.exe", false));

  EXPECT_TRUE(kst::RemoveProductRegistry());

  EXPECT_EQ(ReadStoredValue(HKEY_CURRENT_USER, kRunKey, L"kestrel").found, allUsers);
  EXPECT_EQ(ReadStoredValue(HKEY_LOCAL_MACHINE, kRunKey, L"kestrel").found, !allUsers);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kMakerKey));
}

// Nothing to remove counts as removed.
TEST_F(RegistryTest, RemovalWithNothingRecordedIsQuiet) {
  EXPECT_TRUE(kst::RemoveProductRegistryFor(L"C:\\ProgramData\\Kestrel"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kMakerKey));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kRunKey));
}

}  // namespace
