// The uninstall driven through the uninstaller's window from outside: an install made through the
// installer's window, then "uninstall.exe" started from the program folder, checked on what it
// removed, what it kept, the proxy settings it left and the shell that removes it at the end.
#include <shlobj.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "InstallState.h"
#include "InstallerProgram.h"
#include "InstallerSession.h"
#include "PageReference.h"
#include "ProcessFacts.h"
#include "ProxyDoubles.h"
#include "RunLog.h"
#include "WholeRuns.h"
#include "base/Handles.h"
#include <gtest/gtest.h>

namespace kst::test {
namespace {

using namespace std::chrono_literals;
using Strings = std::vector<std::string>;

constexpr char kConfirmation[] = "警告: 确定要Veltrin吗?卸载之后您将无法抵御有害信息的进攻!";
constexpr char kFarewell[] = "卸载完成: 感谢您使用Veltrin,更多功能即将推出,敬请关注!";
constexpr char kRunningText[] = "Veltrin正在运行，请先关闭开机启动，重启电脑后再进行卸载!";
constexpr char kLockText[] = "需将密码设为空才可进行卸载!";
constexpr char kProxyError[] =
    "错误: 设置网页代理失败,Veltrin无法过滤网页数据,请检查是否被安全软件阻止.\n"
    "原因:无法修改注册表项:HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\"
    "Internet Settings";
constexpr char kDirectConnection[] = "options=1:1 2:null 3:null 4:null 5:0";

// The per-connection options that each connection was given last, by connection ("null" for the
// LAN), as the wininet stand-in logged them; and whether every call succeeded.
struct CProxyEnd {
  std::map<std::string, std::string> lastOptions;
  bool allSucceeded = true;
};

CProxyEnd ProxyEnd(const Strings& lines) {
  CProxyEnd end;
  for (const std::string& line : lines) {
    if (line.rfind("InternetSetOptionW ", 0) != 0) continue;
    end.allSucceeded =
        end.allSucceeded && line.size() >= 5 && line.substr(line.size() - 5) == "-> ok";
    if (line.rfind("InternetSetOptionW 75 ", 0) != 0) continue;
    size_t connection = line.find("connection=") + 11;
    size_t options = line.find(" options=");
    size_t result = line.find(" -> ");
    end.lastOptions[line.substr(connection, line.find(' ', connection) - connection)] =
        line.substr(options + 1, result - options - 1);
  }
  return end;
}

size_t LastIndexOf(const Strings& lines, const std::string& prefix) {
  size_t found = std::string::npos;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].rfind(prefix, 0) == 0) found = i;
  }
  return found;
}

class UninstallTest : public CleanSystemTest {};

TEST_F(UninstallTest, AConfirmedUninstallRemovesTheInstallAndLeavesADirectConnection) {
  struct Case {
    const char* name;
    bool allUsers;
    bool removeConfig;
    bool configKept;
  } const cases[] = {
      {"for all users, configuration removed", true, true, false},
      {"for all users, configuration kept", true, false, true},
      // The configuration folder is the program folder itself then.
      {"for the current user, configuration kept", false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClearInstallState();
    const CInstallPlaces places = PlacesFor(c.allUsers);
    Install(c.allUsers);
    CProxyDoubles doubles(L"A;B");
    ASSERT_TRUE(doubles.Installed());

    // What the user's own programs may have set in her environment, which the elevated
    // uninstaller inherits: none of it may choose what its shell runs.
    CScopedVariable pathExtensions(L"PATHEXT", L".COM");
    CScopedVariable commandProcessor(L"ComSpec", L"C:\\users\\Public\\cmd.exe");
    CScopedVariable userVariable(L"KST_USER_VARIABLE", L"set by the user");
    CInstallerSession uninstaller;
    ASSERT_TRUE(uninstaller.Start(Uninstaller(places)));
    if (c.allUsers && c.removeConfig) {
      EXPECT_TRUE(MatchesPageReference(uninstaller.Frame(), L"uninstall-start"));
    }
    if (!c.removeConfig) {
      ASSERT_TRUE(uninstaller.Press(kRemoveConfigBox));
    }
    ASSERT_TRUE(uninstaller.Press(kMainButton));
    ASSERT_TRUE(uninstaller.Process().WaitForExit(30s));
    EXPECT_EQ(uninstaller.Process().ExitCode(), 0u);

    // The shell's command line, read while it still pings.
    std::vector<DWORD> shells = ChildProcesses(uninstaller.Process().Id(), L"cmd.exe");
    ASSERT_EQ(shells.size(), 1u) << "the removal shell was not started";
    auto shell = ReadProcessStart(shells.front());
    ASSERT_TRUE(shell);
    // The system's own shell and ping, in the system folder, without the user's AutoRun command
    // and with an environment of the system's folders alone: nothing of the same name elsewhere
    // runs, and nothing the user's unelevated programs set reaches the elevated shell.
    const std::string system = Utf8(SpecialFolder(CSIDL_SYSTEM));
    const std::string windows = Utf8(SpecialFolder(CSIDL_WINDOWS));
    const std::string folder = Utf8(places.programFolder);
    const std::string ping = system + "\\PING.EXE";
    EXPECT_EQ(Utf8(shell->commandLine), "\"" + system + "\\cmd.exe\" /d /c " + ping +
                                            " 127.0.0.1 | rd /s/q \"" + folder + "\" rd /q \"" +
                                            folder + "\"\\uninstall.exe | " + ping + " 127.0.0.1");
    EXPECT_EQ(Utf8(shell->currentFolder), system);
    // Wine adds variables of its own (WINE..., SystemDrive) to every process it starts.
    std::map<std::string, std::string> environment;
    for (const std::wstring& entry : shell->environment) {
      const std::string text = Utf8(entry);
      const size_t equals = text.find('=', 1);  // a first "=" starts the shell's drive records
      if (equals != std::string::npos)
        environment[text.substr(0, equals)] = text.substr(equals + 1);
    }
    const std::map<std::string, std::string> expected = {
        {"ComSpec", system + "\\cmd.exe"}, {"PATH", system},
        {"PATHEXT", ".COM;.EXE"},          {"SystemRoot", windows},
        {"TEMP", windows + "\\Temp"},      {"TMP", windows + "\\Temp"}};
    for (const auto& [name, value] : expected) EXPECT_EQ(environment[name], value) << name;
    EXPECT_EQ(environment.count("KST_USER_VARIABLE"), 0u) << "the user's environment reached it";

    EXPECT_EQ(BoxTexts(uninstaller.Boxes()), (Strings{kConfirmation, kFarewell}));
    const Strings log = uninstaller.Log().Lines();
    const CProxyEnd proxy = ProxyEnd(log);
    EXPECT_TRUE(proxy.allSucceeded);
    EXPECT_EQ(proxy.lastOptions,
              (std::map<std::string, std::string>{{"null", kDirectConnection},
                                                  {"\"A\"", kDirectConnection},
                                                  {"\"B\"", kDirectConnection}}));
    // The proxy reset, then the frame hidden, then the farewell.
    size_t lastProxyCall = LastIndexOf(log, "InternetSetOptionW ");
    size_t hidden = LastIndexOf(log, "hide " + Utf8(kFrameClassName));
    size_t farewell = LastIndexOf(log, BoxTextLine("感谢您使用Veltrin,更多功能即将推出,敬请关注!"));
    ASSERT_NE(hidden, std::string::npos);
    ASSERT_NE(farewell, std::string::npos);
    EXPECT_LT(lastProxyCall, hidden);
    EXPECT_LT(hidden, farewell);

    // Under Wine's own cmd the folder goes once the uninstaller has ended.
    ASSERT_TRUE(WaitForProcessExit(shells.front(), 60s));
    EXPECT_FALSE(FileExists(places.programFolder));
    EXPECT_EQ(FileExists(places.dataRoot), c.configKept);
    // Nothing else of the install is left: no link, value, key or service.
    for (const std::string& left : InstallStateListing())
      EXPECT_TRUE(c.configKept && left.find(Utf8(places.dataRoot)) != std::string::npos) << left;
    if (c.configKept) {
      EXPECT_TRUE(FileExists(places.userData + L"\\config.bin"));
      EXPECT_TRUE(FileExists(places.systemData + L"\\filelist"));
    }
  }
}

TEST_F(UninstallTest, ARefusalShowsItsMessageAndChangesNothing) {
  const CInstallPlaces places = PlacesFor(true);
  Install(true);
  CTestProcess product;
  const DWORD one = 1;
  struct Case {
    const char* name;
    std::function<void()> arrange;
    std::function<void()> undo;
    const char* text;
  } const cases[] = {
      {"the product runs",
       [&] {
         ASSERT_TRUE(product.Start(places.programFolder + L"\\kestrel.exe"));
         ASSERT_TRUE(WaitUntil(IsProductMainWindowPresent, 15s));
       },
       [&] { product.Terminate(); }, kRunningText},
      {"the random password is on, with an empty password",
       [&] {
         SetProductValue(L"RandomPassword", REG_DWORD, &one, sizeof one);
         SetProductValue(L"Password", REG_SZ, L"", sizeof L"");
       },
       [] {
         DeleteProductValue(L"RandomPassword");
         DeleteProductValue(L"Password");
       },
       kLockText},
      {"a password is set", [] { SetProductValue(L"Password", REG_SZ, L"x", sizeof L"x"); },
       [] { DeleteProductValue(L"Password"); }, kLockText},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.arrange();
    const Strings before = InstallStateListing();
    CInstallerSession uninstaller;
    ASSERT_TRUE(uninstaller.Start(Uninstaller(places)));

    ASSERT_TRUE(uninstaller.Press(kMainButton));

    EXPECT_EQ(BoxTexts(uninstaller.Boxes()), Strings{std::string("错误: ") + c.text});
    EXPECT_EQ(uninstaller.Boxes().Boxes().at(0).buttons, std::vector<int>{IDOK});
    EXPECT_TRUE(::IsWindowVisible(uninstaller.Frame())) << "the dialog did not stay";
    EXPECT_EQ(InstallStateListing(), before);
    c.undo();
    ASSERT_TRUE(uninstaller.PressLater(kCloseButton));
    ASSERT_TRUE(uninstaller.Process().WaitForExit(10s));
  }
}

// Only OK at the confirmation goes on. The click is sent, as from another program, so that the
// main button's own procedure is still running when the program ends; the twin under test fills
// freed memory, so using the dialog or its controls after they were released would show.
TEST_F(UninstallTest, AConfirmationEndedByAnythingButOkRemovesNothing) {
  const CInstallPlaces places = PlacesFor(true);
  Install(true);
  struct Case {
    const char* name;
    std::function<void(HWND box)> end;
  } const cases[] = {
      {"Cancel",
       [](HWND box) { ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); }},
      {"the box closed", [](HWND box) { ::PostMessageW(box, WM_CLOSE, 0, 0); }},
      {"a quit message",
       [](HWND box) {
         ::PostThreadMessageW(::GetWindowThreadProcessId(box, nullptr), WM_QUIT, 0, 0);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Strings before = InstallStateListing();
    CInstallerSession uninstaller;
    ASSERT_TRUE(uninstaller.Start(Uninstaller(places), false));
    ASSERT_TRUE(uninstaller.PressLater(kMainButton));
    HWND box = WaitForWindow(uninstaller.Process().Id(), L"#32770", 30s);
    ASSERT_NE(box, nullptr);
    c.end(box);
    ASSERT_TRUE(uninstaller.Process().WaitForExit(10s));
    EXPECT_EQ(uninstaller.Process().ExitCode(), 0u);
    EXPECT_EQ(InstallStateListing(), before);
  }

  SCOPED_TRACE("a sent click, then Cancel");
  const Strings before = InstallStateListing();
  CInstallerSession uninstaller;
  ASSERT_TRUE(uninstaller.Start(Uninstaller(places)));
  uninstaller.Boxes().QueueAnswers({IDCANCEL});
  ASSERT_TRUE(uninstaller.Press(kMainButton));
  ASSERT_TRUE(uninstaller.Process().WaitForExit(10s));
  EXPECT_EQ(uninstaller.Process().ExitCode(), 0u);
  EXPECT_EQ(BoxTexts(uninstaller.Boxes()), Strings{kConfirmation});
  EXPECT_EQ(uninstaller.Boxes().Boxes().at(0).buttons, (std::vector<int>{IDOK, IDCANCEL}));
  EXPECT_EQ(InstallStateListing(), before);
}

TEST_F(UninstallTest, OutsideAProgramFolderItRefusesAtStartAndEndsWithoutAWindow) {
  const CInstallPlaces places = PlacesFor(true);
  Install(true);
  const Strings before = InstallStateListing();
  // A "\\Kestrel" folder, but in no application-data folder.
  const std::wstring stray = SpecialFolder(CSIDL_WINDOWS).substr(0, 2) + L"\\Kestrel";
  const std::wstring program = CopyInstallerTo(stray, L"uninstall.exe");

  CTestProcess uninstaller;
  ASSERT_TRUE(uninstaller.Start(program));
  CMessageBoxWatcher boxes(uninstaller.Id());
  bool frameShown = false;
  while (!uninstaller.WaitForExit(20ms) && !frameShown)
    frameShown = !FindTopLevelWindows(uninstaller.Id(), kFrameClassName, true).empty();

  std::filesystem::remove_all(stray);
  EXPECT_FALSE(frameShown);
  ASSERT_TRUE(uninstaller.WaitForExit(10s));
  EXPECT_EQ(uninstaller.ExitCode(), 0u);
  EXPECT_EQ(BoxTexts(boxes), Strings{"错误: 无效的卸载程序!"});
  EXPECT_EQ(InstallStateListing(), before);
}

// The service runs, as after every start of Windows: the removal stops it before it deletes its
// program and then deletes its registration, so that the whole install goes and no service is
// left to start as the system account from a folder someone else may make anew.
TEST_F(UninstallTest, ARunningServiceIsStoppedAndRemovedWithTheRest) {
  const CInstallPlaces places = PlacesFor(true);
  Install(true);
  ASSERT_TRUE(StartFilterService());
  CProxyDoubles doubles(L"");
  ASSERT_TRUE(doubles.Installed());

  CInstallerSession uninstaller;
  ASSERT_TRUE(uninstaller.Start(Uninstaller(places)));
  ASSERT_TRUE(uninstaller.Press(kMainButton));
  bool startedShell = false;
  WaitForTheEnd(uninstaller, startedShell);

  EXPECT_TRUE(startedShell);
  EXPECT_EQ(BoxTexts(uninstaller.Boxes()), (Strings{kConfirmation, kFarewell}));
  EXPECT_FALSE(ReadFilterService().registered);
  const std::string folder = Utf8(places.programFolder);
  for (const std::string& line : InstallStateListing())
    EXPECT_EQ(line.find(folder), std::string::npos) << line;
}

// The shell's "rd" token also names a folder "rd" in the folder the shell starts in, now the
// system folder: one there stops the shell; one beside the program folder no longer matters.
TEST_F(UninstallTest, AFolderNamedRdWhereTheShellStartsSurvivesAndNoShellIsStarted) {
  const CInstallPlaces places = PlacesFor(true);
  struct Case {
    const char* name;
    std::wstring rd;
    bool shellStarted;
  } const cases[] = {
      {"in the system folder", SpecialFolder(CSIDL_SYSTEM) + L"\\rd", false},
      {"beside the program folder",
       places.programFolder.substr(0, places.programFolder.find_last_of(L'\\')) + L"\\rd", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClearInstallState();
    Install(true);
    ASSERT_TRUE(std::filesystem::create_directory(c.rd));
    {
      std::ofstream(std::filesystem::path(c.rd + L"\\keep.txt")) << "keep";
    }
    CProxyDoubles doubles(L"");
    ASSERT_TRUE(doubles.Installed());

    CInstallerSession uninstaller;
    ASSERT_TRUE(uninstaller.Start(Uninstaller(places)));
    ASSERT_TRUE(uninstaller.Press(kMainButton));
    bool startedShell = !c.shellStarted;
    WaitForTheEnd(uninstaller, startedShell);

    EXPECT_EQ(startedShell, c.shellStarted);
    EXPECT_EQ(BoxTexts(uninstaller.Boxes()), (Strings{kConfirmation, kFarewell}));
    EXPECT_TRUE(FileExists(c.rd + L"\\keep.txt"));
    // Only the shell removes the uninstaller's own file.
    EXPECT_EQ(FileExists(Uninstaller(places)), !c.shellStarted);
    std::filesystem::remove_all(c.rd);
  }
}

TEST_F(UninstallTest, UnderWinesOwnWininetTheProxyResetEndsTheProgramAfterItsMessage) {
  const CInstallPlaces places = PlacesFor(true);
  Install(true);

  CInstallerSession uninstaller;
  ASSERT_TRUE(uninstaller.Start(Uninstaller(places)));
  ASSERT_TRUE(uninstaller.PressLater(kMainButton));
  bool startedShell = true;
  WaitForTheEnd(uninstaller, startedShell);

  EXPECT_EQ(BoxTexts(uninstaller.Boxes()), (Strings{kConfirmation, kProxyError}));
  EXPECT_FALSE(startedShell);
  // The removal before the proxy reset happened; nothing after it did.
  EXPECT_FALSE(FileExists(places.programFolder + L"\\kestrel.exe"));
  EXPECT_FALSE(FileExists(places.startMenuFolder));
  EXPECT_FALSE(FileExists(places.desktopLink));
  EXPECT_TRUE(FileExists(places.dataRoot)) << "the configuration folder was removed";
  EXPECT_TRUE(FileExists(Uninstaller(places)));
  EXPECT_EQ(uninstaller.Log().Find("hide " + Utf8(kFrameClassName)), std::nullopt);
}

TEST_F(UninstallTest, TheButtonsDoNothingWhileTheConfirmationWaits) {
  const CInstallPlaces places = PlacesFor(true);
  Install(true);
  CProxyDoubles doubles(L"");
  ASSERT_TRUE(doubles.Installed());
  CInstallerSession uninstaller;
  ASSERT_TRUE(uninstaller.Start(Uninstaller(places), false));
  ASSERT_TRUE(uninstaller.PressLater(kMainButton));
  HWND box = WaitForWindow(uninstaller.Process().Id(), L"#32770", 30s);
  ASSERT_NE(box, nullptr);

  // A second sequence would ask again and never return; closing would end the program under
  // the waiting one, also when asked by Alt+F4, the taskbar or another program. Each is sent,
  // so it has been handled when the send returns.
  ASSERT_TRUE(uninstaller.Press(kCloseButton, 10s));
  ASSERT_TRUE(uninstaller.Press(kMainButton, 10s));
  DWORD_PTR answer = 0;
  ASSERT_TRUE(
      ::SendMessageTimeoutW(uninstaller.Frame(), WM_CLOSE, 0, 0, SMTO_NORMAL, 10000, &answer));
  ASSERT_TRUE(::SendMessageTimeoutW(uninstaller.Frame(), WM_SYSCOMMAND, SC_CLOSE, 0, SMTO_NORMAL,
                                    10000, &answer));
  ASSERT_TRUE(WaitForPostedMessages(uninstaller.Control(kCloseButton), 10s));
  EXPECT_TRUE(::IsWindow(uninstaller.Frame()));
  EXPECT_EQ(uninstaller.Process().ExitCode(), static_cast<DWORD>(STILL_ACTIVE));
  // No watcher runs yet (it would answer the box), so the box itself is looked at.
  EXPECT_TRUE(::IsWindowVisible(box)) << "the box was ended";

  uninstaller.AnswerBoxes();
  bool startedShell = false;
  WaitForTheEnd(uninstaller, startedShell);
  EXPECT_EQ(BoxTexts(uninstaller.Boxes()), (Strings{kConfirmation, kFarewell}));
  EXPECT_TRUE(startedShell);
  EXPECT_FALSE(FileExists(places.programFolder));
}

}  // namespace
}  // namespace kst::test
