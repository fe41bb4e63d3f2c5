// Entry of the installer and uninstaller: one instance at a time, and either one frame with one
// loop or, with /S, the sequence alone without any window.
#include <windows.h>

#include <commctrl.h>

#include "app/CommandLine.h"
#include "app/MainFrame.h"
#include "base/Check.h"
#include "base/ComInit.h"
#include "base/ProgramPaths.h"
#include "base/StepLog.h"
#include "base/SystemLibrary.h"
#include "base/Text.h"
#include "framework/MessageLoop.h"
#include "install/ProgramCopy.h"
#include "resources/resource.h"
#include "sequences/Mode.h"
#include "sequences/SilentRun.h"

namespace kst {
namespace {

constexpr wchar_t kInstanceMutexName[] = L"instkst.exe";

template <typename Function>
Function Kernel32Function(const char* name) {
  return GetLoadedSystemFunction<Function>(L"kernel32.dll", name);
}

// The installer runs elevated from wherever it was downloaded to, where anyone may have left a
// DLL under a system DLL's name. From here on every DLL that is loaded by name, also by system
// DLLs for their own needs, comes from the system folder only (Windows 7 with KB2533623 and
// later); older systems at least stop searching the current folder. Both are looked up, as the
// oldest systems have neither.
void RestrictDllSearchToSystemFolder() {
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  using SetDllDirectoryFunction = BOOL(WINAPI*)(const wchar_t*);
  auto setDefault = Kernel32Function<SetDefaultDllDirectoriesFunction>("SetDefaultDllDirectories");
  if (setDefault != nullptr && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  if (auto setDirectory = Kernel32Function<SetDllDirectoryFunction>("SetDllDirectoryW"))
    setDirectory(L"");
}

// Where Windows offers it, the system itself refuses to follow junctions that a non-administrator
// made, for everything this elevated process opens. Elsewhere the program goes on without it.
void TrustOnlyAdministratorRedirects() {
  constexpr int kProcessRedirectionTrustPolicy = 16;
  constexpr DWORD kEnforceRedirectionTrust = 1;
  using SetPolicyFunction = BOOL(WINAPI*)(int, void*, SIZE_T);
  auto setPolicy = Kernel32Function<SetPolicyFunction>("SetProcessMitigationPolicy");
  DWORD policy = kEnforceRedirectionTrust;
  if (setPolicy != nullptr) setPolicy(kProcessRedirectionTrustPolicy, &policy, sizeof(policy));
}

// comctl32 is loaded here rather than imported, so that it and the DLLs it needs are found under
// the restricted search; the manifest still selects version 6 from the side-by-side store.
void InitCommonControls() {
  using InitFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  // Stays loaded for the whole run: the controls' window classes live in it.
  HMODULE comctl32 = ::LoadLibraryW(L"comctl32.dll");
  if (comctl32 == nullptr) return;
  auto init = reinterpret_cast<InitFunction>(
      reinterpret_cast<void (*)()>(::GetProcAddress(comctl32, "InitCommonControlsEx")));
  INITCOMMONCONTROLSEX controls = {sizeof(controls),
                                   ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
  if (init != nullptr) init(&controls);
}

constexpr size_t kUsageTextCapacity = 2048;

// The usage box (not with /S, which shows nothing): what was wrong, the switches and the exit
// codes.
ExitCode EndWithUsage(HINSTANCE instance, const CCommandLine& commandLine) {
  const bool bad = commandLine.error != SwitchError::kNone;
  if (!commandLine.silent) {
    wchar_t text[kUsageTextCapacity];
    ComposeUsageText(commandLine, text, kUsageTextCapacity);
    wchar_t title[64] = {};
    ::LoadStringW(instance, IDS_TITLE, title, ARRAYSIZE(title));
    ::MessageBoxW(nullptr, text, bad ? L"错误" : title, MB_OK);
  }
  return bad ? ExitCode::kBadCommandLine : ExitCode::kDone;
}

// What the window's boxes would choose, given by the administrator: /S is the consent.
InstallerOptions SilentOptions(const CCommandLine& commandLine) {
  InstallerOptions options;
  options.installForAllUsers = commandLine.allUsers;
  options.allowWebPageChanges = true;
  options.launchAfterInstall = !commandLine.noLaunch;
  options.removeUserConfig = commandLine.removeConfig;
  return options;
}

void LogStart(const wchar_t* commandLine) {
  CPath program;
  GetProgramPath(program);
  Log(L"start: ", program.Get(), L" ", commandLine);
}

void LogEnd(int exitCode) {
  wchar_t number[kDecimalCapacity];
  FormatDecimal(static_cast<uint32_t>(exitCode), number);
  Log(L"end: exit code ", number);
}

int RunWindow(int showCommand) {
  CMessageLoop loop;
  appModule.AddMessageLoop(&loop);
  int result = 0;
  CMainFrame frame;
  if (frame.CreateFrame() != nullptr) {
    frame.ShowWindow(showCommand);
    result = loop.Run();
  }
  appModule.RemoveMessageLoop();
  return result;
}

// The command line first: a bad one changes nothing, not even the log.
int RunProgram(HINSTANCE instance, const wchar_t* commandLineText, int showCommand) {
  // Before anything else: from now on the program's file is the one the uninstaller is copied
  // from, and nobody can rename or replace it.
  CProgramFileHold programFile;
  CCommandLine commandLine;
  if (!ParseCommandLine(commandLineText, commandLine) || commandLine.usageAsked)
    return static_cast<int>(EndWithUsage(instance, commandLine));
  CStepLog log;
  const LogOpenResult logOpened =
      commandLine.logPath.IsEmpty() ? LogOpenResult::kOpened : log.Open(commandLine.logPath.Get());
  if (logOpened == LogOpenResult::kNoFolder || logOpened == LogOpenResult::kRefused) {
    RefuseLog(commandLine, logOpened == LogOpenResult::kNoFolder ? SwitchError::kNoLogFolder
                                                                 : SwitchError::kLogNotPlainFile);
    return static_cast<int>(EndWithUsage(instance, commandLine));
  }
  LogStart(commandLineText);

  // Never closed: installer and uninstaller share the name, so neither starts beside the other.
  ::CreateMutexW(nullptr, FALSE, kInstanceMutexName);
  if (::GetLastError() == ERROR_ALREADY_EXISTS) {
    Log(L"another installer or uninstaller runs");
    int code = commandLine.silent ? static_cast<int>(ExitCode::kAnotherInstance) : 0;
    LogEnd(code);
    return code;
  }

  int result = 0;
  {
    // For the whole run: the shell links and the desktop shell that starts programs need it.
    const CComInit com;
    KST_CHECK(com.Initialised());
    if (commandLine.silent) {
      result = static_cast<int>(RunSilently(IsUninstallMode(), SilentOptions(commandLine)));
    } else {
      InitCommonControls();
      appModule.Init(instance);
      result = RunWindow(showCommand);
      appModule.Term();
    }
  }
  LogEnd(result);
  return result;
}

}  // namespace
}  // namespace kst

// The program starts here instead of in the C runtime's start-up code, which would bring
// argument parsing, thread-local storage and exit handlers that the installer never uses: it has
// no static constructors or destructors and reads its command line from Windows.
extern "C" __attribute__((force_align_arg_pointer)) void WINAPI KstStart() {
  kst::RestrictDllSearchToSystemFolder();
  kst::TrustOnlyAdministratorRedirects();
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  ::GetStartupInfoW(&startup);
  int showCommand =
      (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWDEFAULT;
  ::ExitProcess(static_cast<UINT>(kst::RunProgram(
      ::GetModuleHandleW(nullptr), kst::SkipProgramName(::GetCommandLineW()), showCommand)));
}
