// Install folders, their grants and config.bin, checked against the real shell folders of the
// Wine prefix. The expected folders come from the environment, not from the code under test, so
// that a swapped special folder shows.
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>
#include <string.h>

#include <string>
#include <vector>

#include "base/Handles.h"
#include "install/AccessGrant.h"
#include "install/DefaultSettings.h"
#include "install/EmbeddedFiles.h"
#include "install/FolderSecurity.h"
#include "install/Folders.h"
#include "tests/support/TestFiles.h"
#include <gtest/gtest.h>

namespace kst {
namespace {

std::wstring Environment(const wchar_t* name) {
  wchar_t value[MAX_PATH];
  DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::wstring(value, length) : std::wstring();
}

bool IsFolder(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveTree(const std::wstring& path) {
  test::RemoveTree(path);
  ASSERT_FALSE(Exists(path)) << "could not clear " << std::string(path.begin(), path.end());
}

std::string ReadAll(const std::wstring& path) {
  CFileHandle file(
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return std::string();
  std::string bytes(4096, '\0');
  DWORD read = 0;
  if (!ReadFile(file.Get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr)) {
    return std::string();
  }
  bytes.resize(read);
  return bytes;
}

// Each test starts without either Kestrel folder and leaves none behind.
class CInstallFoldersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    local_ = Environment(L"LOCALAPPDATA");
    common_ = Environment(L"ProgramData");
    ASSERT_FALSE(local_.empty());
    ASSERT_FALSE(common_.empty());
    localKestrel_ = local_ + L"\\Kestrel";
    commonKestrel_ = common_ + L"\\Kestrel";
    RemoveTree(localKestrel_);
    RemoveTree(commonKestrel_);
  }
  void TearDown() override {
    RemoveTree(localKestrel_);
    RemoveTree(commonKestrel_);
  }

  // Resolves and creates the program folder the way an install does.
  std::wstring MakeProgramFolder(int installForAllUsers) {
    CPath base;
    CPath programFolder;
    EXPECT_EQ(1, GetBaseFolder(installForAllUsers, base));
    EXPECT_EQ(1, GetProgramFolder(base.Get(), programFolder));
    EXPECT_EQ(FolderResult::kReady, EnsureFolder(programFolder.Get()));
    return programFolder.Get();
  }

  FileResult settingsWritten_ = FileResult::kDone;
  std::wstring local_;
  std::wstring common_;
  std::wstring localKestrel_;
  std::wstring commonKestrel_;
};

const wchar_t* const kAppFolders[] = {L"App_Config", L"App_Logs", L"App_Temp", L"App_Themes",
                                      L"App_Themes\\Themes"};
const wchar_t* const kDataFolders[] = {L"sysdata", L"userdata"};

TEST_F(CInstallFoldersTest, CreatesTheTreeOfEachKindOfInstall) {
  struct {
    int installForAllUsers;
    std::wstring expectedProgramFolder;
    std::wstring otherKestrel;  // the Kestrel folder of the other base, which holds nothing here
  } const cases[] = {
      {0, localKestrel_, commonKestrel_},
      {1, commonKestrel_, localKestrel_},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.installForAllUsers);
    std::wstring programFolder = MakeProgramFolder(c.installForAllUsers);
    ASSERT_EQ(c.expectedProgramFolder, programFolder);

    SetUpDataFolders(programFolder.c_str(), &settingsWritten_);

    for (const wchar_t* name : kAppFolders) {
      EXPECT_TRUE(IsFolder(programFolder + L"\\" + name)) << name;
    }
    for (const wchar_t* name : kDataFolders) {
      EXPECT_TRUE(IsFolder(localKestrel_ + L"\\" + name)) << name;
    }
    EXPECT_TRUE(Exists(localKestrel_ + L"\\userdata\\config.bin"));
    if (c.installForAllUsers) {
      for (const wchar_t* name : kDataFolders) {
        EXPECT_FALSE(Exists(commonKestrel_ + L"\\" + name)) << name;
      }
      EXPECT_FALSE(Exists(localKestrel_ + L"\\App_Config"));
    } else {
      EXPECT_FALSE(Exists(commonKestrel_));
    }

    RemoveTree(localKestrel_);
    RemoveTree(commonKestrel_);
  }
}

TEST_F(CInstallFoldersTest, AcceptsFoldersThatExistAndKeepsTheirFiles) {
  std::wstring programFolder = MakeProgramFolder(0);
  SetUpDataFolders(programFolder.c_str(), &settingsWritten_);
  std::wstring kept = localKestrel_ + L"\\sysdata\\filelist";
  const char listText[] = "kept";
  ASSERT_EQ(FileResult::kDone, WriteWholeFile(kept.c_str(), listText, sizeof(listText) - 1));
  ASSERT_TRUE(DeleteFileW((localKestrel_ + L"\\userdata\\config.bin").c_str()));

  SetUpDataFolders(programFolder.c_str(), &settingsWritten_);

  EXPECT_EQ("kept", ReadAll(kept));
  EXPECT_TRUE(Exists(localKestrel_ + L"\\userdata\\config.bin"))
      << "the existing folders stopped the set-up before config.bin";
  EXPECT_TRUE(IsFolder(programFolder + L"\\App_Themes\\Themes"));
}

TEST_F(CInstallFoldersTest, StopsAtTheFirstFolderItCannotMake) {
  // Without its program folder the App_ folders cannot be made: the data folders before them stay,
  // and config.bin, which comes after them, is not written.
  std::wstring programFolder = commonKestrel_;
  SetUpDataFolders(programFolder.c_str(), &settingsWritten_);

  EXPECT_TRUE(IsFolder(localKestrel_ + L"\\sysdata"));
  EXPECT_TRUE(IsFolder(localKestrel_ + L"\\userdata"));
  EXPECT_FALSE(Exists(programFolder));
  EXPECT_FALSE(Exists(localKestrel_ + L"\\userdata\\config.bin"));
}

TEST_F(CInstallFoldersTest, ReinstallReturnsConfigToTheDefaults) {
  std::wstring programFolder = MakeProgramFolder(1);
  SetUpDataFolders(programFolder.c_str(), &settingsWritten_);
  std::wstring config = localKestrel_ + L"\\userdata\\config.bin";
  std::string changed = std::string("\xEF\xBB\xBF") + "FilterVirus:0\r\nSensitivity:80\r\n" +
                        std::string(600, 'x') + "\r\n";
  ASSERT_EQ(FileResult::kDone,
            WriteWholeFile(config.c_str(), changed.data(), static_cast<DWORD>(changed.size())));

  SetUpDataFolders(programFolder.c_str(), &settingsWritten_);

  std::string bytes = ReadAll(config);
  const std::string address = "filter.veltrin.example/special/special.html";
  ASSERT_EQ(182 + 12 + address.size(), bytes.size());
  EXPECT_EQ(address.back(), bytes.back());
  EXPECT_NE('\xEF', bytes[0]) << "no byte-order mark";
  EXPECT_EQ(std::string::npos, bytes.find('\0'));
  EXPECT_EQ(std::string::npos, bytes.find(' '));

  const char* const expectedLines[] = {"FilterVirus:1",     "FilterTracker:1",   "FilterBadWord:1",
                                       "FilterVideoAd:0",   "DefaultBadWords:1", "UserBadWords:1",
                                       "DefaultUrlRules:1", "UserUrlRules:1",    "AutoUpdate:1",
                                       "firsttimerun:1",    "Sensitivity:49"};
  size_t at = 0;
  for (const char* line : expectedLines) {
    size_t end = bytes.find("\r\n", at);
    ASSERT_NE(std::string::npos, end) << line;
    EXPECT_EQ(line, bytes.substr(at, end - at));
    at = end + 2;
  }
  EXPECT_EQ(182u, at);
  EXPECT_EQ("RedirectUrl:" + address, bytes.substr(at));
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\n') {
      EXPECT_EQ('\r', bytes[i - 1]) << "bare LF at " << i;
    }
    if (bytes[i] == '\r') {
      EXPECT_EQ('\n', bytes[i + 1]) << "bare CR at " << i;
    }
  }
}

TEST(DefaultSettingsTest, RefusesABufferWithoutRoomForTheWholeText) {
  char text[512];
  size_t length = ComposeDefaultSettings(text, sizeof(text));
  ASSERT_EQ(kDefaultSettingsTextLength + strlen("RedirectUrl:") + strlen(kDefaultRedirectAddress),
            length);
  char exact[512];
  memset(exact, 'x', sizeof(exact));
  EXPECT_EQ(0u, ComposeDefaultSettings(exact, length)) << "no room for the terminating zero";
  EXPECT_EQ('\0', exact[0]);
  EXPECT_EQ(length, ComposeDefaultSettings(exact, length + 1));
  EXPECT_EQ(0, memcmp(text, exact, length + 1));
}

std::wstring TempFolder(const wchar_t* name) {
  wchar_t temp[MAX_PATH];
  return GetTempPathW(MAX_PATH, temp) > 0 ? std::wstring(temp) + name : std::wstring();
}

TEST(EnsureFolderTest, CreatesOnlyTheLastComponent) {
  std::wstring root = TempFolder(L"kst_ensure_folder");
  RemoveTree(root);

  EXPECT_EQ(FolderResult::kFailed, EnsureFolder((root + L"\\inner").c_str())) << "parent missing";
  EXPECT_FALSE(Exists(root));
  EXPECT_EQ(FolderResult::kReady, EnsureFolder(root.c_str()));
  EXPECT_TRUE(IsFolder(root));
  EXPECT_EQ(FolderResult::kReady, EnsureFolder(root.c_str())) << "an existing folder is accepted";
  EXPECT_EQ(FolderResult::kReady, EnsureFolder((root + L"\\inner").c_str()));
  EXPECT_TRUE(IsFolder(root + L"\\inner"));
  RemoveTree(root);
}

// A name that someone else took first, as a file or as a link to a folder of their choice.
TEST(EnsureFolderTest, RefusesANameTakenByAFileOrALink) {
  std::wstring root = TempFolder(L"kst_taken_names");
  RemoveTree(root);
  ASSERT_TRUE(CreateDirectoryW(root.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW((root + L"\\target").c_str(), nullptr));
  const char text[] = "x";
  ASSERT_EQ(FileResult::kDone, WriteWholeFile((root + L"\\file").c_str(), text, 1));
  ASSERT_TRUE(test::MakeLink(root + L"\\link", root + L"\\target"));

  for (const wchar_t* name : {L"\\file", L"\\link"}) {
    std::wstring path = root + name;
    SCOPED_TRACE(std::string(path.begin(), path.end()));
    EXPECT_EQ(FolderResult::kRefused, EnsureFolder(path.c_str()));
    EXPECT_FALSE(IsPlainFolder(path.c_str()));
  }
  EXPECT_TRUE(IsPlainFolder((root + L"\\target").c_str()));
  EXPECT_FALSE(IsPlainFolder((root + L"\\missing").c_str()));

  EXPECT_TRUE(test::RemoveLink(root + L"\\link"));
  RemoveTree(root);
}

// Only the system's own accounts and the account the installer runs as keep a folder they own;
// any other owner's folder is taken back. Wine keeps no owner of its own for a file (it reports
// the running account for each), so the choice is checked here with the accounts themselves.
TEST(FolderOwnerTest, OnlyTheSystemsAccountsAndTheRunningOneAreTrusted) {
  struct Case {
    const wchar_t* sid;
    bool trusted;
  } const cases[] = {
      {L"S-1-5-32-544", true},  // Administrators
      {L"S-1-5-18", true},      // SYSTEM
      {L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",
       true},                           // TrustedInstaller
      {L"S-1-5-21-7-8-9-1000", true},   // the running account of this case
      {L"S-1-5-32-545", false},         // Users
      {L"S-1-1-0", false},              // Everyone
      {L"S-1-5-11", false},             // Authenticated Users
      {L"S-1-5-21-7-8-9-1001", false},  // another user of the same machine
  };
  PSID running = nullptr;
  ASSERT_TRUE(ConvertStringSidToSidW(L"S-1-5-21-7-8-9-1000", &running));
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.sid, c.sid + wcslen(c.sid)));
    PSID owner = nullptr;
    ASSERT_TRUE(ConvertStringSidToSidW(c.sid, &owner));
    EXPECT_EQ(IsTrustedOwner(owner, running), c.trusted);
    EXPECT_FALSE(IsTrustedOwner(owner, nullptr) && !c.trusted);
    LocalFree(owner);
  }
  LocalFree(running);
}

// The install's own folder is made and then found to be the install's; a link is never taken
// back, whatever it points to.
TEST(FolderOwnerTest, AnOwnFolderIsTheInstallsAndALinkIsNotTakenBack) {
  std::wstring root = TempFolder(L"kst_own_folder");
  RemoveTree(root);
  ASSERT_TRUE(CreateDirectoryW(root.c_str(), nullptr));
  const std::wstring own = root + L"\\own";
  EXPECT_EQ(FolderResult::kReady, EnsureFolder(own.c_str(), NewFolderAccess::kInstallersOwn));
  EXPECT_TRUE(IsPlainFolder(own.c_str()));
  EXPECT_EQ(FolderOwner::kTrusted, TakeBackFromOtherOwner(own.c_str()));

  ASSERT_TRUE(test::MakeLink(root + L"\\link", own));
  EXPECT_EQ(FolderOwner::kNotTakenBack, TakeBackFromOtherOwner((root + L"\\link").c_str()));
  EXPECT_TRUE(test::RemoveLink(root + L"\\link"));
  RemoveTree(root);
}

TEST(ProgramFolderTest, ABaseTooLongForTheProgramFolderFailsCleanly) {
  struct {
    size_t baseLength;
    int expected;
  } const cases[] = {
      {kMaxPath - 1 - 8, 1},  // base + "\Kestrel" is 259 characters: the longest path there is
      {kMaxPath - 8, 0},
  };
  for (const auto& c : cases) {
    std::wstring base = L"C:\\" + std::wstring(c.baseLength - 3, L'b');
    CPath programFolder(L"left over");
    EXPECT_EQ(c.expected, GetProgramFolder(base.c_str(), programFolder)) << c.baseLength;
    EXPECT_EQ(c.expected ? base + L"\\Kestrel" : std::wstring(), programFolder.Get());
  }
}

TEST(FindProgramFolderTest, FindsTheInstallAModuleFolderBelongsTo) {
  const wchar_t* const local = L"C:\\users\\Tom Lee\\AppData\\Local";
  const wchar_t* const common = L"C:\\ProgramData";
  const std::wstring longBase = L"C:\\Kestrel\\" + std::wstring(kMaxPath - 1 - 11, L'd');
  struct {
    const wchar_t* moduleFolder;
    const wchar_t* local;
    const wchar_t* common;
    int expected;
    const wchar_t* programFolder;
  } const cases[] = {
      {L"C:\\users\\Tom Lee\\AppData\\Local\\Kestrel", local, common, 1,
       L"C:\\users\\Tom Lee\\AppData\\Local\\Kestrel"},
      {L"C:\\ProgramData\\Kestrel", local, common, 1, L"C:\\ProgramData\\Kestrel"},
      // Anywhere below base\Kestrel still belongs to that install.
      {L"C:\\ProgramData\\Kestrel\\App_Temp", local, common, 1, L"C:\\ProgramData\\Kestrel"},
      {L"C:\\ProgramData\\Kestrel", nullptr, common, 1, L"C:\\ProgramData\\Kestrel"},
      // Under an application-data folder, but not in a Kestrel folder.
      {L"C:\\users\\Tom Lee\\AppData\\Local\\Temp", local, common, 0, L""},
      {L"C:\\ProgramData\\kestrel", local, common, 0, L""},
      // In a Kestrel folder, but under neither application-data folder.
      {L"Z:\\tmp\\Kestrel", local, common, 0, L""},
      {L"C:\\ProgramData\\Kestrel", local, nullptr, 0, L""},
      // A special folder that came back empty matches nothing.
      {L"Z:\\tmp\\Kestrel", L"", L"", 0, L""},
      // The local folder is asked first.
      {L"C:\\Data\\Common\\Kestrel", L"C:\\Data", L"C:\\Data\\Common", 1, L"C:\\Data\\Kestrel"},
      // The program folder would not fit a path.
      {longBase.c_str(), longBase.c_str(), common, 0, L""},
  };
  for (const auto& c : cases) {
    CPath programFolder(L"left over");
    std::string trace(c.moduleFolder, c.moduleFolder + WideLength(c.moduleFolder));
    EXPECT_EQ(c.expected, FindProgramFolderOf(c.moduleFolder, c.local, c.common, programFolder))
        << trace;
    EXPECT_STREQ(c.programFolder, programFolder.Get()) << trace;
  }
}

TEST(FindProgramFolderTest, TheTestProgramItselfBelongsToNoInstall) {
  CPath programFolder(L"left over");
  EXPECT_EQ(0, FindInstalledProgramFolder(programFolder));
  EXPECT_STREQ(L"", programFolder.Get());
}

TEST(ModuleFolderTest, IsTheFolderOfTheRunningExecutable) {
  wchar_t modulePath[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(nullptr, modulePath, MAX_PATH), 0u);
  CPath folder;
  ASSERT_EQ(1, GetModuleFolder(folder));
  std::wstring path = modulePath;
  ASSERT_EQ(path.substr(0, folder.Length()), folder.Get());
  EXPECT_EQ(L'\\', path[folder.Length()]);
  EXPECT_EQ(std::wstring::npos, path.find(L'\\', folder.Length() + 1))
      << "cut at the last backslash";
  EXPECT_TRUE(IsFolder(folder.Get()));
}

// The access mask and inheritance of the entry for Everyone (S-1-1-0) that allows access, read
// back through the security interface; nothing when there is none.
struct EveryoneEntry {
  bool found = false;
  ACCESS_MASK mask = 0;
  BYTE flags = 0;
};

EveryoneEntry ReadEveryoneEntry(const std::wstring& path) {
  EveryoneEntry result;
  PACL acl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                            nullptr, &acl, nullptr, &descriptor) != ERROR_SUCCESS)
    return result;
  BYTE everyone[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof(everyone);
  CreateWellKnownSid(WinWorldSid, nullptr, everyone, &size);
  for (DWORD i = 0; acl != nullptr && i < acl->AceCount; ++i) {
    ACCESS_ALLOWED_ACE* ace = nullptr;
    if (!GetAce(acl, i, reinterpret_cast<void**>(&ace)) ||
        ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE || !EqualSid(&ace->SidStart, everyone))
      continue;
    result.found = true;
    result.mask |= ace->Mask;
    result.flags |= ace->Header.AceFlags;
  }
  LocalFree(descriptor);
  return result;
}

// Wine keeps a file's rights as Unix mode bits, so full control for Everyone reads back there as
// reading, writing, running and deleting; the rights to change permissions and owner are not
// kept. Windows reads back FILE_ALL_ACCESS, which holds all of these.
constexpr ACCESS_MASK kFullControlAsWineKeepsIt =
    FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE | DELETE | FILE_DELETE_CHILD;

bool EveryoneMayWrite(const std::wstring& path) {
  return (ReadEveryoneEntry(path).mask & FILE_WRITE_DATA) != 0;
}

void ExpectEveryoneHasFullControl(const std::wstring& path) {
  EveryoneEntry entry = ReadEveryoneEntry(path);
  std::string trace(path.begin(), path.end());
  ASSERT_TRUE(entry.found) << trace;
  EXPECT_EQ(kFullControlAsWineKeepsIt, entry.mask & kFullControlAsWineKeepsIt) << trace;
  EXPECT_EQ(OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE,
            entry.flags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE))
      << trace;
}

TEST(GrantEveryoneFullAccessTest, GivesEveryoneInheritedFullControl) {
  // The "&" and "%" would have meant something to a command shell; here they are only names.
  std::wstring folder = TempFolder(L"kst grant R&D %TEMP%");
  RemoveTree(folder);
  ASSERT_EQ(FolderResult::kReady, EnsureFolder(folder.c_str()));
  ASSERT_FALSE(EveryoneMayWrite(folder)) << "a fresh folder already lets Everyone write";

  EXPECT_TRUE(GrantEveryoneFullAccess(folder.c_str()));
  ExpectEveryoneHasFullControl(folder);
  EXPECT_TRUE(GrantEveryoneFullAccess(folder.c_str())) << "granted again";
  ExpectEveryoneHasFullControl(folder);
  RemoveTree(folder);
}

TEST(GrantEveryoneFullAccessTest, GrantsNothingThroughALinkOrOnAMissingFolder) {
  std::wstring root = TempFolder(L"kst_grant_link");
  RemoveTree(root);
  ASSERT_TRUE(CreateDirectoryW(root.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW((root + L"\\target").c_str(), nullptr));
  ASSERT_TRUE(test::MakeLink(root + L"\\link", root + L"\\target"));

  EXPECT_FALSE(GrantEveryoneFullAccess((root + L"\\link").c_str()));
  EXPECT_FALSE(EveryoneMayWrite(root + L"\\target")) << "granted through the link";
  EXPECT_FALSE(GrantEveryoneFullAccess((root + L"\\missing").c_str()));

  EXPECT_TRUE(test::RemoveLink(root + L"\\link"));
  RemoveTree(root);
}

// What is in the folder already gets the grant entry by entry; a second name of someone else's
// file and a link to someone else's folder, planted there before the grant, hand it nothing.
TEST(GrantEveryoneFullAccessTest, GrantsWhatIsInsideButNothingThroughASecondNameOrALink) {
  std::wstring root = TempFolder(L"kst_grant_inside");
  RemoveTree(root);
  const std::wstring folder = root + L"\\granted";
  const std::wstring outside = root + L"\\outside";
  for (const std::wstring& made : {root, folder, folder + L"\\sub", outside, outside + L"\\theirs"})
    ASSERT_TRUE(CreateDirectoryW(made.c_str(), nullptr)) << std::string(made.begin(), made.end());
  const char text[] = "x";
  for (const std::wstring& file :
       {folder + L"\\a.txt", folder + L"\\sub\\b.txt", outside + L"\\protected.txt"})
    ASSERT_EQ(FileResult::kDone, WriteWholeFile(file.c_str(), text, 1));
  ASSERT_TRUE(CreateHardLinkW((folder + L"\\second-name.txt").c_str(),
                              (outside + L"\\protected.txt").c_str(), nullptr));
  ASSERT_TRUE(test::MakeLink(folder + L"\\link", outside + L"\\theirs"));
  ASSERT_FALSE(EveryoneMayWrite(outside + L"\\protected.txt"));

  EXPECT_TRUE(GrantEveryoneFullAccess(folder.c_str()));

  for (const std::wstring& inside :
       {folder + L"\\a.txt", folder + L"\\sub", folder + L"\\sub\\b.txt"})
    EXPECT_TRUE(EveryoneMayWrite(inside)) << std::string(inside.begin(), inside.end());
  EXPECT_FALSE(EveryoneMayWrite(outside + L"\\protected.txt")) << "granted through a second name";
  EXPECT_FALSE(EveryoneMayWrite(outside + L"\\theirs")) << "granted through a link";
  EXPECT_TRUE(test::RemoveLink(folder + L"\\link"));
  RemoveTree(root);
}

TEST_F(CInstallFoldersTest, GrantsEveryoneFullControlOnEveryFolderItMakes) {
  std::wstring programFolder = MakeProgramFolder(1);
  ASSERT_TRUE(SetUpDataFolders(programFolder.c_str(), &settingsWritten_));
  for (const wchar_t* name : kAppFolders)
    ExpectEveryoneHasFullControl(programFolder + L"\\" + name);
  for (const wchar_t* name : kDataFolders)
    ExpectEveryoneHasFullControl(localKestrel_ + L"\\" + name);
}

// Each folder the set-up would make, taken first by a link to a folder with a file of its own:
// the set-up refuses, and nothing is written or granted through the link.
TEST_F(CInstallFoldersTest, RefusesAFolderThatIsALinkAndWritesNothingThroughIt) {
  std::wstring target = TempFolder(L"kst_link_target");
  struct {
    const wchar_t* folder;  // below the local Kestrel folder
    int installForAllUsers;
  } const cases[] = {
      {L"", 1},  // the data root itself
      {L"\\sysdata", 1}, {L"\\userdata", 1}, {L"\\App_Config", 0}, {L"\\App_Themes\\Themes", 0},
  };
  for (const auto& c : cases) {
    std::wstring link = localKestrel_ + c.folder;
    SCOPED_TRACE(std::string(link.begin(), link.end()));
    RemoveTree(target);
    ASSERT_TRUE(CreateDirectoryW(target.c_str(), nullptr));
    const char sentinel[] = "mine";
    ASSERT_EQ(FileResult::kDone, WriteWholeFile((target + L"\\sentinel").c_str(), sentinel, 4));
    std::wstring programFolder = MakeProgramFolder(c.installForAllUsers);
    if (c.folder[0] != L'\0') {
      // The folders in front of the link exist as plain folders.
      std::wstring parent = link.substr(0, link.rfind(L'\\'));
      for (size_t at = localKestrel_.size(); at <= parent.size(); ++at) {
        if (at == parent.size() || parent[at] == L'\\')
          CreateDirectoryW(parent.substr(0, at).c_str(), nullptr);
      }
    }
    ASSERT_TRUE(test::MakeLink(link, target));

    EXPECT_FALSE(SetUpDataFolders(programFolder.c_str(), &settingsWritten_));

    EXPECT_EQ(std::vector<std::wstring>{L"sentinel"}, test::ListFolder(target));
    EXPECT_FALSE(EveryoneMayWrite(target));
    EXPECT_TRUE(test::RemoveLink(link));
    RemoveTree(localKestrel_);
    RemoveTree(commonKestrel_);
  }
  RemoveTree(target);
}

TEST_F(CInstallFoldersTest, RefusesAFolderNameTakenByAFile) {
  std::wstring programFolder = MakeProgramFolder(0);
  const char text[] = "x";
  ASSERT_EQ(FileResult::kDone, WriteWholeFile((localKestrel_ + L"\\userdata").c_str(), text, 1));
  EXPECT_FALSE(SetUpDataFolders(programFolder.c_str(), &settingsWritten_));
  EXPECT_FALSE(Exists(programFolder + L"\\App_Config")) << "went on past the refusal";
}

}  // namespace
}  // namespace kst
