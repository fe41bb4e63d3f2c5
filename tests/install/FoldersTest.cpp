// Install folders, their grants and config.bin, checked against the real shell folders of the
// Wine prefix. The expected folders come from the environment, not from the code under test, so
// that a swapped special folder shows.
#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/Handles.h"
#include "install/EmbeddedFiles.h"
#include "install/Folders.h"
#include "tests/support/TestFiles.h"

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
  CFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               0, nullptr));
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
    EXPECT_EQ(1, EnsureFolder(programFolder.Get()));
    return programFolder.Get();
  }

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

    SetUpDataFolders(programFolder.c_str());

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
  SetUpDataFolders(programFolder.c_str());
  std::wstring kept = localKestrel_ + L"\\sysdata\\filelist";
  const char listText[] = "kept";
  ASSERT_EQ(1, WriteWholeFile(kept.c_str(), listText, sizeof(listText) - 1));
  ASSERT_TRUE(DeleteFileW((localKestrel_ + L"\\userdata\\config.bin").c_str()));

  SetUpDataFolders(programFolder.c_str());

  EXPECT_EQ("kept", ReadAll(kept));
  EXPECT_TRUE(Exists(localKestrel_ + L"\\userdata\\config.bin"))
      << "the existing folders stopped the set-up before config.bin";
  EXPECT_TRUE(IsFolder(programFolder + L"\\App_Themes\\Themes"));
}

TEST_F(CInstallFoldersTest, StopsAtTheFirstFolderItCannotMake) {
  // Without its program folder the App_ folders cannot be made: the data folders before them stay,
  // and config.bin, which comes after them, is not written.
  std::wstring programFolder = commonKestrel_;
  SetUpDataFolders(programFolder.c_str());

  EXPECT_TRUE(IsFolder(localKestrel_ + L"\\sysdata"));
  EXPECT_TRUE(IsFolder(localKestrel_ + L"\\userdata"));
  EXPECT_FALSE(Exists(programFolder));
  EXPECT_FALSE(Exists(localKestrel_ + L"\\userdata\\config.bin"));
}

TEST_F(CInstallFoldersTest, ReinstallReturnsConfigToTheDefaults) {
  std::wstring programFolder = MakeProgramFolder(1);
  SetUpDataFolders(programFolder.c_str());
  std::wstring config = localKestrel_ + L"\\userdata\\config.bin";
  std::string changed = std::string("\xEF\xBB\xBF") + "FilterVirus:0\r\nSensitivity:80\r\n" +
                        std::string(600, 'x') + "\r\n";
  ASSERT_EQ(1, WriteWholeFile(config.c_str(), changed.data(), static_cast<DWORD>(changed.size())));

  SetUpDataFolders(programFolder.c_str());

  std::string bytes = ReadAll(config);
  const std::string address = "filter.veltrin.example/special/special.html";
  ASSERT_EQ(182 + 12 + address.size(), bytes.size());
  EXPECT_EQ(address.back(), bytes.back());
  EXPECT_NE('\xEF', bytes[0]) << "no byte-order mark";
  EXPECT_EQ(std::string::npos, bytes.find('\0'));
  EXPECT_EQ(std::string::npos, bytes.find(' '));

  const char* const expectedLines[] = {
      "FilterVirus:1",     "FilterTracker:1", "FilterBadWord:1", "FilterVideoAd:0",
      "DefaultBadWords:1", "UserBadWords:1",  "DefaultUrlRules:1", "UserUrlRules:1",
      "AutoUpdate:1",      "firsttimerun:1",  "Sensitivity:49"};
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

TEST(EnsureFolderTest, CreatesOnlyTheLastComponent) {
  wchar_t temp[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
  std::wstring root = std::wstring(temp) + L"kst_ensure_folder";
  RemoveTree(root);

  EXPECT_EQ(0, EnsureFolder((root + L"\\inner").c_str())) << "parent missing";
  EXPECT_FALSE(Exists(root));
  EXPECT_EQ(1, EnsureFolder(root.c_str()));
  EXPECT_TRUE(IsFolder(root));
  EXPECT_EQ(1, EnsureFolder(root.c_str())) << "an existing folder is accepted";
  EXPECT_EQ(1, EnsureFolder((root + L"\\inner").c_str()));
  EXPECT_TRUE(IsFolder(root + L"\\inner"));
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
  EXPECT_EQ(std::wstring::npos, path.find(L'\\', folder.Length() + 1)) << "cut at the last backslash";
  EXPECT_TRUE(IsFolder(folder.Get()));
}

// What icacls is handed, read back the way it splits its own command line.
std::vector<std::wstring> IcaclsArguments(const wchar_t* parameters) {
  const wchar_t* prefix = L"/c ";
  if (wcsncmp(parameters, prefix, 3) != 0) return {};
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(parameters + 3, &count);
  std::vector<std::wstring> result(arguments, arguments + count);
  LocalFree(arguments);
  return result;
}

TEST(GrantCommandTest, QuotesTheFolderAsOneArgument) {
  const std::wstring atLimit = L"C:\\" + std::wstring(kMaxPath - 1 - 3, L'a');
  const wchar_t* const folders[] = {
      L"C:\\ProgramData\\Kestrel",
      L"C:\\users\\Tom Lee\\AppData\\Local\\Kestrel\\sysdata",
      L"C:\\users\\R&D (lab)\\AppData\\Local\\Kestrel",
      atLimit.c_str(),
  };
  for (const wchar_t* folder : folders) {
    wchar_t parameters[kGrantCommandCapacity];
    ASSERT_EQ(1, FormatGrantCommand(folder, parameters, kGrantCommandCapacity));
    std::vector<std::wstring> expected = {L"icacls", folder, L"/grant", L"Everyone:(OI)(CI)F",
                                          L"/T", L"/C", L"/Q"};
    EXPECT_EQ(expected, IcaclsArguments(parameters));
  }

  wchar_t parameters[kGrantCommandCapacity];
  ASSERT_EQ(1, FormatGrantCommand(L"C:\\Program Data\\Kestrel", parameters, kGrantCommandCapacity));
  EXPECT_STREQ(L"/c icacls \"C:\\Program Data\\Kestrel\" /grant Everyone:(OI)(CI)F /T /C /Q",
               parameters);
}

TEST(GrantCommandTest, RefusesWhatWouldNotFitOrWouldGrantElsewhere) {
  const std::wstring tooLong = L"C:\\" + std::wstring(kGrantCommandCapacity, L'a');
  const wchar_t* const folders[] = {
      tooLong.c_str(),
      L"",
      L"C:\\Kestrel\\",           // the backslash would escape the closing quote
      L"C:\\Kes\"trel",           // cannot be in a path, and would end the argument
      L"C:\\users\\%USERNAME%",   // cmd would put another folder here
  };
  for (const wchar_t* folder : folders) {
    wchar_t parameters[kGrantCommandCapacity];
    parameters[0] = L'x';
    EXPECT_EQ(0, FormatGrantCommand(folder, parameters, kGrantCommandCapacity));
    EXPECT_EQ(L'\0', parameters[0]);
  }

  // The buffer's own bound: room for the command and its zero, and one less.
  const wchar_t* folder = L"C:\\ProgramData\\Kestrel";
  wchar_t full[kGrantCommandCapacity];
  ASSERT_EQ(1, FormatGrantCommand(folder, full, kGrantCommandCapacity));
  size_t needed = WideLength(full) + 1;
  wchar_t exact[kGrantCommandCapacity];
  EXPECT_EQ(1, FormatGrantCommand(folder, exact, needed));
  EXPECT_EQ(0, FormatGrantCommand(folder, exact, needed - 1));
}

std::vector<DWORD> ChildProcesses(const wchar_t* exeName) {
  std::vector<DWORD> children;
  CFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return children;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
       more = Process32NextW(snapshot.Get(), &entry)) {
    if (entry.th32ParentProcessID == GetCurrentProcessId() &&
        lstrcmpiW(entry.szExeFile, exeName) == 0) {
      children.push_back(entry.th32ProcessID);
    }
  }
  return children;
}

// Wine's icacls changes no access rights (it says it is a dummy), so under Wine what can be seen
// is the hidden shell being started and running the grant command to a clean end. The "&" in the
// folder makes an unquoted folder fail there: cmd would run the rest as a command of its own.
TEST(GrantEveryoneFullAccessTest, StartsAHiddenShellThatRunsTheGrant) {
  wchar_t temp[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
  std::wstring folder = std::wstring(temp) + L"kst grant R&D (lab)";
  ASSERT_EQ(1, EnsureFolder(folder.c_str()));
  std::vector<DWORD> before = ChildProcesses(L"cmd.exe");

  ASSERT_EQ(1, GrantEveryoneFullAccess(folder.c_str()));

  CKernelHandle shell;
  for (DWORD waited = 0; !shell && waited < 10000; waited += 5) {
    for (DWORD id : ChildProcesses(L"cmd.exe")) {
      bool isNew = true;
      for (DWORD old : before) isNew = isNew && old != id;
      if (isNew) shell.Reset(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    }
    if (!shell) Sleep(5);
  }
  ASSERT_TRUE(shell) << "no command shell was started";
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(shell.Get(), 30000));
  DWORD exitCode = 1;
  ASSERT_TRUE(GetExitCodeProcess(shell.Get(), &exitCode));
  EXPECT_EQ(0u, exitCode) << "cmd could not run icacls";
  RemoveDirectoryW(folder.c_str());
}

TEST(GrantEveryoneFullAccessTest, StartsNothingForACommandThatDoesNotFit) {
  const std::wstring tooLong = L"C:\\" + std::wstring(kGrantCommandCapacity, L'a');
  EXPECT_EQ(0, GrantEveryoneFullAccess(tooLong.c_str()));
}

}  // namespace
}  // namespace kst
