// The install driven through the installer's window from outside, as a user would, and checked on
// the system it changed: files, settings, registry, links, service and the started product.
#include <shlobj.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "InstallState.h"
#include "InstallerProgram.h"
#include "InstallerSession.h"
#include "PageReference.h"
#include "ProcessFacts.h"
#include "WholeRuns.h"
#include "base/Handles.h"
#include <gtest/gtest.h>

namespace kst::test {
namespace {

using namespace std::chrono_literals;
using Strings = std::vector<std::string>;

constexpr char kRunningText[] = "Veltrin正在运行，请卸载之后再进行安装";
constexpr char kConsentText[] = "Veltrin需要修改网页才能进行过滤!";
constexpr char kSecuritySoftwareText[] =
    "安装失败,可能是某款安全软件反应过慢妨碍了文件拷贝,请退出安全软件再重试";
constexpr char kFinishedPage[] =
    "main 退出 | status hidden | consent hidden | all users hidden | settings hidden | picture "
    "shown";

std::string FailedPage(const std::string& text) {
  return "main 一键安装 | status " + text +
         " | consent shown | all users hidden | settings 安装设置 | picture shown";
}

// The progress texts of a whole install, in order.
Strings ExpectedProgress(bool allUsers) {
  const CInstallPlaces places = PlacesFor(allUsers);
  Strings texts = {"创建文件夹: " +
                   Utf8(SpecialFolder(allUsers ? CSIDL_COMMON_APPDATA : CSIDL_LOCAL_APPDATA))};
  for (const CProductFile& file : kProductFiles)
    texts.push_back("安装文件: " + Utf8(InstalledPath(places, file)));
  texts.push_back("安装文件: " + Utf8(places.programFolder + L"\\uninstall.exe"));
  texts.push_back("安装桌面快捷方式和开始菜单项");
  texts.push_back("设置开机启动: Software\\Microsoft\\Windows\\CurrentVersion\\Run\\kestrel");
  texts.push_back("修改文件夹属性");
  texts.push_back("启动Veltrin");
  return texts;
}

Strings Concatenated(Strings first, const Strings& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

bool WaitForProductWindow() { return WaitUntil(IsProductMainWindowPresent, 15s); }

void ExpectPage(const CInstallerSession& installer, const wchar_t* name) {
  EXPECT_TRUE(MatchesPageReference(installer.Frame(), name));
}

// Moves a registry key with everything below it out of the way for one scope.
class CKeyAside {
 public:
  CKeyAside(HKEY hive, const wchar_t* path) : hive_(hive), path_(path) {
    CRegKey key;
    if (::RegOpenKeyExW(hive_, path_, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS) return;
    CRegKey aside;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kAsideKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          aside.Receive(), nullptr) != ERROR_SUCCESS ||
        ::RegCopyTreeW(key.Get(), nullptr, aside.Get()) != ERROR_SUCCESS)
      return;
    key.Reset();
    // Copied, so put back in any case: RegDeleteTreeW removes the key itself as well, and the
    // RegDeleteKeyW behind it then fails with nothing left to delete.
    saved_ = true;
    ::RegDeleteTreeW(hive_, path_);
    ::RegDeleteKeyW(hive_, path_);
  }
  ~CKeyAside() {
    if (saved_) {
      CRegKey key;
      CRegKey aside;
      if (::RegCreateKeyExW(hive_, path_, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Receive(),
                            nullptr) == ERROR_SUCCESS &&
          ::RegOpenKeyExW(HKEY_CURRENT_USER, kAsideKey, 0, KEY_READ, aside.Receive()) ==
              ERROR_SUCCESS)
        ::RegCopyTreeW(aside.Get(), nullptr, key.Get());
    }
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kAsideKey);
    ::RegDeleteKeyW(HKEY_CURRENT_USER, kAsideKey);
  }
  CKeyAside(const CKeyAside&) = delete;
  CKeyAside& operator=(const CKeyAside&) = delete;
  bool Missing() const {
    CRegKey key;
    return ::RegOpenKeyExW(hive_, path_, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS;
  }

 private:
  static constexpr wchar_t kAsideKey[] = L"Software\\KestrelTestsAside";
  HKEY hive_;
  const wchar_t* path_;
  bool saved_ = false;
};

// A copy of the installer with one byte in the middle of the named file's stream changed, as a
// download cut short or a flipped bit leaves it. Empty when the record could not be found.
std::wstring DamagedInstallerCopy(const char* productFile) {
  const std::wstring copy = CopyInstallerTo(MakeScratchFolder(L"damaged"), L"instkst.exe");
  std::vector<char> bytes = ReadFileBytes(copy);
  const std::string marker = std::string("@@@@[") + productFile + "]";
  auto at = std::search(bytes.begin(), bytes.end(), marker.begin(), marker.end());
  // The marker runs to its first zero; three more zeros, then the inflated and the packed size.
  auto end = std::find(at, bytes.end(), '\0');
  const size_t record = static_cast<size_t>(end - bytes.begin()) + 4;
  if (end == bytes.end() || record + 8 > bytes.size()) return L"";
  uint32_t packedSize = 0;
  std::memcpy(&packedSize, &bytes[record + 4], sizeof packedSize);
  if (packedSize < 2 || record + 8 + packedSize > bytes.size()) return L"";
  bytes[record + 8 + packedSize / 2] ^= 0x5A;
  CFileHandle file(
      ::CreateFileW(copy.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  if (!file ||
      !::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size())
    return L"";
  return copy;
}

class InstallTest : public CleanSystemTest {
 protected:
  // Opens the settings page and unticks " 为此计算机上的所有用户安装".
  static void ChooseCurrentUser(CInstallerSession& installer) {
    ASSERT_TRUE(installer.Press(kSettingsLink));
    ASSERT_TRUE(installer.Press(kAllUsersBox));
  }
};

TEST_F(InstallTest, AnInstallOfEitherKindPutsEveryPieceInPlaceAndStartsTheProduct) {
  for (bool allUsers : {true, false}) {
    SCOPED_TRACE(allUsers ? "for all users" : "for the current user");
    ClearInstallState();
    CInstallerSession installer;
    ASSERT_TRUE(installer.Start(InstallerPath()));
    if (!allUsers) {
      ExpectPage(installer, L"install-start");
      ChooseCurrentUser(installer);
      ExpectPage(installer, L"install-settings");
    }

    ASSERT_TRUE(installer.Press(kMainButton));

    EXPECT_EQ(BoxTexts(installer.Boxes()), Strings{});
    EXPECT_EQ(installer.Log().TextsOf(kStatusLabel), ExpectedProgress(allUsers));
    EXPECT_EQ(installer.Log().TextsOf(kMainButton), (Strings{"请稍等", "退出"}));
    EXPECT_EQ(installer.PageDescription(), kFinishedPage);
    ExpectCompleteInstall(allUsers);
    ExpectFilterServiceRegistration(allUsers);
    EXPECT_TRUE(WaitForProductWindow()) << "kestrel.exe did not start";
    // Started by the desktop's shell with the desktop user's rights, not by the elevated installer.
    EXPECT_EQ(StartedByDesktopShell(L"kestrel.exe").size(), 1u);
    EXPECT_EQ(ChildProcesses(installer.Process().Id(), L"kestrel.exe").size(), 0u);
    if (allUsers) ExpectPage(installer, L"install-finished");

    // After an install the main button only ends the program.
    ASSERT_TRUE(installer.PressLater(kMainButton));
    ASSERT_TRUE(installer.Process().WaitForExit(10s));
    EXPECT_EQ(installer.Process().ExitCode(), 0u);
    EXPECT_EQ(installer.Log().TextsOf(kStatusLabel).size(), ExpectedProgress(allUsers).size());
  }
}

TEST_F(InstallTest, ARefusalShowsItsTextCreatesNothingAndASecondPressInstalls) {
  struct Case {
    const char* name;
    const wchar_t* runningProgram;  // a stand-in product program that runs meanwhile
    bool consent;
    const char* text;
  } const cases[] = {
      {"the updater alone runs", L"kstupdate.exe", true, kRunningText},
      {"the product runs", L"kestrel.exe", true, kRunningText},
      {"no consent", nullptr, false, kConsentText},
      // The running product is looked for before the consent.
      {"no consent while the product runs", L"kestrel.exe", false, kRunningText},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClearInstallState();
    CTestProcess product;
    if (c.runningProgram) {
      ASSERT_TRUE(product.Start(PayloadFile(c.runningProgram)));
      ASSERT_TRUE(WaitUntil(IsAnyProductWindowPresent, 15s));
    }
    CInstallerSession installer;
    ASSERT_TRUE(installer.Start(InstallerPath()));
    if (!c.consent) {
      ASSERT_TRUE(installer.Press(kConsentBox));
    }
    const Strings before = InstallStateListing();
    ASSERT_EQ(before, Strings{});

    ASSERT_TRUE(installer.Press(kMainButton));

    EXPECT_EQ(BoxTexts(installer.Boxes()), Strings{});
    EXPECT_EQ(installer.Log().TextsOf(kStatusLabel), Strings{c.text});
    EXPECT_EQ(installer.Log().TextsOf(kMainButton), Strings{"一键安装"});
    EXPECT_EQ(installer.PageDescription(), FailedPage(c.text));
    EXPECT_EQ(InstallStateListing(), before);
    if (!c.runningProgram) ExpectPage(installer, L"install-failed");

    product.Terminate();
    if (!c.consent) {
      ASSERT_TRUE(installer.Press(kConsentBox));
    }
    ASSERT_TRUE(installer.Press(kMainButton));
    EXPECT_EQ(installer.PageDescription(), kFinishedPage);
    EXPECT_EQ(installer.Log().TextsOf(kStatusLabel),
              Concatenated({c.text}, ExpectedProgress(true)));
  }
}

TEST_F(InstallTest, AFileThatCannotBeWrittenFailsWithItsTextAndASecondPressRepeatsAll) {
  struct Case {
    size_t file;  // in kProductFiles
    const char* text;
  } const cases[] = {
      {0, "安装失败,拷贝kestrel.exe时出错."},
      {6, kSecuritySoftwareText},  // Kestrel_Global.config
      {7, kSecuritySoftwareText},  // default.themes
      {9, "安装失败,拷贝badword.txt时出错."},
      {14, "安装失败,拷贝gooddomain.txt时出错."},
  };
  const CInstallPlaces places = PlacesFor(true);
  for (const Case& c : cases) {
    const std::wstring heldPath = InstalledPath(places, kProductFiles[c.file]);
    SCOPED_TRACE(Utf8(heldPath));
    ClearInstallState();
    CHeldFile held(heldPath);
    ASSERT_TRUE(held.Held());
    CInstallerSession installer;
    ASSERT_TRUE(installer.Start(InstallerPath()));

    ASSERT_TRUE(installer.Press(kMainButton));

    EXPECT_EQ(BoxTexts(installer.Boxes()), Strings{"错误: 创建文件失败"});
    Strings progress = ExpectedProgress(true);
    progress.resize(c.file + 2);  // the base folder's text, then each file up to the held one
    EXPECT_EQ(installer.Log().TextsOf(kStatusLabel), Concatenated(progress, {c.text}));
    // The extraction's own message comes first, then the install's text.
    auto box = installer.Log().Find(BoxTextLine("创建文件失败"));
    auto failure = installer.Log().Find(TextLine(kStatusLabel, c.text));
    ASSERT_TRUE(box && failure);
    EXPECT_LT(*box, *failure);
    EXPECT_EQ(installer.PageDescription(), FailedPage(c.text));
    EXPECT_EQ(ReadFileBytes(heldPath), CHeldFile::Content());
    for (size_t before = 0; before < c.file; ++before) {
      EXPECT_EQ(ReadFileBytes(InstalledPath(places, kProductFiles[before])),
                ReadFileBytes(PayloadFile(kProductFiles[before].name)))
          << "the failed install did not leave " << Utf8(kProductFiles[before].name);
    }
    if (c.file + 1 < std::size(kProductFiles)) {
      EXPECT_FALSE(FileExists(InstalledPath(places, kProductFiles[c.file + 1])));
    }
    if (c.file == 0) ExpectPage(installer, L"install-failed-file");

    // The failed install's folders and files stay; the whole sequence runs again over them.
    held.Release();
    ASSERT_TRUE(installer.Press(kMainButton));
    EXPECT_EQ(installer.PageDescription(), kFinishedPage);
    EXPECT_EQ(installer.Log().TextsOf(kStatusLabel),
              Concatenated(Concatenated(progress, {c.text}), ExpectedProgress(true)));
    ExpectCompleteInstall(true);
  }
}

// The eighth file's stream is damaged: the install stops with that file's message box and text
// before it has created, written, granted or registered anything, over a good install as on a
// clean system.
TEST_F(InstallTest, ADamagedInstallerChangesNothing) {
  const std::wstring damaged = DamagedInstallerCopy("default.themes");
  ASSERT_FALSE(damaged.empty());
  for (bool overAnInstall : {true, false}) {
    SCOPED_TRACE(overAnInstall ? "over a good install" : "on a clean system");
    ClearInstallState();
    if (overAnInstall) {
      CInstallerSession good;
      ASSERT_TRUE(good.Start(InstallerPath()));
      ASSERT_TRUE(good.Press(kMainButton));
      ASSERT_EQ(good.PageDescription(), kFinishedPage);
      ASSERT_TRUE(good.PressLater(kMainButton));
      ASSERT_TRUE(good.Process().WaitForExit(10s));
      CloseProductWindows();
    }
    const Strings before = InstallStateListing();
    CInstallerSession installer;
    ASSERT_TRUE(installer.Start(damaged));

    ASSERT_TRUE(installer.Press(kMainButton));

    EXPECT_EQ(BoxTexts(installer.Boxes()), Strings{"错误: 文件解压失败."});
    EXPECT_EQ(installer.Log().TextsOf(kStatusLabel), Strings{kSecuritySoftwareText});
    EXPECT_EQ(installer.PageDescription(), FailedPage(kSecuritySoftwareText));
    EXPECT_EQ(InstallStateListing(), before);
    ASSERT_TRUE(installer.PressLater(kCloseButton));
    ASSERT_TRUE(installer.Process().WaitForExit(10s));
  }
}

// The user who owns the downloads folder could rename the running installer's file and put
// another program in its place while the elevated window waits: while the installer runs its file
// cannot be renamed, deleted or written, and the uninstaller is a copy of the program that runs.
TEST_F(InstallTest, TheRunningInstallersFileCannotBeSwappedAndBecomesTheUninstaller) {
  const std::wstring downloads = MakeScratchFolder(L"swap-downloads");
  const std::wstring program = CopyInstallerTo(downloads, L"instkst.exe");
  ASSERT_FALSE(program.empty());
  CInstallerSession installer;
  ASSERT_TRUE(installer.Start(program));

  EXPECT_FALSE(::MoveFileExW(program.c_str(), (downloads + L"\\renamed.exe").c_str(), 0));
  EXPECT_FALSE(::DeleteFileW(program.c_str()));
  CFileHandle writer(::CreateFileW(program.c_str(), GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(writer) << "the running installer's file could be opened for writing";

  ASSERT_TRUE(installer.Press(kMainButton));
  ASSERT_EQ(installer.PageDescription(), kFinishedPage);
  EXPECT_TRUE(ReadFileBytes(PlacesFor(true).programFolder + L"\\uninstall.exe") ==
              ReadFileBytes(program))
      << "uninstall.exe differs from the installer that ran";
  ASSERT_TRUE(installer.PressLater(kMainButton));
  ASSERT_TRUE(installer.Process().WaitForExit(10s));
  CloseProductWindows();
}

TEST_F(InstallTest, AnAutostartThatCannotBeWrittenIsReportedAfterTheProductStarted) {
  // Without the current user's Run key the value cannot be written.
  CKeyAside runKey(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run");
  ASSERT_TRUE(runKey.Missing());
  CInstallerSession installer;
  ASSERT_TRUE(installer.Start(InstallerPath(), false));
  ChooseCurrentUser(installer);

  ASSERT_TRUE(installer.PressLater(kMainButton));
  ASSERT_NE(WaitForWindow(installer.Process().Id(), L"#32770", 30s), nullptr);
  EXPECT_EQ(StartedByDesktopShell(L"kestrel.exe").size(), 1u)
      << "the product was not started before the warning";
  installer.AnswerBoxes();
  ASSERT_TRUE(WaitUntil([&] { return installer.TextOf(kMainButton) == "退出"; }, 30s));

  EXPECT_EQ(BoxTexts(installer.Boxes()), Strings{"警告: 无法修改注册表,开机启动设置失败!"});
  auto started = installer.Log().Find(TextLine(kStatusLabel, "启动Veltrin"));
  auto warning = installer.Log().Find(BoxTextLine("无法修改注册表,开机启动设置失败!"));
  auto finished = installer.Log().Find(TextLine(kMainButton, "退出"));
  ASSERT_TRUE(started && warning && finished);
  EXPECT_LT(*started, *warning);
  EXPECT_LT(*warning, *finished);
  EXPECT_EQ(installer.PageDescription(), kFinishedPage);
  EXPECT_TRUE(WaitForProductWindow()) << "kestrel.exe did not start";
  EXPECT_TRUE(runKey.Missing());
}

TEST_F(InstallTest, AReinstallReplacesEveryFileAndLeavesTheServiceRegistrationAlone) {
  const CInstallPlaces places = PlacesFor(true);
  {
    CInstallerSession installer;
    ASSERT_TRUE(installer.Start(InstallerPath()));
    ASSERT_TRUE(installer.Press(kMainButton));
    ASSERT_EQ(installer.PageDescription(), kFinishedPage);
  }
  CloseProductWindows();
  // An earlier install of another build: longer files, so that a tail would show, and a service
  // registered with other settings.
  std::vector<std::wstring> written = {places.userData + L"\\config.bin",
                                       places.programFolder + L"\\uninstall.exe"};
  for (const CProductFile& file : kProductFiles) written.push_back(InstalledPath(places, file));
  for (const std::wstring& path : written) {
    std::vector<char> old(ReadFileBytes(path).size() + 100, 'x');
    CFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD done = 0;
    ASSERT_TRUE(file &&
                ::WriteFile(file.Get(), old.data(), static_cast<DWORD>(old.size()), &done, nullptr))
        << Utf8(path);
  }
  {
    CServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    CServiceHandle service(::OpenServiceW(manager.Get(), L"Lanwarden", SERVICE_CHANGE_CONFIG));
    ASSERT_TRUE(::ChangeServiceConfigW(service.Get(), SERVICE_NO_CHANGE, SERVICE_DEMAND_START,
                                       SERVICE_NO_CHANGE, L"C:\\earlier\\kstservice.exe", nullptr,
                                       nullptr, nullptr, nullptr, nullptr, L"Earlier"));
  }
  const CServiceFacts earlier = ReadFilterService();

  CInstallerSession installer;
  ASSERT_TRUE(installer.Start(InstallerPath()));
  ASSERT_TRUE(installer.Press(kMainButton));

  EXPECT_EQ(installer.PageDescription(), kFinishedPage);
  ExpectCompleteInstall(true);
  const CServiceFacts now = ReadFilterService();
  EXPECT_EQ(Utf8(now.binaryPath), "C:\\earlier\\kstservice.exe");
  EXPECT_EQ(Utf8(now.displayName), "Earlier");
  EXPECT_EQ(now.startType, earlier.startType);
}

TEST_F(InstallTest, TheButtonsDoNothingWhileTheSequenceWaitsInAMessageBox) {
  const CInstallPlaces places = PlacesFor(true);
  CHeldFile held(InstalledPath(places, kProductFiles[0]));
  ASSERT_TRUE(held.Held());
  CInstallerSession installer;
  ASSERT_TRUE(installer.Start(InstallerPath(), false));
  ASSERT_TRUE(installer.PressLater(kMainButton));
  HWND box = WaitForWindow(installer.Process().Id(), L"#32770", 30s);
  ASSERT_NE(box, nullptr);
  // The installing page, held still by the box.
  MoveBoxOffFrame(box, installer.Frame());
  ExpectPage(installer, L"install-installing");

  // Handled inside the box's loop: a second sequence would wait in a box of its own and never
  // return, closing would destroy the dialog under the waiting one.
  ASSERT_TRUE(installer.Press(kCloseButton, 10s));
  ASSERT_TRUE(installer.Press(kMainButton, 10s));
  ASSERT_TRUE(WaitForPostedMessages(installer.Control(kCloseButton), 10s));
  EXPECT_TRUE(::IsWindow(installer.Frame()));
  EXPECT_EQ(installer.Process().ExitCode(), static_cast<DWORD>(STILL_ACTIVE));

  installer.AnswerBoxes();
  const std::string failure = "安装失败,拷贝kestrel.exe时出错.";
  ASSERT_TRUE(WaitUntil([&] { return installer.TextOf(kStatusLabel) == failure; }, 30s));
  EXPECT_EQ(BoxTexts(installer.Boxes()), Strings{"错误: 创建文件失败"});
  Strings progress = ExpectedProgress(true);
  progress.resize(2);
  EXPECT_EQ(installer.Log().TextsOf(kStatusLabel), Concatenated(progress, {failure}));
  EXPECT_EQ(installer.PageDescription(), FailedPage(failure));

  held.Release();
  ASSERT_TRUE(installer.Press(kMainButton));
  EXPECT_EQ(installer.PageDescription(), kFinishedPage);
}

}  // namespace
}  // namespace kst::test
