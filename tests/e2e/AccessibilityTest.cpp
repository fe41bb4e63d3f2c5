// What a screen reader learns of the installer's window, asked from this process as a reader asks
// (AccessibleObjectFromWindow, answered by the installer's WM_GETOBJECT across the process
// boundary, which Wine 8 does), and the events it hears while the status text changes
// (SetWinEventHook out of context, which Wine 8 delivers to this thread's message queue).
#include <windows.h>

#include <oleacc.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "InstallState.h"
#include "InstallerProgram.h"
#include "InstallerSession.h"
#include "WholeRuns.h"
#include "base/ComInit.h"
#include "base/ComRef.h"
#include "tests/support/TestWindows.h"
#include <gtest/gtest.h>

namespace kst::test {
namespace {

using namespace std::chrono_literals;

// EVENT_OBJECT_LIVEREGIONCHANGED (Windows 8 on): only the installer's sending is checked, never
// what a system makes of it.
constexpr DWORD kLiveRegionChanged = 0x8019;
constexpr int kLogo = 1008;
constexpr int kInfoLabel3 = 3004;

struct Accessible {
  HRESULT found = E_FAIL;
  std::wstring name;
  bool named = false;
  LONG role = 0;
  LONG state = 0;
};

// The client object of the control as a reader gets it, with role, name and state.
Accessible AskAbout(HWND control) {
  Accessible facts;
  CComRef<IAccessible> object;
  facts.found = ::AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT),
                                             __uuidof(IAccessible), object.Receive());
  if (FAILED(facts.found)) return facts;
  VARIANT self;
  ::VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  CBstr name;
  BSTR received = nullptr;
  facts.named = object->get_accName(self, &received) == S_OK && received != nullptr;
  name.Reset(received);
  if (name) facts.name = name.Get();
  VARIANT value;
  ::VariantInit(&value);
  if (SUCCEEDED(object->get_accRole(self, &value)) && value.vt == VT_I4) facts.role = value.lVal;
  ::VariantInit(&value);
  if (SUCCEEDED(object->get_accState(self, &value)) && value.vt == VT_I4) facts.state = value.lVal;
  return facts;
}

struct Expected {
  int id;
  LONG role;
  const wchar_t* name;  // null: no name, which readers pass over
  bool checked;
};

void ExpectReadAs(const CInstallerSession& installer, const Expected& expected) {
  const HWND control = installer.Control(expected.id);
  ASSERT_NE(control, nullptr) << expected.id;
  const Accessible facts = AskAbout(control);
  ASSERT_EQ(facts.found, S_OK) << "control " << expected.id;
  EXPECT_EQ(facts.role, expected.role) << "control " << expected.id;
  EXPECT_EQ(facts.named, expected.name != nullptr) << "control " << expected.id;
  if (expected.name != nullptr) {
    EXPECT_EQ(Utf8(facts.name), Utf8(expected.name)) << "control " << expected.id;
  }
  EXPECT_EQ((facts.state & STATE_SYSTEM_CHECKED) != 0, expected.checked)
      << "control " << expected.id;
  EXPECT_EQ((facts.state & STATE_SYSTEM_INVISIBLE) != 0, !installer.IsShown(expected.id))
      << "control " << expected.id;
}

class AccessibilityTest : public CleanSystemTest {
 protected:
  const CComInit com;
};

TEST_F(AccessibilityTest, EveryShownControlTellsItsRoleNameAndState) {
  ASSERT_TRUE(com.Initialised());
  CInstallerSession installer;
  ASSERT_TRUE(installer.Start(InstallerPath()));
  const struct Page {
    const char* name;
    std::vector<Expected> controls;
  } start = {"start",
             {
                 {kMainButton, ROLE_SYSTEM_PUSHBUTTON, L"一键安装", false},
                 {kCloseButton, ROLE_SYSTEM_PUSHBUTTON, L"关闭", false},
                 // The caption ends in a line feed that the name leaves out.
                 {kSettingsLink, ROLE_SYSTEM_LINK, L"安装设置", false},
                 {kConsentBox, ROLE_SYSTEM_CHECKBUTTON, L"授权软件修改网页", true},
                 {kPicture, ROLE_SYSTEM_GRAPHIC, nullptr, false},
                 {kLogo, ROLE_SYSTEM_GRAPHIC, nullptr, false},
                 {kInfoLabel3, ROLE_SYSTEM_STATICTEXT, nullptr, false},  // shown, no text
             }},
    settings = {"settings",
                {
                    {kSettingsLink, ROLE_SYSTEM_LINK, L"返回", false},
                    {kAllUsersBox, ROLE_SYSTEM_CHECKBUTTON, L"为此计算机上的所有用户安装", true},
                    {kPicture, ROLE_SYSTEM_GRAPHIC, nullptr, false},  // hidden here
                }};
  for (const Expected& control : start.controls) ExpectReadAs(installer, control);

  ASSERT_TRUE(installer.Press(kSettingsLink));
  for (const Expected& control : settings.controls) ExpectReadAs(installer, control);

  // The state follows the box: unticked, then ticked again.
  for (bool checked : {false, true}) {
    ASSERT_TRUE(installer.Press(kAllUsersBox));
    ExpectReadAs(installer,
                 {kAllUsersBox, ROLE_SYSTEM_CHECKBUTTON, L"为此计算机上的所有用户安装", checked});
  }
}

// What the hook heard, on this thread.
struct HeardEvent {
  DWORD event;
  HWND window;
  LONG object;
  LONG child;
  std::wstring text;  // the window's text as the event came
};
std::vector<HeardEvent> heard;

void CALLBACK OnWinEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD,
                         DWORD) {
  wchar_t text[512] = {};
  if (window != nullptr) ::GetWindowTextW(window, text, ARRAYSIZE(text));
  heard.push_back({event, window, object, child, text});
}

// Out-of-context events come as messages to this thread: it handles them while it waits.
bool PumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
  }
  return true;
}

TEST_F(AccessibilityTest, EachNewStatusTextIsAnnouncedAsANameChangeAndALiveRegionChange) {
  CInstallerSession installer;
  ASSERT_TRUE(installer.Start(InstallerPath()));
  heard.clear();
  const HWINEVENTHOOK hook =
      ::SetWinEventHook(EVENT_OBJECT_NAMECHANGE, kLiveRegionChanged, nullptr, OnWinEvent,
                        installer.Process().Id(), 0, WINEVENT_OUTOFCONTEXT);
  ASSERT_NE(hook, nullptr);
  const HWND status = installer.Control(kStatusLabel);
  ASSERT_TRUE(installer.PressLater(kMainButton));
  const bool finished = PumpUntil([&] { return installer.TextOf(kMainButton) == "退出"; }, 90s);
  PumpUntil([] { return false; }, 500ms);  // the last events still on their way
  ::UnhookWinEvent(hook);
  ASSERT_TRUE(finished);
  ExpectCompleteInstall(true);  // the all-users box is ticked at the start
  CloseProductWindows();

  // Every text the status showed came with both events, in that order, for its client object.
  std::vector<std::wstring> named;
  std::vector<std::wstring> live;
  for (const HeardEvent& event : heard) {
    if (event.window != status) continue;
    EXPECT_EQ(event.object, OBJID_CLIENT);
    EXPECT_EQ(event.child, CHILDID_SELF);
    if (event.event == EVENT_OBJECT_NAMECHANGE) named.push_back(event.text);
    if (event.event == kLiveRegionChanged) {
      EXPECT_FALSE(named.empty()) << "a live-region change before any name change";
      live.push_back(event.text);
    }
  }
  EXPECT_FALSE(named.empty()) << "no name change of the status label";
  EXPECT_EQ(named, live);
  // The other labels announce their texts as names only; no other control sends a live change.
  for (const HeardEvent& event : heard) {
    if (event.event == kLiveRegionChanged) EXPECT_EQ(event.window, status);
  }
}

}  // namespace
}  // namespace kst::test
