// Someone with an ordinary account may leave a link where the elevated installer makes a folder, or
// inside the folders that the uninstaller empties: nothing is written, registered or deleted
// through it.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "InstallState.h"
#include "InstallerProgram.h"
#include "InstallerSession.h"
#include "ProxyDoubles.h"
#include "WholeRuns.h"
#include "tests/support/TestFiles.h"
#include <gtest/gtest.h>

namespace kst::test {
namespace {

using namespace std::chrono_literals;
using Strings = std::vector<std::string>;

constexpr char kFolderFailure[] = "安装失败,无法创建文件夹";
constexpr char kSentinelText[] = "not the product's";

// A folder of someone else's with a sentinel file, and the links made to it. At the end the links
// go first, by the file system's own means: Windows calls would follow them (and under Wine remove
// what they point to).
class CLinkTarget {
 public:
  // Each case its own folder: a link left over from an earlier case cannot reach it.
  explicit CLinkTarget(const std::wstring& name) : folder_(MakeScratchFolder(name)) {
    std::ofstream(std::filesystem::path(folder_ + L"\\sentinel.txt")) << kSentinelText;
  }
  ~CLinkTarget() {
    for (const std::wstring& link : links_) RemoveLink(link);
    RemoveTree(folder_);
  }
  CLinkTarget(const CLinkTarget&) = delete;
  CLinkTarget& operator=(const CLinkTarget&) = delete;

  bool LinkFrom(const std::wstring& link) {
    links_.push_back(link);
    return MakeLink(link, folder_);
  }
  const std::wstring& Folder() const { return folder_; }
  bool SentinelKept() const {
    std::vector<char> text = ReadFileBytes(folder_ + L"\\sentinel.txt");
    return std::string(text.begin(), text.end()) == kSentinelText;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const std::wstring& name : ListFolder(folder_)) names.push_back(Utf8(name));
    return names;
  }

 private:
  std::wstring folder_;
  std::vector<std::wstring> links_;
};

bool StartsWith(const std::string& text, const std::string& start) {
  return text.rfind(start, 0) == 0;
}

class LinkedFolderTest : public CleanSystemTest {};

// Each folder the install would make, taken first by a link or by a file: the install ends with
// the folder failure before it has extracted or registered anything. Folders in front of the taken
// one may have been made.
TEST_F(LinkedFolderTest, AnInstallRefusesAFolderTakenByALinkOrAFile) {
  const CInstallPlaces allUsers = PlacesFor(true);
  struct Case {
    const char* name;
    bool allUsers;
    std::wstring taken;
    bool byFile;
  } const cases[] = {
      {"the all-users program folder is a link", true, allUsers.programFolder, false},
      {"the per-user program folder is a link", false, PlacesFor(false).programFolder, false},
      {"the data root is a link", true, allUsers.dataRoot, false},
      {"App_Config is a link", true, allUsers.programFolder + L"\\App_Config", false},
      {"the program folder is a file", true, allUsers.programFolder, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClearInstallState();
    const CInstallPlaces places = PlacesFor(c.allUsers);
    const std::wstring parent = c.taken.substr(0, c.taken.find_last_of(L'\\'));
    ASSERT_TRUE(std::filesystem::is_directory(parent) || std::filesystem::create_directory(parent));
    CLinkTarget target(L"install-link-target-" + std::to_wstring(&c - cases));
    if (c.byFile) {
      std::ofstream(std::filesystem::path(c.taken)) << "a file";
    } else {
      ASSERT_TRUE(target.LinkFrom(c.taken));
    }

    CInstallerSession installer;
    ASSERT_TRUE(installer.Start(InstallerPath()));
    if (!c.allUsers) {
      ASSERT_TRUE(installer.Press(kSettingsLink));
      ASSERT_TRUE(installer.Press(kAllUsersBox));
    }
    ASSERT_TRUE(installer.Press(kMainButton));

    EXPECT_EQ(BoxTexts(installer.Boxes()), Strings{});
    EXPECT_EQ(installer.TextOf(kStatusLabel), kFolderFailure);
    EXPECT_EQ(installer.TextOf(kMainButton), "一键安装");
    const std::string base =
        Utf8(places.programFolder.substr(0, places.programFolder.rfind(L'\\')));
    EXPECT_EQ(installer.Log().TextsOf(kStatusLabel),
              (Strings{"创建文件夹: " + base, kFolderFailure}));
    EXPECT_EQ(target.Names(), Strings{"sentinel.txt"});
    EXPECT_TRUE(target.SentinelKept());
    if (c.byFile) {
      EXPECT_EQ(ReadFileBytes(c.taken), (std::vector<char>{'a', ' ', 'f', 'i', 'l', 'e'}));
    }
    // Nothing but folders, the taken name and what it shows: no product file, key, value,
    // service or link of an install.
    const std::string taken = Utf8(c.taken);
    for (const std::string& line : InstallStateListing()) {
      const bool madeFolder = StartsWith(line, "folder " + Utf8(places.programFolder)) ||
                              StartsWith(line, "folder " + Utf8(places.dataRoot));
      const bool seenThroughTheLink = StartsWith(line, "file " + taken + "\\sentinel.txt ");
      EXPECT_TRUE(madeFolder || seenThroughTheLink) << line;
    }
    ASSERT_TRUE(installer.PressLater(kCloseButton));
    ASSERT_TRUE(installer.Process().WaitForExit(10s));
  }
}

// After an install, someone who may write the program folder put a second name of one of their
// files at kestrel.exe and a link to another at kstupdate.exe: the reinstall writes the product
// files anew and leaves both of their files as they were. (Under Wine, which opens what a link to
// a file points to even when asked for the link, that product file fails instead.)
TEST_F(LinkedFolderTest, AReinstallWritesNoFileThroughASecondNameOrALink) {
  const CInstallPlaces places = PlacesFor(true);
  Install(true);
  CLinkTarget target(L"linked-product-files");
  const std::wstring hardLinked = target.Folder() + L"\\hard-linked.txt";
  std::ofstream(std::filesystem::path(hardLinked)) << kSentinelText;
  const std::wstring product = places.programFolder + L"\\kestrel.exe";
  const std::wstring updater = places.programFolder + L"\\kstupdate.exe";
  ASSERT_TRUE(::DeleteFileW(product.c_str()) && ::DeleteFileW(updater.c_str()));
  ASSERT_TRUE(::CreateHardLinkW(product.c_str(), hardLinked.c_str(), nullptr));
  ASSERT_TRUE(MakeLink(updater, target.Folder() + L"\\sentinel.txt"));

  CInstallerSession installer;
  ASSERT_TRUE(installer.Start(InstallerPath()));
  ASSERT_TRUE(installer.Press(kMainButton));

  EXPECT_TRUE(target.SentinelKept());
  const std::vector<char> hardLinkedText = ReadFileBytes(hardLinked);
  EXPECT_EQ(std::string(hardLinkedText.begin(), hardLinkedText.end()), kSentinelText);
  EXPECT_TRUE(ReadFileBytes(product) == ReadFileBytes(PayloadFile(L"kestrel.exe")))
      << "kestrel.exe was not written anew";
  RemoveLink(updater);
  ASSERT_TRUE(
      installer.PressLater(installer.TextOf(kMainButton) == "退出" ? kMainButton : kCloseButton));
  ASSERT_TRUE(installer.Process().WaitForExit(10s));
  CloseProductWindows();
}

// A folder that the uninstaller empties holds a link to someone else's folder, or the program
// folder itself is such a link (to a folder holding the install's files): whatever the link points
// to stays as it was.
TEST_F(LinkedFolderTest, AnUninstallLeavesWhatALinkPointsTo) {
  struct Case {
    const char* name;
    bool allUsers;
    const wchar_t* link;  // below the program folder, or the program folder itself when empty
    bool linkInDataRoot;
  } const cases[] = {
      {"a link in App_Temp, for all users", true, L"\\App_Temp\\linked", false},
      {"a link in the program folder, for the current user", false, L"\\linked", false},
      {"a link in the configuration removed with it", true, L"\\userdata\\linked", true},
      {"the program folder is a link", true, L"", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClearInstallState();
    const CInstallPlaces places = PlacesFor(c.allUsers);
    ASSERT_NO_FATAL_FAILURE(Install(c.allUsers));
    CLinkTarget target(L"uninstall-link-target-" + std::to_wstring(&c - cases));
    if (c.link[0] == L'\0') {
      // The install's files move into the target, and the program folder becomes a link to it.
      for (const std::wstring& name : ListFolder(places.programFolder)) {
        ASSERT_TRUE(::MoveFileW((places.programFolder + L"\\" + name).c_str(),
                                (target.Folder() + L"\\" + name).c_str()));
      }
      ASSERT_TRUE(::RemoveDirectoryW(places.programFolder.c_str()));
    }
    const std::wstring link = (c.linkInDataRoot ? places.dataRoot : places.programFolder) + c.link;
    ASSERT_TRUE(target.LinkFrom(link));
    const Strings before = target.Names();
    CProxyDoubles doubles(L"");
    ASSERT_TRUE(doubles.Installed());

    CInstallerSession uninstaller;
    ASSERT_TRUE(uninstaller.Start(places.programFolder + L"\\uninstall.exe"));
    ASSERT_TRUE(uninstaller.Press(kMainButton));
    bool startedShell = false;
    WaitForTheEnd(uninstaller, startedShell);

    EXPECT_EQ(BoxTexts(uninstaller.Boxes()),
              (Strings{"警告: 确定要Veltrin吗?卸载之后您将无法抵御有害信息的进攻!",
                       "卸载完成: 感谢您使用Veltrin,更多功能即将推出,敬请关注!"}));
    EXPECT_EQ(target.Names(), before);
    EXPECT_TRUE(target.SentinelKept());
  }
}

}  // namespace
}  // namespace kst::test
