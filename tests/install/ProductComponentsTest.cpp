// The stand-in product behaves as the installer relies on: its windows show that it runs and go
// away on the close request, its files in use cannot be replaced, and its service runs under the
// service control manager.
#include <windows.h>

#include <chrono>
#include <string>

#include "base/Handles.h"
#include "install/EmbeddedFiles.h"
#include "install/ProductComponents.h"
#include "system/ProductProcesses.h"
#include "tests/install/PayloadTestFiles.h"
#include "tests/support/MessageBoxWatcher.h"
#include "tests/support/TestProcess.h"
#include <gtest/gtest.h>

namespace kst {
namespace {

using namespace std::chrono_literals;

std::wstring ProductFile(const wchar_t* name) { return test::PayloadFolder() + L"\\" + name; }

// Found the way the installer looks for it, hidden or not.
HWND WaitForProductWindow(const char* className, const char* title) {
  for (int i = 0; i < 200; ++i) {
    if (HWND window = FindWindowA(className, title)) return window;
    Sleep(50);
  }
  return nullptr;
}

struct WindowCase {
  const wchar_t* program;
  const wchar_t* arguments;
  const char* className;
  const char* title;
  bool visible;
  UINT closeMessage;
};

const WindowCase kWindowCases[] = {
    {L"kestrel.exe", L"", kMainWindowClass, kMainWindowTitle, false, kCloseRequestMessage},
    {L"kestrel.exe", L"showmain", kMainWindowClass, kMainWindowTitle, true, kCloseRequestMessage},
    {L"kestrel.exe", L"showmain", kMainWindowClass, kMainWindowTitle, true, WM_CLOSE},
    {L"kstupdate.exe", L"", kUpdaterWindowClass, kUpdaterWindowTitle, false, kCloseRequestMessage},
    {L"kstupdate.exe", L"", kUpdaterWindowClass, kUpdaterWindowTitle, false, WM_CLOSE},
};

TEST(ProductComponents, ProgramsOwnTheirWindowUntilAskedToClose) {
  for (const WindowCase& test : kWindowCases) {
    SCOPED_TRACE(std::string(test.className) + " " +
                 std::string(test.arguments, test.arguments + wcslen(test.arguments)) +
                 (test.closeMessage == WM_CLOSE ? " WM_CLOSE" : " close request"));
    test::CTestProcess process;
    ASSERT_TRUE(process.Start(ProductFile(test.program), test.arguments));
    HWND window = WaitForProductWindow(test.className, test.title);
    ASSERT_NE(nullptr, window);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    EXPECT_EQ(process.Id(), owner);
    // The window exists before its program shows it: a shown one may take a moment under load.
    for (int i = 0; i < 100 && test.visible && !IsWindowVisible(window); ++i) Sleep(50);
    EXPECT_EQ(test.visible, IsWindowVisible(window) != FALSE);
    EXPECT_EQ(nullptr, GetParent(window));

    SendMessageW(window, test.closeMessage, 0, 0);
    // Gone by the time the sent message returns; the uninstaller waits only 500 ms for the rest.
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(process.WaitForExit(5s));
    EXPECT_EQ(0u, process.ExitCode());
  }
}

// How the installer and the uninstaller see the running product, and ask it to go.
TEST(ProductComponents, RunningProgramsAreSeenAndClosedOnRequest) {
  EXPECT_FALSE(IsMainProgramRunning());
  EXPECT_FALSE(IsUpdaterRunning());
  EXPECT_TRUE(CloseProductWindows()) << "nothing to close";
  test::CTestProcess product;
  test::CTestProcess updater;
  ASSERT_TRUE(product.Start(ProductFile(L"kestrel.exe"), L"showmain"));
  ASSERT_TRUE(updater.Start(ProductFile(L"kstupdate.exe")));
  ASSERT_NE(nullptr, WaitForProductWindow(kMainWindowClass, kMainWindowTitle));
  ASSERT_NE(nullptr, WaitForProductWindow(kUpdaterWindowClass, kUpdaterWindowTitle));
  EXPECT_TRUE(IsMainProgramRunning());
  EXPECT_TRUE(IsUpdaterRunning());

  EXPECT_TRUE(CloseProductWindows());

  EXPECT_FALSE(IsMainProgramRunning());
  EXPECT_FALSE(IsUpdaterRunning());
  EXPECT_TRUE(product.WaitForExit(5s));
  EXPECT_TRUE(updater.WaitForExit(5s));
}

// A program that runs and a library it loaded cannot be written, but the system lets them be
// renamed: the copy in use goes aside (and waits for the next restart) while the new one takes the
// name. A file another program holds without sharing its deletion stays, and cannot be replaced.
TEST(ProductComponents, FilesInUseAreRenamedAsideWhereTheSystemLetsThem) {
  test::CMessageBoxWatcher watcher;
  std::wstring folder = test::FreshFolder(L"kst-in-use");
  const test::Bytes slot = test::MakeSlot(test::TextBytes("a newer build"));
  const test::Bytes newBuild = test::TextBytes("a newer build");
  for (const wchar_t* name : {L"kestrel.exe", L"ksthooker32.dll", L"kstupdate.exe"}) {
    ASSERT_TRUE(CopyFileW(ProductFile(name).c_str(), (folder + L"\\" + name).c_str(), FALSE));
  }
  const auto Extract = [&](const wchar_t* name, CPath* aside) {
    return ExtractEmbeddedFile(folder.c_str(), name, slot.data(), slot.size(), aside);
  };

  {
    const std::optional<test::Bytes> program = test::ReadBytes(folder + L"\\kestrel.exe");
    test::CTestProcess process;
    ASSERT_TRUE(process.Start(folder + L"\\kestrel.exe"));
    HWND window = WaitForProductWindow(kMainWindowClass, kMainWindowTitle);
    ASSERT_NE(nullptr, window);
    CPath aside;
    EXPECT_EQ(FileResult::kDoneBesideCopyInUse, Extract(L"kestrel.exe", &aside));
    EXPECT_EQ(std::wstring(aside.Get()), folder + L"\\kestrel.exe.in-use-1");
    EXPECT_EQ(newBuild, test::ReadBytes(folder + L"\\kestrel.exe"));
    EXPECT_EQ(program, test::ReadBytes(aside.Get()));
    EXPECT_TRUE(IsWindow(window)) << "the running program goes on";
    SendMessageW(window, kCloseRequestMessage, 0, 0);
    ASSERT_TRUE(process.WaitForExit(5s));
  }

  {
    const std::optional<test::Bytes> library = test::ReadBytes(folder + L"\\ksthooker32.dll");
    HMODULE hooker = LoadLibraryW((folder + L"\\ksthooker32.dll").c_str());
    ASSERT_NE(nullptr, hooker);
    EXPECT_NE(nullptr, GetProcAddress(hooker, "InstallHook"));
    CPath aside;
    EXPECT_EQ(FileResult::kDoneBesideCopyInUse, Extract(L"ksthooker32.dll", &aside));
    EXPECT_EQ(newBuild, test::ReadBytes(folder + L"\\ksthooker32.dll"));
    EXPECT_EQ(library, test::ReadBytes(aside.Get()));
    FreeLibrary(hooker);
  }

  {
    const std::wstring updater = folder + L"\\kstupdate.exe";
    const std::optional<test::Bytes> before = test::ReadBytes(updater);
    CFileHandle held(CreateFileW(updater.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    EXPECT_EQ(FileResult::kCannotCreate, Extract(L"kstupdate.exe", nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
    EXPECT_EQ(before, test::ReadBytes(updater));
    EXPECT_FALSE(test::ReadBytes(updater + L".in-use-1").has_value());
  }
  EXPECT_EQ(FileResult::kDone, Extract(L"kstupdate.exe", nullptr));

  EXPECT_TRUE(watcher.Boxes().empty()) << "the engine shows no message box of its own";
  // The renamed copies were queued for deletion at the next restart; this prefix never restarts.
  ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                       L"PendingFileRenameOperations");
  test::RemoveTree(folder);
}

DWORD WaitForServiceState(SC_HANDLE service, DWORD state) {
  SERVICE_STATUS status = {};
  for (int i = 0; i < 200; ++i) {
    if (!QueryServiceStatus(service, &status)) return 0;
    if (status.dwCurrentState == state) break;
    Sleep(50);
  }
  return status.dwCurrentState;
}

// Registered under a name of its own, so that the registration tests' "Lanwarden" is not touched;
// a program that runs one service answers to any name.
TEST(ProductComponents, ServiceRunsUnderTheServiceControlManagerUntilStopped) {
  const wchar_t kName[] = L"KstProductServiceTest";
  CServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  ASSERT_TRUE(manager);
  std::wstring program = ProductFile(L"kstservice.exe");
  CServiceHandle created(CreateServiceW(
      manager.Get(), kName, L"Veltrin filter (test)", SERVICE_ALL_ACCESS,
      SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS, SERVICE_DEMAND_START,
      SERVICE_ERROR_NORMAL, program.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
  ASSERT_TRUE(created) << GetLastError();
  created.Reset();
  // A fresh handle: the one CreateServiceW gives reports no state under Wine.
  CServiceHandle service(OpenServiceW(manager.Get(), kName, SERVICE_ALL_ACCESS));
  ASSERT_TRUE(service);

  ASSERT_TRUE(StartServiceW(service.Get(), 0, nullptr)) << GetLastError();
  EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING),
            WaitForServiceState(service.Get(), SERVICE_RUNNING));
  SERVICE_STATUS status = {};
  EXPECT_TRUE(ControlService(service.Get(), SERVICE_CONTROL_STOP, &status)) << GetLastError();
  EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED),
            WaitForServiceState(service.Get(), SERVICE_STOPPED));
  EXPECT_TRUE(DeleteService(service.Get()));
}

TEST(ProductComponents, ServiceProgramStartedByHandEndsAtOnce) {
  test::CTestProcess process;
  ASSERT_TRUE(process.Start(ProductFile(L"kstservice.exe")));
  EXPECT_TRUE(process.WaitForExit(5s));
  EXPECT_NE(0u, process.ExitCode());
}

}  // namespace
}  // namespace kst
