// Unattended runs, started as a management tool starts them: with switches, watched from outside
// for any window or message box of the program's own, judged by the exit code, the state they
// leave (compared with what the window's runs leave) and the log they write.
#include <shlobj.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "InstallState.h"
#include "InstallerProgram.h"
#include "InstallerSession.h"
#include "ProcessFacts.h"
#include "ProxyDoubles.h"
#include "WholeRuns.h"
#include "install/ProductComponents.h"
#include "tests/support/MessageBoxWatcher.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestProcess.h"
#include <gtest/gtest.h>

namespace kst::test {
namespace {

using namespace std::chrono_literals;
using Strings = std::vector<std::string>;

constexpr DWORD kBadCommandLine = 2;
constexpr DWORD kAnotherInstance = 1618;
constexpr DWORD kProductRunning = 10;
constexpr DWORD kUpdaterRunning = 11;
constexpr DWORD kPasswordLock = 12;
constexpr DWORD kNotInstalled = 13;
constexpr DWORD kFileFailed = 20;
constexpr DWORD kProxyResetFailed = 22;
constexpr DWORD kServiceNotRemoved = 24;
constexpr DWORD kRestartNeeded = 3010;

// A run of the program with switches, from its start to its end.
class CSilentRun {
 public:
  // False when the program did not start or did not end in time.
  bool Run(const std::wstring& program, const std::wstring& arguments) {
    if (!process_.Start(program, arguments)) return false;
    CMessageBoxWatcher boxes(process_.Id());
    const auto deadline = std::chrono::steady_clock::now() + 90s;
    while (!process_.WaitForExit(10ms)) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      windowSeen_ = windowSeen_ || !FindTopLevelWindows(process_.Id(), nullptr, true).empty() ||
                    !FindTopLevelWindows(process_.Id(), kFrameClassName).empty();
    }
    boxes_ = BoxTexts(boxes);
    return true;
  }

  DWORD ExitCode() const { return process_.ExitCode(); }
  // A visible window of the program's own, or its frame even hidden, while it ran.
  bool WindowSeen() const { return windowSeen_; }
  const Strings& Boxes() const { return boxes_; }
  CTestProcess& Process() { return process_; }

 private:
  CTestProcess process_;
  bool windowSeen_ = false;
  Strings boxes_;
};

// The log's lines without the time in front of each; the time's form is checked on the way.
Strings LogLines(const std::wstring& path) {
  const std::vector<char> bytes = ReadFileBytes(path);
  return LogLinesWithoutTime(std::string(bytes.begin(), bytes.end()));
}

// Whether `expected` appear in `lines` in this order (others may lie between).
bool ContainsInOrder(const Strings& lines, const Strings& expected) {
  size_t at = 0;
  for (const std::string& line : lines) {
    if (at < expected.size() && line == expected[at]) ++at;
  }
  return at == expected.size();
}

// A link records its target's file times, which differ from one install to the next: its lines
// keep their size but lose their checksum. What the links say is checked on its own.
Strings WithoutLinkChecksums(Strings listing) {
  for (std::string& line : listing) {
    if (line.rfind("file ", 0) == 0 && line.find(".lnk ") != std::string::npos)
      line.erase(line.rfind(' '));
  }
  return listing;
}

std::wstring LogPathIn(const wchar_t* scratch) { return MakeScratchFolder(scratch) + L"\\run.log"; }

// A quick install for the tests of the removal: for all users, the product left unstarted.
void SilentInstallForAllUsers() {
  CSilentRun install;
  ASSERT_TRUE(install.Run(InstallerPath(), L"/S /ALLUSERS /NOLAUNCH"));
  ASSERT_EQ(install.ExitCode(), 0u);
}

// Waits until the uninstaller's removal shell, if it started one, has ended; whether it did.
bool WaitForRemovalShell(CSilentRun& uninstall) {
  std::vector<DWORD> shells = ChildProcesses(uninstall.Process().Id(), L"cmd.exe");
  for (DWORD shell : shells) EXPECT_TRUE(WaitForProcessExit(shell, 60s));
  return !shells.empty();
}

constexpr wchar_t kSessionManagerKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingOperations[] = L"PendingFileRenameOperations";

// The system's queue for the next restart, its strings in order; empty without one.
std::vector<std::wstring> RestartQueue() {
  std::vector<wchar_t> data(64 * 1024);
  DWORD size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingOperations,
                     RRF_RT_REG_MULTI_SZ, nullptr, data.data(), &size) != ERROR_SUCCESS)
    return {};
  std::vector<std::wstring> strings;
  const size_t length = size / sizeof(wchar_t);
  for (size_t at = 0; at < length;) {
    std::wstring text(data.data() + at);
    at += text.size() + 1;
    strings.push_back(text);
  }
  while (!strings.empty() && strings.back().empty() && strings.size() % 2 == 1) strings.pop_back();
  return strings;
}

bool QueuedForDeletion(const std::vector<std::wstring>& queue, const std::wstring& path) {
  for (size_t i = 0; i + 1 < queue.size(); i += 2)
    if (::lstrcmpiW(queue[i].c_str(), (L"\\??\\" + path).c_str()) == 0 && queue[i + 1].empty())
      return true;
  return false;
}

// The queue is the prefix's: no case leaves one behind for the next.
class CRestartQueueCleared {
 public:
  CRestartQueueCleared() { Clear(); }
  ~CRestartQueueCleared() { Clear(); }
  CRestartQueueCleared(const CRestartQueueCleared&) = delete;
  CRestartQueueCleared& operator=(const CRestartQueueCleared&) = delete;

 private:
  static void Clear() {
    ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingOperations);
  }
};

// What a restart of Windows does with the queue, as Wine's restart does it.
void RestartTheSystem() {
  CTestProcess restart;
  ASSERT_TRUE(restart.Start(L"C:\\windows\\system32\\wineboot.exe", L"-r"));
  ASSERT_TRUE(restart.WaitForExit(60s));
}

class SilentTest : public CleanSystemTest {};

TEST_F(SilentTest, AnInstallOfEitherScopeLeavesWhatTheWindowsInstallLeavesAndShowsNothing) {
  for (bool allUsers : {true, false}) {
    SCOPED_TRACE(allUsers ? "/S /ALLUSERS" : "/S");
    ClearInstallState();
    Install(allUsers);
    const Strings windowState = WithoutLinkChecksums(InstallStateListing());
    ClearInstallState();
    const std::wstring log = LogPathIn(L"silent-install");

    CSilentRun install;
    ASSERT_TRUE(install.Run(InstallerPath(), std::wstring(allUsers ? L"/S /ALLUSERS" : L"/s") +
                                                 L" \"/LOG=" + log + L"\""));

    EXPECT_EQ(install.ExitCode(), 0u);
    EXPECT_FALSE(install.WindowSeen());
    EXPECT_EQ(install.Boxes(), Strings{});
    EXPECT_TRUE(WaitUntil(IsProductMainWindowPresent, 15s)) << "kestrel.exe did not start";
    CloseProductWindows();
    EXPECT_EQ(WithoutLinkChecksums(InstallStateListing()), windowState);
    ExpectCompleteInstall(allUsers);

    // Every step in its order, none failed.
    const CInstallPlaces places = PlacesFor(allUsers);
    Strings steps = {allUsers ? "install for all users" : "install for the current user",
                     "check embedded files: ok"};
    for (const CProductFile& file : kProductFiles)
      steps.push_back("extract " + Utf8(InstalledPath(places, file)) + ": ok");
    for (const char* step : {"registry: product key: ok", "registry: InstallDir: ok",
                             "registry: InstallForAllUser: ok"})
      steps.push_back(step);
    steps.push_back("copy uninstaller to " + Utf8(Uninstaller(places)) + ": ok");
    steps.push_back("autostart " + Utf8(places.programFolder) + "\\kestrel.exe: ok");
    steps.push_back("start " + Utf8(places.programFolder) +
                    "\\kestrel.exe: ok, by the desktop's shell");
    steps.push_back("install finished");
    steps.push_back("open http://report.veltrin.example/installok.php: ok, by the desktop's shell");
    steps.push_back("end: exit code 0");
    const Strings lines = LogLines(log);
    EXPECT_TRUE(ContainsInOrder(lines, steps)) << ::testing::PrintToString(lines);
    for (const std::string& line : lines) EXPECT_EQ(line.find("failed"), std::string::npos) << line;
  }
}

// A deployment tool that runs the installer as the system account: whatever the switches say, the
// install is for all users (the account's own profile is no user's) and starts neither the product
// nor the report page, which would run as the system account. Wine runs every program as one
// user; the installer here is the same program with its account check saying "system account".
TEST_F(SilentTest, AsTheSystemAccountTheInstallIsForAllUsersAndStartsNothing) {
  const wchar_t* installer = _wgetenv(L"KST_AS_SYSTEM_INSTALLER");
  ASSERT_NE(installer, nullptr);
  const std::wstring log = LogPathIn(L"silent-system-account");

  CSilentRun install;
  ASSERT_TRUE(install.Run(installer, L"/S /LOG=" + log));

  EXPECT_EQ(install.ExitCode(), 0u);
  const CInstallPlaces places = PlacesFor(true);
  EXPECT_TRUE(FileExists(places.programFolder + L"\\kestrel.exe"));
  EXPECT_FALSE(FileExists(PlacesFor(false).programFolder + L"\\kestrel.exe"));
  const Strings lines = LogLines(log);
  EXPECT_TRUE(ContainsInOrder(
      lines, {"system account: for all users, nothing started", "install for all users",
              "start " + Utf8(places.programFolder) + "\\kestrel.exe: left out (system account)",
              "install finished", "end: exit code 0"}))
      << ::testing::PrintToString(lines);
  for (const std::string& line : lines) EXPECT_NE(line.rfind("open ", 0), 0u) << line;
  std::this_thread::sleep_for(2s);
  EXPECT_FALSE(IsAnyProductWindowPresent()) << "the product was started";
}

// Every user may create folders in the common application-data folder, and so the program folder
// before the install, as its owner: each folder of another owner is taken back (owner and access
// list) before anything goes in, the log says so, and the install goes on. Wine reports the
// running account as every file's owner; the installer here is the same program with its owner
// check seeing another account's folder everywhere.
TEST_F(SilentTest, FoldersOfAnotherOwnerAreTakenBackBeforeTheInstallWritesIntoThem) {
  const wchar_t* installer = _wgetenv(L"KST_FOREIGN_FOLDERS_INSTALLER");
  ASSERT_NE(installer, nullptr);
  const CInstallPlaces places = PlacesFor(true);
  ASSERT_TRUE(::CreateDirectoryW(places.programFolder.c_str(), nullptr));
  const std::wstring log = LogPathIn(L"silent-foreign-folders");

  CSilentRun install;
  ASSERT_TRUE(install.Run(installer, L"/S /ALLUSERS /NOLAUNCH /LOG=" + log));

  EXPECT_EQ(install.ExitCode(), 0u);
  EXPECT_TRUE(FileExists(places.programFolder + L"\\kestrel.exe"));
  const Strings lines = LogLines(log);
  // The program folder, then the data root, its two folders and the five App_ folders.
  EXPECT_TRUE(ContainsInOrder(
      lines, {"program folder " + Utf8(places.programFolder) + ": taken back from another owner",
              "data folders: done, 8 taken back from another owner",
              "extract " + Utf8(places.programFolder) + "\\kestrel.exe: ok", "end: exit code 0"}))
      << ::testing::PrintToString(lines);
}

// Once App_Themes and its subfolder are granted to everyone, anyone may swap App_Themes for a link
// to a folder of theirs before the product files go in: nothing is written there, and the install
// ends as for a file it cannot create. The installer here is the same program with the swap staged
// at its last grant; the test puts the link in place.
TEST_F(SilentTest, AFolderSwappedForALinkBeforeTheFilesGoInGetsNoneOfThem) {
  const wchar_t* installer = _wgetenv(L"KST_SWAPPED_FOLDER_INSTALLER");
  ASSERT_NE(installer, nullptr);
  const CInstallPlaces places = PlacesFor(true);
  const std::wstring themes = places.programFolder + L"\\App_Themes";
  const std::wstring theirs = MakeScratchFolder(L"swapped-folder-target");
  const std::string theirText = "their themes";
  ASSERT_TRUE(::CreateDirectoryW((theirs + L"\\Themes").c_str(), nullptr));
  std::ofstream(std::filesystem::path(theirs + L"\\Themes\\default.themes")) << theirText;
  const std::wstring log = LogPathIn(L"silent-swapped-folder");
  bool linked = false;
  std::thread swapper([&] {
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (!FileExists(themes + L".swapped") && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(10ms);
    linked = MakeLink(themes, theirs);
  });

  CSilentRun install;
  const bool ran = install.Run(installer, L"/S /ALLUSERS /NOLAUNCH /LOG=" + log);
  swapper.join();
  ASSERT_TRUE(ran);
  ASSERT_TRUE(linked);

  EXPECT_EQ(install.ExitCode(), kFileFailed);
  const std::vector<char> kept = ReadFileBytes(theirs + L"\\Themes\\default.themes");
  EXPECT_TRUE(std::string(kept.begin(), kept.end()) == theirText) << "their file was written";
  EXPECT_EQ(ListFolder(theirs + L"\\Themes"), std::vector<std::wstring>{L"default.themes"});
  const std::string target = Utf8(themes) + "\\Themes\\default.themes";
  const Strings lines = LogLines(log);
  EXPECT_TRUE(ContainsInOrder(
      lines,
      {"extract " + Utf8(places.programFolder) + "\\kestrel.exe: ok",
       "install failed: 安装失败,可能是某款安全软件反应过慢妨碍了文件拷贝,请退出安全软件再重试",
       "end: exit code 20"}))
      << ::testing::PrintToString(lines);
  bool refused = false;
  for (const std::string& line : lines)
    refused = refused || line.rfind("extract " + target + ": failed", 0) == 0;
  EXPECT_TRUE(refused) << ::testing::PrintToString(lines);
  RemoveLink(themes);
  RemoveTree(theirs);
}

TEST_F(SilentTest, AnInstallRefusedWhileTheProductRunsEndsWithItsCodeAndChangesNothing) {
  struct Case {
    const wchar_t* runningProgram;
    DWORD code;
  } const cases[] = {
      {L"kestrel.exe", kProductRunning},
      {L"kstupdate.exe", kUpdaterRunning},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.runningProgram));
    CTestProcess product;
    ASSERT_TRUE(product.Start(PayloadFile(c.runningProgram)));
    ASSERT_TRUE(WaitUntil(IsAnyProductWindowPresent, 15s));
    const std::wstring log = LogPathIn(L"silent-refusal");

    CSilentRun install;
    ASSERT_TRUE(install.Run(InstallerPath(), L"/S /LOG=" + log));

    EXPECT_EQ(install.ExitCode(), c.code);
    EXPECT_FALSE(install.WindowSeen());
    EXPECT_EQ(install.Boxes(), Strings{});
    EXPECT_EQ(InstallStateListing(), Strings{});
    EXPECT_TRUE(
        ContainsInOrder(LogLines(log), {"install failed: Veltrin正在运行，请卸载之后再进行安装",
                                        "end: exit code " + std::to_string(c.code)}));
    product.Terminate();
    ASSERT_TRUE(WaitUntil([] { return !IsAnyProductWindowPresent(); }, 15s));
  }
}

// The failed step names the system's reason, in a run with /S and in one with the window alike;
// only the run with /S ends with a code of its own.
TEST_F(SilentTest, AFailedStepIsLoggedWithItsErrorCode) {
  const CInstallPlaces places = PlacesFor(true);
  const std::wstring held = InstalledPath(places, kProductFiles[0]);
  const std::string failure = "安装失败,拷贝kestrel.exe时出错.";
  for (bool silent : {true, false}) {
    SCOPED_TRACE(silent ? "with /S" : "in the window");
    ClearInstallState();
    CHeldFile file(held);
    ASSERT_TRUE(file.Held());
    const std::wstring log = LogPathIn(L"silent-failed-step");
    DWORD exitCode = 0;
    if (silent) {
      CSilentRun install;
      ASSERT_TRUE(install.Run(InstallerPath(), L"/S /ALLUSERS /LOG=" + log));
      EXPECT_FALSE(install.WindowSeen());
      EXPECT_EQ(install.Boxes(), Strings{});
      exitCode = install.ExitCode();
    } else {
      CInstallerSession installer;
      ASSERT_TRUE(installer.Start(InstallerPath(), true, {}, L"/LOG=" + log));
      ASSERT_TRUE(installer.Press(kMainButton));
      EXPECT_EQ(BoxTexts(installer.Boxes()), Strings{"错误: 创建文件失败"});
      EXPECT_EQ(installer.TextOf(kStatusLabel), failure);
      ASSERT_TRUE(installer.PressLater(kCloseButton));
      ASSERT_TRUE(installer.Process().WaitForExit(10s));
      exitCode = installer.Process().ExitCode();
    }

    EXPECT_EQ(exitCode, silent ? kFileFailed : 0u);
    EXPECT_TRUE(ContainsInOrder(
        LogLines(log),
        {"extract " + Utf8(held) + ": failed, error 32", "message 错误: 创建文件失败",
         "install failed: " + failure, "end: exit code " + std::to_string(exitCode)}))
        << ::testing::PrintToString(LogLines(log));
    EXPECT_EQ(ReadFileBytes(held), CHeldFile::Content());
  }
}

TEST_F(SilentTest, AnUninstallRemovesWhatTheWindowsRemovesAndKeepsTheConfigurationUnlessTold) {
  const CInstallPlaces places = PlacesFor(true);
  for (bool removeConfig : {false, true}) {
    SCOPED_TRACE(removeConfig ? "/S /REMOVECONFIG" : "/S");
    ClearInstallState();
    SilentInstallForAllUsers();
    CProxyDoubles doubles(L"A");
    ASSERT_TRUE(doubles.Installed());
    const std::wstring log = LogPathIn(L"silent-uninstall");

    CSilentRun uninstall;
    ASSERT_TRUE(
        uninstall.Run(Uninstaller(places),
                      std::wstring(removeConfig ? L"-s -removeconfig" : L"-s") + L" /LOG=" + log));

    EXPECT_EQ(uninstall.ExitCode(), 0u);
    EXPECT_FALSE(uninstall.WindowSeen());
    EXPECT_EQ(uninstall.Boxes(), Strings{});
    EXPECT_TRUE(WaitForRemovalShell(uninstall)) << "the removal shell was not started";
    EXPECT_FALSE(FileExists(places.programFolder));
    EXPECT_EQ(FileExists(places.dataRoot), !removeConfig);
    for (const std::string& left : InstallStateListing())
      EXPECT_TRUE(!removeConfig && left.find(Utf8(places.dataRoot)) != std::string::npos) << left;
    if (!removeConfig) {
      EXPECT_TRUE(FileExists(places.userData + L"\\config.bin"));
    }
    EXPECT_TRUE(ContainsInOrder(
        LogLines(log),
        {"answer: OK", "proxy reset: ok",
         removeConfig ? "configuration folder removal: ok" : "configuration folder: kept",
         "message 卸载完成: 感谢您使用Veltrin,更多功能即将推出,敬请关注!", "self-removal shell: ok",
         "end: exit code 0"}))
        << ::testing::PrintToString(LogLines(log));
  }
}

// Package managers that remove a product silently run its entry's QuietUninstallString as it
// stands: the quoted uninstaller and /S.
TEST_F(SilentTest, TheEntrysQuietUninstallCommandRemovesTheProductWithoutAWindow) {
  const CInstallPlaces places = PlacesFor(true);
  SilentInstallForAllUsers();
  wchar_t command[1024] = L"";
  DWORD size = sizeof(command) - sizeof(wchar_t);
  ASSERT_EQ(::RegGetValueW(HKEY_LOCAL_MACHINE,
                           L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Veltrin",
                           L"QuietUninstallString", RRF_RT_REG_SZ, nullptr, command, &size),
            ERROR_SUCCESS);
  const std::wstring written = command;
  const size_t close = written.find(L'"', 1);
  ASSERT_TRUE(written.front() == L'"' && close != std::wstring::npos) << Utf8(written);
  const std::wstring program = written.substr(1, close - 1);
  const std::wstring arguments = written.substr(close + 1);
  EXPECT_EQ(program, Uninstaller(places));
  EXPECT_EQ(arguments, L" /S");
  CProxyDoubles doubles(L"");
  ASSERT_TRUE(doubles.Installed());

  CSilentRun uninstall;
  ASSERT_TRUE(uninstall.Run(program, arguments));

  EXPECT_EQ(uninstall.ExitCode(), 0u);
  EXPECT_FALSE(uninstall.WindowSeen());
  EXPECT_EQ(uninstall.Boxes(), Strings{});
  EXPECT_TRUE(WaitForRemovalShell(uninstall));
  EXPECT_FALSE(FileExists(places.programFolder));
}

// A product file that another program has open, sharing reading and deletion but not writing (as
// the system holds a library a program loaded): the reinstall renames that copy aside, queues it
// for deletion at the next restart, writes the new one under its name and says so in the log.
TEST_F(SilentTest, AProductFileInUseAtAReinstallIsRenamedAsideAndReplaced) {
  CRestartQueueCleared queue;
  const CInstallPlaces places = PlacesFor(true);
  SilentInstallForAllUsers();
  const std::wstring library = places.programFolder + L"\\ksthooker32.dll";
  const std::wstring aside = library + L".in-use-1";
  const std::vector<char> oldBuild = {'o', 'l', 'd'};
  {
    std::ofstream(std::filesystem::path(library), std::ios::binary | std::ios::trunc) << "old";
  }
  CFileHandle held(::CreateFileW(library.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(held);
  const std::wstring log = LogPathIn(L"silent-in-use-install");

  CSilentRun install;
  ASSERT_TRUE(install.Run(InstallerPath(), L"/S /ALLUSERS /NOLAUNCH /LOG=" + log));

  EXPECT_EQ(install.ExitCode(), 0u);
  EXPECT_TRUE(ReadFileBytes(library) == ReadFileBytes(PayloadFile(L"ksthooker32.dll")));
  EXPECT_EQ(ReadFileBytes(aside), oldBuild);
  EXPECT_TRUE(QueuedForDeletion(RestartQueue(), aside));
  EXPECT_TRUE(ContainsInOrder(LogLines(log), {"extract " + Utf8(library) + ": ok",
                                              "in use: " + Utf8(library) + " renamed to " +
                                                  Utf8(aside) + ", deleted at the next restart",
                                              "end: exit code 0"}))
      << ::testing::PrintToString(LogLines(log));
  held.Reset();
  ::DeleteFileW(aside.c_str());
}

// Removes the all-users install while another program holds a file of it without sharing its
// deletion, and keeps holding it until the removal shell has tried too.
void RemoveWithAFileHeld(const CInstallPlaces& places, const std::wstring& heldFile,
                         const std::wstring& log) {
  CFileHandle held(::CreateFileW(heldFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(held);
  CProxyDoubles doubles(L"");
  ASSERT_TRUE(doubles.Installed());
  CSilentRun uninstall;
  ASSERT_TRUE(uninstall.Run(Uninstaller(places), L"/S /LOG=" + log));
  EXPECT_EQ(uninstall.ExitCode(), kRestartNeeded);
  WaitForRemovalShell(uninstall);
  EXPECT_TRUE(FileExists(heldFile)) << "the file in use is gone before the restart";
}

// What the removal's passes cannot delete goes at the next restart, with the folders above it and
// the uninstaller; the run says so with 3010, and after the restart nothing of the program folder
// is left.
TEST_F(SilentTest, AFileInUseAtTheRemovalGoesAtTheNextRestart) {
  CRestartQueueCleared queue;
  const CInstallPlaces places = PlacesFor(true);
  SilentInstallForAllUsers();
  const std::wstring heldFile = places.programFolder + L"\\App_Config\\Kestrel_Global.config";
  const std::wstring log = LogPathIn(L"silent-in-use-removal");

  ASSERT_NO_FATAL_FAILURE(RemoveWithAFileHeld(places, heldFile, log));

  const std::vector<std::wstring> queued = RestartQueue();
  for (const std::wstring& path : {heldFile, places.programFolder + L"\\App_Config",
                                   Uninstaller(places), places.programFolder})
    EXPECT_TRUE(QueuedForDeletion(queued, path)) << Utf8(path);
  EXPECT_TRUE(ContainsInOrder(
      LogLines(log),
      {"deleted at the next restart: " + Utf8(heldFile),
       "deleted at the next restart: " + Utf8(places.programFolder + L"\\App_Config"),
       "deleted at the next restart: " + Utf8(places.programFolder), "end: exit code 3010"}))
      << ::testing::PrintToString(LogLines(log));

  ASSERT_NO_FATAL_FAILURE(RestartTheSystem());

  EXPECT_FALSE(FileExists(places.programFolder));
}

// An install between such a removal and the restart takes the product's entries out of the queue,
// so that the restart leaves its files alone.
TEST_F(SilentTest, AReinstallBeforeTheRestartKeepsItsFiles) {
  CRestartQueueCleared queue;
  const CInstallPlaces places = PlacesFor(true);
  SilentInstallForAllUsers();
  const std::wstring heldFile = places.programFolder + L"\\App_Config\\Kestrel_Global.config";
  ASSERT_NO_FATAL_FAILURE(
      RemoveWithAFileHeld(places, heldFile, LogPathIn(L"silent-removal-before-reinstall")));
  ASSERT_TRUE(QueuedForDeletion(RestartQueue(), heldFile));
  const std::wstring log = LogPathIn(L"silent-reinstall-before-restart");

  CSilentRun install;
  ASSERT_TRUE(install.Run(InstallerPath(), L"/S /ALLUSERS /NOLAUNCH /LOG=" + log));
  ASSERT_EQ(install.ExitCode(), 0u);
  ASSERT_NO_FATAL_FAILURE(RestartTheSystem());

  for (const std::wstring& path :
       {heldFile, Uninstaller(places), places.programFolder + L"\\kestrel.exe"})
    EXPECT_TRUE(FileExists(path)) << Utf8(path);
  bool taken = false;
  for (const std::string& line : LogLines(log))
    taken =
        taken || (line.rfind("restart queue: ", 0) == 0 && line.rfind("restart queue: 0 ", 0) != 0);
  EXPECT_TRUE(taken) << ::testing::PrintToString(LogLines(log));
}

// The service runs while the removal deletes its program: it is stopped first, and then its
// registration goes, so that nothing can start as the system account from a program folder that
// someone else may make anew.
TEST_F(SilentTest, AnUninstallStopsTheRunningFilterServiceAndRemovesIt) {
  const CInstallPlaces places = PlacesFor(true);
  SilentInstallForAllUsers();
  ASSERT_TRUE(StartFilterService());
  CProxyDoubles doubles(L"");
  ASSERT_TRUE(doubles.Installed());
  const std::wstring log = LogPathIn(L"silent-service");

  CSilentRun uninstall;
  ASSERT_TRUE(uninstall.Run(Uninstaller(places), L"/S /LOG=" + log));

  EXPECT_EQ(uninstall.ExitCode(), 0u);
  EXPECT_TRUE(WaitForRemovalShell(uninstall));
  EXPECT_FALSE(ReadFilterService().registered);
  EXPECT_FALSE(FileExists(places.programFolder));
  const Strings lines = LogLines(log);
  EXPECT_TRUE(ContainsInOrder(
      lines, {"stop filter service: ok", "filter service removal: ok", "end: exit code 0"}))
      << ::testing::PrintToString(lines);
  // Stopped before the first pass over its program.
  const std::string firstPass = "remove " + Utf8(places.programFolder) + " (first pass)";
  for (const std::string& line : lines) {
    if (line == "stop filter service: ok") break;
    EXPECT_NE(line.rfind(firstPass, 0), 0u) << "the files went first: " << line;
  }
}

// A service that takes the stop request and goes on running: the removal's wait for it ends, its
// registration is deleted all the same and goes when its process ends, and the log and the exit
// code tell the management tool that it did not stop.
TEST_F(SilentTest, AFilterServiceThatDoesNotStopIsMarkedForDeletionAndTheExitCodeSaysSo) {
  const CInstallPlaces places = PlacesFor(true);
  SilentInstallForAllUsers();
  const wchar_t* doubles = _wgetenv(L"KST_DOUBLES");
  ASSERT_NE(doubles, nullptr);
  ASSERT_TRUE(::CopyFileW((std::wstring(doubles) + L"\\stubborn_service.exe").c_str(),
                          (places.programFolder + L"\\kstservice.exe").c_str(), FALSE));
  ASSERT_TRUE(StartFilterService());
  CProxyDoubles proxyDoubles(L"");
  ASSERT_TRUE(proxyDoubles.Installed());
  const std::wstring log = LogPathIn(L"silent-stubborn-service");

  CSilentRun uninstall;
  ASSERT_TRUE(uninstall.Run(Uninstaller(places), L"/S /LOG=" + log));

  EXPECT_EQ(uninstall.ExitCode(), kServiceNotRemoved);
  EXPECT_EQ(uninstall.Boxes(), Strings{});
  const Strings lines = LogLines(log);
  auto starts = [&lines](const std::string& prefix) {
    for (const std::string& line : lines)
      if (line.rfind(prefix, 0) == 0) return true;
    return false;
  };
  EXPECT_TRUE(starts("stop filter service: failed")) << ::testing::PrintToString(lines);
  EXPECT_TRUE(ContainsInOrder(lines, {"filter service removal: ok", "end: exit code 24"}))
      << ::testing::PrintToString(lines);
  EXPECT_EQ(ReadFilterService().state, static_cast<DWORD>(SERVICE_RUNNING));
  ASSERT_TRUE(EndServiceProcess(kFilterServiceName));
  EXPECT_TRUE(WaitUntil([] { return !ReadFilterService().registered; }, 10s))
      << "the registration stays after the service's process ended";
}

TEST_F(SilentTest, UnderWinesOwnWininetTheUninstallEndsWithTheProxyResetCode) {
  const CInstallPlaces places = PlacesFor(true);
  SilentInstallForAllUsers();
  const std::wstring log = LogPathIn(L"silent-proxy");

  CSilentRun uninstall;
  ASSERT_TRUE(uninstall.Run(Uninstaller(places), L"/S /REMOVECONFIG /LOG=" + log));

  EXPECT_EQ(uninstall.ExitCode(), kProxyResetFailed);
  EXPECT_FALSE(uninstall.WindowSeen());
  EXPECT_EQ(uninstall.Boxes(), Strings{});
  EXPECT_FALSE(WaitForRemovalShell(uninstall));
  // What comes before the proxy reset went; nothing after it, the configuration included.
  EXPECT_FALSE(FileExists(places.programFolder + L"\\kestrel.exe"));
  EXPECT_FALSE(FileExists(places.startMenuFolder));
  EXPECT_FALSE(FileExists(places.desktopLink));
  EXPECT_TRUE(FileExists(places.dataRoot));
  EXPECT_TRUE(FileExists(Uninstaller(places)));
  const Strings lines = LogLines(log);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[lines.size() - 3].rfind("proxy reset: failed", 0), 0u) << lines[lines.size() - 3];
  EXPECT_EQ(lines[lines.size() - 2].rfind("message 错误: 设置网页代理失败", 0), 0u);
  EXPECT_EQ(lines.back(), "end: exit code 22");
}

TEST_F(SilentTest, AnUninstallRefusalEndsWithItsCodeAndChangesNothing) {
  const CInstallPlaces places = PlacesFor(true);
  SilentInstallForAllUsers();
  // A "\\Kestrel" folder, but in no application-data folder.
  const std::wstring stray = SpecialFolder(CSIDL_WINDOWS).substr(0, 2) + L"\\Kestrel";
  CTestProcess product;
  const DWORD one = 1;
  struct Case {
    const char* name;
    std::function<void()> arrange;
    std::function<void()> undo;
    std::wstring program;
    DWORD code;
  } const cases[] = {
      {"the product runs",
       [&] {
         ASSERT_TRUE(product.Start(places.programFolder + L"\\kestrel.exe"));
         ASSERT_TRUE(WaitUntil(IsProductMainWindowPresent, 15s));
       },
       [&] {
         product.Terminate();
         ASSERT_TRUE(WaitUntil([] { return !IsAnyProductWindowPresent(); }, 15s));
       },
       Uninstaller(places), kProductRunning},
      {"the random password is on",
       [&] { SetProductValue(L"RandomPassword", REG_DWORD, &one, sizeof one); },
       [] { DeleteProductValue(L"RandomPassword"); }, Uninstaller(places), kPasswordLock},
      {"an uninstaller outside the program folder", [] {}, [] {},
       CopyInstallerTo(stray, L"uninstall.exe"), kNotInstalled},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.arrange();
    const Strings before = InstallStateListing();

    CSilentRun uninstall;
    ASSERT_TRUE(uninstall.Run(c.program, L"/S /REMOVECONFIG"));

    EXPECT_EQ(uninstall.ExitCode(), c.code);
    EXPECT_FALSE(uninstall.WindowSeen());
    EXPECT_EQ(uninstall.Boxes(), Strings{});
    EXPECT_EQ(InstallStateListing(), before);
    c.undo();
  }
  RemoveTree(stray);
}

TEST_F(SilentTest, ABadCommandLineChangesNothingAndOnlyTheWindowModeShowsTheUsage) {
  const std::wstring missingFolder = MakeScratchFolder(L"silent-bad") + L"\\missing";
  // A folder of the log's path replaced by a link to another folder, such as the system folder.
  const std::wstring elsewhere = MakeScratchFolder(L"silent-bad-elsewhere");
  const std::wstring linkedFolder = MakeScratchFolder(L"bad-link") + L"\\logs";
  const std::wstring linkedLog = linkedFolder + L"\\run.log";
  ASSERT_TRUE(MakeLink(linkedFolder, elsewhere));
  struct Case {
    std::wstring arguments;
    DWORD code;
    std::string box;  // "caption: start of the text"; empty for none
  } const cases[] = {
      {L"/bogus", kBadCommandLine, "错误: 命令行有误: 未知的开关: /bogus\n\n用法:"},
      {L"/S /bogus", kBadCommandLine, ""},
      {L"/S /LOG", kBadCommandLine, ""},
      {L"/S /LOG=" + std::wstring(300, L'x'), kBadCommandLine, ""},
      {L"/S /ALLUSERS /s", kBadCommandLine, ""},
      {L"/LOG=" + missingFolder + L"\\run.log", kBadCommandLine,
       "错误: 命令行有误: 日志文件所在的文件夹不存在: " + Utf8(missingFolder) + "\\run.log"},
      {L"/S /LOG=" + missingFolder + L"\\run.log", kBadCommandLine, ""},
      {L"/LOG=" + linkedLog, kBadCommandLine,
       "错误: 命令行有误: 日志文件须是所给路径上的普通文件, 不可是链接或经由链接的文件夹: " +
           Utf8(linkedLog)},
      {L"/S /LOG=" + linkedLog, kBadCommandLine, ""},
      {L"-?", 0, "Kestrel Installer: 用法:"},
      {L"/S /?", 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.arguments));
    CSilentRun run;
    ASSERT_TRUE(run.Run(InstallerPath(), c.arguments));

    EXPECT_EQ(run.ExitCode(), c.code);
    ASSERT_EQ(run.Boxes().size(), c.box.empty() ? 0u : 1u);
    if (!c.box.empty()) {
      EXPECT_EQ(run.Boxes()[0].rfind(c.box, 0), 0u) << run.Boxes()[0];
    }
    EXPECT_TRUE(FindTopLevelWindows(run.Process().Id(), kFrameClassName).empty());
    EXPECT_EQ(InstallStateListing(), Strings{});
    EXPECT_FALSE(FileExists(missingFolder));
    EXPECT_EQ(ListFolder(elsewhere), std::vector<std::wstring>{});
  }
  RemoveLink(linkedFolder);
}

TEST_F(SilentTest, BesideARunningInstallerItEndsWithItsOwnCode) {
  CInstallerSession first;
  ASSERT_TRUE(first.Start(InstallerPath()));
  const std::wstring log = LogPathIn(L"silent-second");

  CSilentRun second;
  ASSERT_TRUE(second.Run(InstallerPath(), L"/S /LOG=" + log));

  EXPECT_EQ(second.ExitCode(), kAnotherInstance);
  EXPECT_FALSE(second.WindowSeen());
  EXPECT_EQ(InstallStateListing(), Strings{});
  EXPECT_TRUE(ContainsInOrder(LogLines(log),
                              {"another installer or uninstaller runs", "end: exit code 1618"}));
  EXPECT_EQ(first.Process().ExitCode(), static_cast<DWORD>(STILL_ACTIVE));
}

}  // namespace
}  // namespace kst::test
