// The uninstaller asks the product's windows to close and waits for their answer: a window that
// answers, however slowly, is waited for; one whose thread never answers does not hold the
// elevated uninstaller for ever.
#include <windows.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "InstallState.h"
#include "InstallerSession.h"
#include "ProxyDoubles.h"
#include "RunLog.h"
#include "WholeRuns.h"
#include "base/Handles.h"
#include "install/ProductComponents.h"
#include "tests/system/doubles/DoubleLog.h"
#include <gtest/gtest.h>

namespace kst::test {
namespace {

using namespace std::chrono_literals;
using Strings = std::vector<std::string>;

constexpr char kAnsweredLine[] = "stand-in answered the close request";
constexpr DWORD kSlowAnswerMs = 2000;

// A top-level window of the updater's class and title on a thread of the test, in the place of the
// product's: it never answers the close request (its thread stops taking messages once the window
// is there), or it answers after a while, logging the answer and destroying itself.
class CUpdaterStandIn {
 public:
  enum class Answer { kNever, kSlowly };

  explicit CUpdaterStandIn(Answer answer)
      : answer_(answer), release_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    std::promise<HWND> created;
    std::future<HWND> window = created.get_future();
    thread_ = std::thread([this, &created] { Run(created); });
    window_ = window.get();
  }
  ~CUpdaterStandIn() {
    ::SetEvent(release_.Get());
    if (window_ != nullptr) ::PostMessageA(window_, WM_CLOSE, 0, 0);
    thread_.join();
  }
  CUpdaterStandIn(const CUpdaterStandIn&) = delete;
  CUpdaterStandIn& operator=(const CUpdaterStandIn&) = delete;

  bool Created() const { return window_ != nullptr; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kCloseRequestMessage) {
      ::Sleep(kSlowAnswerMs);
      AppendDoubleLog(std::wstring(kAnsweredLine, kAnsweredLine + sizeof kAnsweredLine - 1));
      ::DestroyWindow(window);
      return 0;
    }
    if (message == WM_DESTROY) ::PostQuitMessage(0);
    return ::DefWindowProcA(window, message, wParam, lParam);
  }

  void Run(std::promise<HWND>& created) {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kUpdaterWindowClass;
    ::RegisterClassA(&windowClass);
    HWND window =
        ::CreateWindowExA(0, kUpdaterWindowClass, kUpdaterWindowTitle, WS_OVERLAPPEDWINDOW, 0, 0,
                          200, 100, nullptr, nullptr, instance, nullptr);
    created.set_value(window);
    if (window != nullptr && answer_ == Answer::kNever) {
      ::WaitForSingleObject(release_.Get(), INFINITE);
      ::DestroyWindow(window);
    } else if (window != nullptr) {
      MSG message;
      while (::GetMessageA(&message, nullptr, 0, 0) > 0) ::DispatchMessageA(&message);
    }
    ::UnregisterClassA(kUpdaterWindowClass, instance);
  }

  Answer answer_;
  CKernelHandle release_;
  HWND window_ = nullptr;
  std::thread thread_;
};

size_t FirstIndexOf(const Strings& lines, const std::string& prefix) {
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].rfind(prefix, 0) == 0) return i;
  }
  return std::string::npos;
}

class ProductWindowTest : public CleanSystemTest {};

TEST_F(ProductWindowTest, AWindowThatNeverAnswersDoesNotHoldTheUninstall) {
  const CInstallPlaces places = PlacesFor(true);
  ASSERT_NO_FATAL_FAILURE(Install(true));
  CProxyDoubles doubles(L"");
  ASSERT_TRUE(doubles.Installed());
  CUpdaterStandIn updater(CUpdaterStandIn::Answer::kNever);
  ASSERT_TRUE(updater.Created());

  CInstallerSession uninstaller;
  ASSERT_TRUE(uninstaller.Start(places.programFolder + L"\\uninstall.exe"));
  const auto pressed = std::chrono::steady_clock::now();
  ASSERT_TRUE(uninstaller.PressLater(kMainButton));
  const bool ended = uninstaller.Process().WaitForExit(30s);
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - pressed);

  ASSERT_TRUE(ended) << "the uninstall still waits after 30 s";
  RecordProperty("uninstall_ms", std::to_string(took.count()));
  bool startedShell = false;
  WaitForTheEnd(uninstaller, startedShell);
  EXPECT_EQ(BoxTexts(uninstaller.Boxes()),
            (Strings{"警告: 确定要Veltrin吗?卸载之后您将无法抵御有害信息的进攻!",
                     "卸载完成: 感谢您使用Veltrin,更多功能即将推出,敬请关注!"}));
  EXPECT_TRUE(startedShell);
  EXPECT_FALSE(FileExists(places.programFolder));
}

// The answer comes about two seconds after the request; the uninstall's next steps (the proxy
// reset, then the farewell) come after it.
TEST_F(ProductWindowTest, AWindowThatAnswersSlowlyIsWaitedFor) {
  const CInstallPlaces places = PlacesFor(true);
  ASSERT_NO_FATAL_FAILURE(Install(true));
  CProxyDoubles doubles(L"");
  ASSERT_TRUE(doubles.Installed());
  CInstallerSession uninstaller;
  ASSERT_TRUE(uninstaller.Start(places.programFolder + L"\\uninstall.exe"));
  CUpdaterStandIn updater(CUpdaterStandIn::Answer::kSlowly);
  ASSERT_TRUE(updater.Created());

  ASSERT_TRUE(uninstaller.Press(kMainButton));
  bool startedShell = false;
  WaitForTheEnd(uninstaller, startedShell);

  const Strings log = uninstaller.Log().Lines();
  const size_t answered = FirstIndexOf(log, kAnsweredLine);
  const size_t proxyReset = FirstIndexOf(log, "InternetSetOptionW ");
  const size_t farewell =
      FirstIndexOf(log, BoxTextLine("感谢您使用Veltrin,更多功能即将推出,敬请关注!"));
  ASSERT_NE(answered, std::string::npos) << "the close request was not sent";
  ASSERT_NE(proxyReset, std::string::npos);
  ASSERT_NE(farewell, std::string::npos);
  EXPECT_LT(answered, proxyReset);
  EXPECT_LT(answered, farewell);
  EXPECT_TRUE(startedShell);
  EXPECT_FALSE(FileExists(places.programFolder));
}

}  // namespace
}  // namespace kst::test
