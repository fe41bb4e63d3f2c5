// The product's links, written through the shell and loaded back from their files.
#include <shlobj.h>

#include <string>

#include "system/Registry.h"
#include "system/Shortcuts.h"
#include "tests/system/RegistryState.h"
#include <gtest/gtest.h>

namespace {

using namespace kst_test;

const std::wstring kUninstallName = L"\u5378\u8F7D";  // the uninstaller link's name

struct LinkFolders {
  std::wstring programs;  // the product's folder in the start menu
  std::wstring desktop;
  std::wstring programFolder;
};

LinkFolders FoldersFor(bool allUsers) {
  if (allUsers) {
    return {SpecialFolder(CSIDL_COMMON_PROGRAMS) + L"\\Veltrin",
            SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY),
            SpecialFolder(CSIDL_COMMON_APPDATA) + L"\\Kestrel"};
  }
  return {SpecialFolder(CSIDL_PROGRAMS) + L"\\Veltrin", SpecialFolder(CSIDL_DESKTOPDIRECTORY),
          SpecialFolder(CSIDL_LOCAL_APPDATA) + L"\\Kestrel"};
}

struct LoadedLink {
  bool loaded = false;
  std::wstring target;
  std::wstring arguments;
  std::wstring iconPath;
  int iconIndex = -1;
};

LoadedLink LoadLink(const std::wstring& file) {
  LoadedLink link;
  IShellLinkW* shellLink = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&shellLink)))) {
    return link;
  }
  IPersistFile* persist = nullptr;
  if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
    if (SUCCEEDED(persist->Load(file.c_str(), STGM_READ))) {
      wchar_t text[MAX_PATH] = {};
      link.loaded = true;
      if (SUCCEEDED(shellLink->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH))) link.target = text;
      text[0] = L'\0';
      if (SUCCEEDED(shellLink->GetArguments(text, MAX_PATH))) link.arguments = text;
      text[0] = L'\0';
      if (SUCCEEDED(shellLink->GetIconLocation(text, MAX_PATH, &link.iconIndex))) {
        link.iconPath = text;
      }
    }
    persist->Release();
  }
  shellLink->Release();
  return link;
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveLinks(bool allUsers) {
  LinkFolders folders = FoldersFor(allUsers);
  DeleteFileW((folders.programs + L"\\Veltrin.lnk").c_str());
  DeleteFileW((folders.programs + L"\\" + kUninstallName + L".lnk").c_str());
  RemoveDirectoryW(folders.programs.c_str());
  DeleteFileW((folders.desktop + L"\\Veltrin.lnk").c_str());
}

class ShortcutsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    Clear();
  }
  void TearDown() override {
    Clear();
    CoUninitialize();
  }
  static void Clear() {
    RemoveLinks(1);
    RemoveLinks(0);
    ClearProductRegistry();
  }

  // The three links of an install in the folders of its flag.
  static void ExpectLinks(bool allUsers) {
    LinkFolders folders = FoldersFor(allUsers);
    const std::wstring mainProgram = folders.programFolder + L"\\kestrel.exe";
    const std::wstring uninstaller = folders.programFolder + L"\\uninstall.exe";
    struct Expected {
      std::wstring file;
      std::wstring target;
      std::wstring arguments;
    };
    const Expected links[] = {
        {folders.programs + L"\\Veltrin.lnk", mainProgram, L"showmain"},
        {folders.programs + L"\\" + kUninstallName + L".lnk", uninstaller, L""},
        {folders.desktop + L"\\Veltrin.lnk", mainProgram, L"showmain"},
    };
    for (const Expected& expected : links) {
      SCOPED_TRACE(testing::PrintToString(expected.file));
      LoadedLink link = LoadLink(expected.file);
      ASSERT_TRUE(link.loaded);
      EXPECT_EQ(link.target, expected.target);
      EXPECT_EQ(link.arguments, expected.arguments);
      EXPECT_EQ(link.iconPath, expected.target);
      EXPECT_EQ(link.iconIndex, 0);
    }
  }

  static void ExpectNoLinks(bool allUsers) {
    LinkFolders folders = FoldersFor(allUsers);
    EXPECT_FALSE(Exists(folders.programs));
    EXPECT_FALSE(Exists(folders.desktop + L"\\Veltrin.lnk"));
  }
};

TEST_F(ShortcutsTest, LinksGoIntoTheFoldersOfTheFlag) {
  for (bool allUsers : {true, false}) {
    SCOPED_TRACE(allUsers);
    Clear();
    EXPECT_TRUE(kst::CreateShortcuts(allUsers));
    ExpectLinks(allUsers);
    ExpectNoLinks(!allUsers);
  }
}

TEST_F(ShortcutsTest, InstallingTwiceWritesTheLinksAgain) {
  EXPECT_TRUE(kst::CreateShortcuts(true));
  LinkFolders folders = FoldersFor(true);
  const std::wstring files[] = {folders.programs + L"\\Veltrin.lnk",
                                folders.programs + L"\\" + kUninstallName + L".lnk",
                                folders.desktop + L"\\Veltrin.lnk"};
  for (const std::wstring& file : files) {
    HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(handle, "not a link", 10, &written, nullptr);
    CloseHandle(handle);
    ASSERT_FALSE(LoadLink(file).loaded);
  }

  EXPECT_TRUE(kst::CreateShortcuts(true));

  ExpectLinks(true);
}

// The common desktop is a folder that its users may write: a second name of someone else's file at
// the desktop link's name would have the link written into that file. The name goes and the link
// is written anew; their file stays as it was.
TEST_F(ShortcutsTest, ALinkIsNotWrittenThroughASecondNameAtItsName) {
  LinkFolders folders = FoldersFor(true);
  const std::wstring theirs = folders.desktop + L"\\theirs.txt";
  const std::wstring desktopLink = folders.desktop + L"\\Veltrin.lnk";
  HANDLE handle = CreateFileW(theirs.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(handle, "theirs", 6, &written, nullptr);
  CloseHandle(handle);
  ASSERT_TRUE(CreateHardLinkW(desktopLink.c_str(), theirs.c_str(), nullptr));

  EXPECT_TRUE(kst::CreateShortcuts(true));

  ExpectLinks(true);
  char text[16] = {};
  handle = CreateFileW(theirs.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                       nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  ReadFile(handle, text, sizeof(text) - 1, &written, nullptr);
  CloseHandle(handle);
  EXPECT_STREQ(text, "theirs");
  DeleteFileW(theirs.c_str());
}

TEST_F(ShortcutsTest, RemovalFollowsTheRecordedFlag) {
  struct Case {
    const char* name;
    bool recorded;
    DWORD allUsers;
    bool removedForAllUsers;
  };
  const Case cases[] = {
      {"all users", true, 1, true},
      {"current user", true, 0, false},
      {"nothing recorded", false, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Clear();
    EXPECT_TRUE(kst::CreateShortcuts(true));
    EXPECT_TRUE(kst::CreateShortcuts(false));
    if (c.recorded) {
      ASSERT_TRUE(kst::EnsureProductKey());
      ASSERT_TRUE(kst::WriteInstallForAllUser(c.allUsers));
    }
    // Something the product left in its start-menu folder goes with it.
    LinkFolders folders = FoldersFor(c.removedForAllUsers);
    HANDLE extra = CreateFileW((folders.programs + L"\\readme.txt").c_str(), GENERIC_WRITE, 0,
                               nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(extra, INVALID_HANDLE_VALUE);
    CloseHandle(extra);

    EXPECT_TRUE(kst::DeleteShortcuts());
    ExpectNoLinks(c.removedForAllUsers);
    ExpectLinks(!c.removedForAllUsers);

    // Again, with everything of that install gone already.
    EXPECT_TRUE(kst::DeleteShortcuts());
    ExpectNoLinks(c.removedForAllUsers);
    ExpectLinks(!c.removedForAllUsers);
  }
}

TEST_F(ShortcutsTest, ShellLinkWithoutArgumentsAndIntoAMissingFolder) {
  const std::wstring folder = SpecialFolder(CSIDL_COMMON_PROGRAMS) + L"\\Veltrin";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  const std::wstring file = folder + L"\\Veltrin.lnk";
  const wchar_t target[] = L"C:\\Program Files\\Kestrel\\kestrel.exe";

  EXPECT_TRUE(kst::CreateShellLink(target, file.c_str(), nullptr));
  LoadedLink link = LoadLink(file);
  ASSERT_TRUE(link.loaded);
  EXPECT_EQ(link.target, target);
  EXPECT_EQ(link.arguments, L"");
  EXPECT_EQ(link.iconPath, target);
  EXPECT_EQ(link.iconIndex, 0);

  const std::wstring nowhere = folder + L"\\missing\\Veltrin.lnk";
  EXPECT_FALSE(kst::CreateShellLink(target, nowhere.c_str(), L"showmain"));
  EXPECT_FALSE(Exists(nowhere));
}

TEST(SpecialFolderPaths, NameAndLinkBehindTheShellFolder) {
  kst::CPath path;
  ASSERT_TRUE(kst::SpecialFolderItemPath(path, CSIDL_COMMON_PROGRAMS, L"Veltrin"));
  EXPECT_EQ(std::wstring(path.Get()), SpecialFolder(CSIDL_COMMON_PROGRAMS) + L"\\Veltrin");
  ASSERT_TRUE(kst::SpecialFolderLinkPath(path, CSIDL_DESKTOPDIRECTORY, L"Veltrin\\Veltrin"));
  EXPECT_EQ(std::wstring(path.Get()),
            SpecialFolder(CSIDL_DESKTOPDIRECTORY) + L"\\Veltrin\\Veltrin.lnk");

  // A name that would run past the path's room leaves the path as it was.
  const std::wstring longName(kst::kMaxPath, L'x');
  EXPECT_FALSE(kst::SpecialFolderItemPath(path, CSIDL_COMMON_PROGRAMS, longName.c_str()));
  const std::wstring nearlyFitting(kst::kMaxPath - 2 - SpecialFolder(CSIDL_PROGRAMS).size(), L'x');
  EXPECT_TRUE(kst::SpecialFolderItemPath(path, CSIDL_PROGRAMS, nearlyFitting.c_str()));
  EXPECT_FALSE(kst::SpecialFolderLinkPath(path, CSIDL_PROGRAMS, nearlyFitting.c_str()));
  EXPECT_EQ(std::wstring(path.Get()), SpecialFolder(CSIDL_PROGRAMS) + L"\\" + nearlyFitting);
}

}  // namespace
