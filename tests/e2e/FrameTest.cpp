// The installer's frame seen from outside: the window a user gets, the mode chosen by the
// program's own path, the single instance, hiding and closing.
#include <chrono>
#include <iterator>
#include <thread>
#include <vector>

#include "InstallerProgram.h"
#include "PageReference.h"
#include "app/FrameRequests.h"
#include "tests/support/MessageBoxWatcher.h"
#include "tests/support/TestProcess.h"
#include "tests/support/TestWindows.h"
#include <gtest/gtest.h>

namespace kst::test {
namespace {

using namespace std::chrono_literals;

constexpr int kMainButton = 1000;

class FrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(InstallerPath().empty()) << "KST_INSTALLER is not set";
    ASSERT_TRUE(EndEarlierInstallers(10s));
  }

  HWND StartAndWaitForFrame(CTestProcess& process, const std::wstring& program) {
    if (!process.Start(program)) return nullptr;
    return process.WaitForWindow(kFrameClassName, 20s);
  }
};

TEST_F(FrameTest, ShowsABorderlessFrameCentredAboveTheWorkArea) {
  CTestProcess installer;
  HWND frame = StartAndWaitForFrame(installer, InstallerPath());
  ASSERT_NE(frame, nullptr);
  auto facts = ReadWindow(frame);
  ASSERT_TRUE(facts);
  EXPECT_EQ(facts->className, kFrameClassName);
  EXPECT_EQ(Utf8(facts->text), "Kestrel Installer");
  // Top-level windows always clip their siblings; nothing else may be added to WS_POPUP.
  EXPECT_EQ(facts->style & ~(WS_VISIBLE | WS_CLIPSIBLINGS), WS_POPUP);
  // Wine drops WS_EX_WINDOWEDGE from popups when asked for the extended style.
  EXPECT_EQ(facts->exStyle & ~WS_EX_WINDOWEDGE, WS_EX_APPWINDOW);

  LONG units = ::GetDialogBaseUnits();
  EXPECT_EQ(facts->clientRect.right, 70 * LOWORD(units));
  EXPECT_EQ(facts->clientRect.bottom, 20 * HIWORD(units));

  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  ::GetMonitorInfoW(::MonitorFromWindow(frame, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT& work = monitor.rcWork;
  const RECT& window = facts->windowRect;
  EXPECT_EQ(window.left, (work.left + work.right - (window.right - window.left)) / 2);
  EXPECT_EQ(window.top, (work.top + work.bottom - (window.bottom - window.top)) / 2 - 24);

  auto dialog = ReadChild(frame, kMainButton);
  ASSERT_TRUE(dialog);
  EXPECT_EQ(Utf8(dialog->text), "一键安装");
  EXPECT_TRUE(MatchesPageReference(frame, L"install-start", L"frame-start"));
}

TEST_F(FrameTest, ASecondInstanceEndsAtOnceAndTheFirstStays) {
  CTestProcess first;
  ASSERT_NE(StartAndWaitForFrame(first, InstallerPath()), nullptr);
  CTestProcess second;
  ASSERT_TRUE(second.Start(InstallerPath()));
  ASSERT_TRUE(second.WaitForExit(10s));
  EXPECT_EQ(second.ExitCode(), 0u);
  EXPECT_TRUE(second.Windows().empty());
  EXPECT_EQ(first.ExitCode(), static_cast<DWORD>(STILL_ACTIVE));
}

TEST_F(FrameTest, TheProgramsPathChoosesTheMode) {
  struct Case {
    const wchar_t* folder;
    const wchar_t* file;
    bool uninstall;
  } cases[] = {
      {L"mode-plain", L"uninstall.exe", true},
      {L"mode-folder\\uninstall.exe.d", L"instkst.exe", true},
      {L"mode-capital", L"Uninstall.exe", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(std::wstring(c.folder) + L"\\" + c.file));
    std::wstring program = CopyInstallerTo(MakeScratchFolder(c.folder), c.file);
    CTestProcess installer;
    ASSERT_TRUE(installer.Start(program));
    CMessageBoxWatcher boxes(installer.Id());
    if (c.uninstall) {
      // Outside an install the uninstaller refuses and ends without ever showing its frame.
      ASSERT_TRUE(boxes.WaitForBoxes(1, 20s));
      ASSERT_TRUE(installer.WaitForExit(10s));
      EXPECT_EQ(installer.ExitCode(), 0u);
      auto shown = boxes.Boxes();
      EXPECT_EQ(Utf8(shown[0].caption), "错误");
      EXPECT_EQ(Utf8(shown[0].text), "无效的卸载程序!");
    } else {
      HWND frame = installer.WaitForWindow(kFrameClassName, 20s);
      ASSERT_NE(frame, nullptr);
      auto button = ReadChild(frame, kMainButton);
      ASSERT_TRUE(button);
      EXPECT_EQ(Utf8(button->text), "一键安装");
      EXPECT_TRUE(boxes.Boxes().empty());
    }
  }
}

TEST_F(FrameTest, TheHideRequestHidesAndClosingEndsWithZero) {
  CTestProcess installer;
  HWND frame = StartAndWaitForFrame(installer, InstallerPath());
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(::SendMessageW(frame, kHideFrameRequest, 0, 0), 1);
  EXPECT_FALSE(::IsWindowVisible(frame));
  EXPECT_EQ(installer.ExitCode(), static_cast<DWORD>(STILL_ACTIVE));

  ::PostMessageW(frame, WM_CLOSE, 0, 0);
  ASSERT_TRUE(installer.WaitForExit(10s));
  EXPECT_EQ(installer.ExitCode(), 0u);
}

TEST_F(FrameTest, DragsFromTheBackgroundTabsInZOrderAndIgnoresEscape) {
  CTestProcess installer;
  HWND frame = StartAndWaitForFrame(installer, InstallerPath());
  ASSERT_NE(frame, nullptr);
  HWND dialog = ::GetWindow(frame, GW_CHILD);
  ASSERT_NE(dialog, nullptr);

  // Presses on the dialog's background pass through to the frame, which drags by them.
  RECT client = {};
  ::GetClientRect(frame, &client);
  POINT middle = {client.right / 2, client.bottom / 3};
  ::ClientToScreen(frame, &middle);
  LPARAM at = MAKELPARAM(middle.x, middle.y);
  EXPECT_EQ(::SendMessageW(dialog, WM_NCHITTEST, 0, at), HTTRANSPARENT);
  EXPECT_EQ(::SendMessageW(frame, WM_NCHITTEST, 0, at), HTCAPTION);
  EXPECT_EQ(::SendMessageW(frame, WM_NCHITTEST, 0, MAKELPARAM(middle.x, -20000)), HTNOWHERE);

  // Each placement raised its control: the last placed is on top, and Tab follows that order.
  const int expectedTopFirst[] = {1011, 1010, 1012, 1007, 1006, 1000,
                                  1009, 3004, 3000, 1008, 1001, 3006};
  std::vector<int> topFirst;
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child != nullptr && topFirst.size() < 12;
       child = ::GetWindow(child, GW_HWNDNEXT))
    topFirst.push_back(::GetDlgCtrlID(child));
  EXPECT_EQ(topFirst, std::vector<int>(std::begin(expectedTopFirst), std::end(expectedTopFirst)));
  HWND consent = FindChildById(frame, 1006);
  EXPECT_EQ(::GetDlgCtrlID(::GetNextDlgTabItem(dialog, consent, FALSE)), kMainButton);

  // Escape reaches the dialog as IDCANCEL without a control and changes nothing, neither at once
  // nor through anything it posts.
  DWORD_PTR ignored = 0;
  ASSERT_TRUE(::SendMessageTimeoutW(dialog, WM_COMMAND, IDCANCEL, 0, SMTO_NORMAL, 10000, &ignored));
  ASSERT_TRUE(WaitForPostedMessages(FindChildById(frame, kMainButton), 10s));
  EXPECT_EQ(installer.ExitCode(), static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_TRUE(::IsWindowVisible(frame));
  auto button = ReadChild(frame, kMainButton);
  ASSERT_TRUE(button);
  EXPECT_EQ(Utf8(button->text), "一键安装");
}

TEST_F(FrameTest, TheCloseButtonEndsTheProgram) {
  CTestProcess installer;
  HWND frame = StartAndWaitForFrame(installer, InstallerPath());
  ASSERT_NE(frame, nullptr);
  HWND close = FindChildById(frame, 1001);
  ASSERT_NE(close, nullptr);
  ASSERT_TRUE(Click(close));
  ASSERT_TRUE(installer.WaitForExit(10s));
  EXPECT_EQ(installer.ExitCode(), 0u);
}

}  // namespace
}  // namespace kst::test
