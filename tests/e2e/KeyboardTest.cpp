// An install and an uninstall driven by the keyboard alone, the keys sent as a person presses them
// (SendInput, into the system's input queue), with the focus followed control by control and its
// cue looked at on the screen; a control focused by a click shows no cue, unless the system's
// setting shows keyboard cues always (off in the test sessions, which tests/harness/session.sh
// turns off in the prefix).
#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "InstallState.h"
#include "InstallerProgram.h"
#include "InstallerSession.h"
#include "PageReference.h"
#include "ProxyDoubles.h"
#include "WholeRuns.h"
#include "base/WinGeometry.h"
#include "skin/DpiScale.h"
#include "skin/SkinRules.h"
#include <gtest/gtest.h>

namespace kst::test {
namespace {

using namespace std::chrono_literals;
using Strings = std::vector<std::string>;

// The skin's ring in the caption colour: the buttons' black, the links' blue (40, 90, 200).
constexpr uint32_t kButtonRing = 0x000000;
constexpr uint32_t kLinkRing = 0x285AC8;

HWND FocusOf(HWND frame) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof(info);
  if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(frame, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

int FocusedId(HWND frame) {
  const HWND focus = FocusOf(frame);
  return focus != nullptr ? ::GetDlgCtrlID(focus) : 0;
}

void SendKey(WORD key, bool down) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  ::SendInput(1, &input, sizeof(input));
}

// A key pressed and let go, with Shift held where asked, to the foreground window.
void Type(WORD key, bool shift = false) {
  if (shift) SendKey(VK_SHIFT, true);
  SendKey(key, true);
  SendKey(key, false);
  if (shift) SendKey(VK_SHIFT, false);
}

// Types the key and waits until the focus has moved or the bound is over; the id that has the
// focus then.
int TypeAndFollowFocus(HWND frame, WORD key, bool shift = false,
                       std::chrono::milliseconds bound = 5s) {
  const int from = FocusedId(frame);
  Type(key, shift);
  WaitUntil([&] { return FocusedId(frame) != from; }, bound);
  return FocusedId(frame);
}

bool IsChecked(const CInstallerSession& session, int id) {
  return ::SendMessageW(session.Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// The control's rectangle in the frame's picture.
Rect InFrame(HWND frame, HWND control) {
  RECT frameRect = {};
  RECT controlRect = {};
  ::GetWindowRect(frame, &frameRect);
  ::GetWindowRect(control, &controlRect);
  ::OffsetRect(&controlRect, -frameRect.left, -frameRect.top);
  return ToRect(controlRect);
}

// The pixels of the ring's top and left edge that are not the colour.
int PixelsOffTheRing(const CPicture& picture, const Rect& ring, uint32_t color) {
  int off = 0;
  for (int x = ring.left; x < ring.right; ++x) off += picture.At(x, ring.top) != color;
  for (int y = ring.top; y < ring.bottom; ++y) off += picture.At(ring.left, y) != color;
  return off;
}

std::optional<CPicture> StillPicture(HWND frame) {
  bool still = false;
  std::optional<CPicture> picture = CaptureStillPicture(frame, 10s, &still);
  if (!still) picture.reset();
  return picture;
}

// Whether the ring of the control lies all in the colour in the picture.
bool RingShown(const CPicture& picture, HWND frame, HWND control, uint32_t color) {
  return PixelsOffTheRing(picture, FocusCueRect(InFrame(frame, control), kDesignDpi), color) == 0;
}

class KeyboardTest : public CleanSystemTest {
 protected:
  static void BringToFront(HWND frame) {
    ::SetForegroundWindow(frame);
    ASSERT_TRUE(WaitUntil([&] { return ::GetForegroundWindow() == frame; }, 5s));
  }
};

TEST_F(KeyboardTest, AnInstallByKeysShowsTheFocusFromTheFirstTabAndEscapeEndsIt) {
  CInstallerSession installer;
  ASSERT_TRUE(installer.Start(InstallerPath()));
  const HWND frame = installer.Frame();
  BringToFront(frame);
  // The focus is on the consent box, and until a key is pressed the page is the mouse user's.
  ASSERT_EQ(FocusedId(frame), kConsentBox);
  EXPECT_TRUE(MatchesPageReference(frame, L"install-start", L"keyboard-untouched"));
  const HWND mainButton = installer.Control(kMainButton);
  const std::optional<CPicture> untouched = StillPicture(frame);
  ASSERT_TRUE(untouched);
  EXPECT_FALSE(RingShown(*untouched, frame, mainButton, kButtonRing));

  // The first Tab shows the cue, drawn by the skin inside the main button.
  ASSERT_EQ(TypeAndFollowFocus(frame, VK_TAB), kMainButton);
  const std::optional<CPicture> focused = StillPicture(frame);
  ASSERT_TRUE(focused);
  SavePicture(*focused, ScreenshotPath(L"keyboard-first-tab"));
  EXPECT_TRUE(RingShown(*focused, frame, mainButton, kButtonRing));
  // The cue follows the focus: back on the consent box, the button has none.
  ASSERT_EQ(TypeAndFollowFocus(frame, VK_TAB, true), kConsentBox);
  const std::optional<CPicture> back = StillPicture(frame);
  ASSERT_TRUE(back);
  EXPECT_FALSE(RingShown(*back, frame, mainButton, kButtonRing));

  // Round the start page and back; hidden controls are never reached, by Tab or by arrows.
  std::vector<int> forward;
  for (int i = 0; i < 4; ++i) forward.push_back(TypeAndFollowFocus(frame, VK_TAB));
  EXPECT_EQ(forward, (std::vector<int>{kMainButton, kSettingsLink, kCloseButton, kConsentBox}));
  std::vector<int> backward;
  for (int i = 0; i < 4; ++i) backward.push_back(TypeAndFollowFocus(frame, VK_TAB, true));
  EXPECT_EQ(backward, (std::vector<int>{kCloseButton, kSettingsLink, kMainButton, kConsentBox}));
  const std::vector<int> startPage = {kConsentBox, kMainButton, kSettingsLink, kCloseButton};
  for (WORD arrow : {VK_DOWN, VK_RIGHT, VK_UP, VK_LEFT, VK_DOWN, VK_DOWN}) {
    const int to = TypeAndFollowFocus(frame, arrow, false, 1s);
    EXPECT_NE(std::find(startPage.begin(), startPage.end(), to), startPage.end())
        << "arrow " << arrow << " moved the focus to " << to;
  }

  // Space on the consent box unticks and ticks it again, as two clicks do.
  for (int i = 0; i < 4 && FocusedId(frame) != kConsentBox; ++i) TypeAndFollowFocus(frame, VK_TAB);
  ASSERT_EQ(FocusedId(frame), kConsentBox);
  for (bool checked : {false, true}) {
    Type(VK_SPACE);
    EXPECT_TRUE(WaitUntil([&] { return IsChecked(installer, kConsentBox) == checked; }, 5s));
  }

  // Space on the settings link opens the settings page, where the all-users box comes first.
  ASSERT_EQ(TypeAndFollowFocus(frame, VK_TAB), kMainButton);
  ASSERT_EQ(TypeAndFollowFocus(frame, VK_TAB), kSettingsLink);
  Type(VK_SPACE);
  ASSERT_TRUE(WaitUntil([&] { return installer.IsShown(kAllUsersBox); }, 5s));
  const std::optional<CPicture> onLink = StillPicture(frame);
  ASSERT_TRUE(onLink);
  EXPECT_TRUE(RingShown(*onLink, frame, installer.Control(kSettingsLink), kLinkRing));
  std::vector<int> settings;
  for (int i = 0; i < 5; ++i) settings.push_back(TypeAndFollowFocus(frame, VK_TAB));
  EXPECT_EQ(settings, (std::vector<int>{kCloseButton, kAllUsersBox, kConsentBox, kMainButton,
                                        kSettingsLink}));
  ASSERT_EQ(TypeAndFollowFocus(frame, VK_TAB), kCloseButton);
  ASSERT_EQ(TypeAndFollowFocus(frame, VK_TAB), kAllUsersBox);
  // Enter on a box acts as a click too: the install is for the current user.
  Type(VK_RETURN);
  ASSERT_TRUE(WaitUntil([&] { return !IsChecked(installer, kAllUsersBox); }, 5s));

  ASSERT_EQ(TypeAndFollowFocus(frame, VK_TAB), kConsentBox);
  ASSERT_EQ(TypeAndFollowFocus(frame, VK_TAB), kMainButton);
  Type(VK_RETURN);
  ASSERT_TRUE(WaitUntil([&] { return installer.TextOf(kMainButton) == "退出"; }, 90s));
  EXPECT_EQ(BoxTexts(installer.Boxes()), Strings{});
  ExpectCompleteInstall(false);

  BringToFront(frame);
  Type(VK_ESCAPE);
  ASSERT_TRUE(installer.Process().WaitForExit(10s));
  EXPECT_EQ(installer.Process().ExitCode(), 0u);
  CloseProductWindows();
}

TEST_F(KeyboardTest, AControlFocusedByAClickHasNoCueUntilAKeyIsPressed) {
  CInstallerSession installer;
  ASSERT_TRUE(installer.Start(InstallerPath()));
  const HWND frame = installer.Frame();
  BringToFront(frame);
  // Two clicks on the link: the settings page and back, the focus left on the link.
  ASSERT_TRUE(installer.Press(kSettingsLink));
  ASSERT_TRUE(installer.Press(kSettingsLink));
  ASSERT_EQ(FocusedId(frame), kSettingsLink);
  EXPECT_TRUE(MatchesPageReference(frame, L"install-start", L"keyboard-clicked-link"));
  const std::optional<CPicture> clicked = StillPicture(frame);
  ASSERT_TRUE(clicked);
  EXPECT_FALSE(RingShown(*clicked, frame, installer.Control(kSettingsLink), kLinkRing));

  ASSERT_EQ(TypeAndFollowFocus(frame, VK_TAB, true), kMainButton);
  ASSERT_EQ(TypeAndFollowFocus(frame, VK_TAB), kSettingsLink);
  const std::optional<CPicture> typed = StillPicture(frame);
  ASSERT_TRUE(typed);
  EXPECT_TRUE(RingShown(*typed, frame, installer.Control(kSettingsLink), kLinkRing));
  EXPECT_FALSE(RingShown(*typed, frame, installer.Control(kMainButton), kButtonRing));
}

// SPI_SETKEYBOARDCUES with SPIF_UPDATEINIFILE reaches programs started afterwards under Wine 8.
class CAlwaysShownKeyboardCues {
 public:
  CAlwaysShownKeyboardCues() : set(Change(TRUE)) {}
  ~CAlwaysShownKeyboardCues() {
    if (set) Change(FALSE);
  }
  CAlwaysShownKeyboardCues(const CAlwaysShownKeyboardCues&) = delete;
  CAlwaysShownKeyboardCues& operator=(const CAlwaysShownKeyboardCues&) = delete;

  bool Set() const { return set; }

 private:
  static bool Change(BOOL shown) {
    return ::SystemParametersInfoW(SPI_SETKEYBOARDCUES, 0, reinterpret_cast<void*>(shown),
                                   SPIF_UPDATEINIFILE) != 0;
  }
  const bool set;
};

TEST_F(KeyboardTest, WhereTheSystemAlwaysShowsKeyboardCuesTheyShowBeforeAnyKey) {
  const CAlwaysShownKeyboardCues cues;
  ASSERT_TRUE(cues.Set());
  CInstallerSession installer;
  ASSERT_TRUE(installer.Start(InstallerPath()));
  const HWND frame = installer.Frame();
  BringToFront(frame);
  // The focus moved as a program moves it, without a key: the ring shows all the same.
  const HWND mainButton = installer.Control(kMainButton);
  ASSERT_TRUE(::PostMessageW(::GetParent(mainButton), WM_NEXTDLGCTL,
                             reinterpret_cast<WPARAM>(mainButton), TRUE));
  ASSERT_TRUE(WaitUntil([&] { return FocusedId(frame) == kMainButton; }, 5s));
  const std::optional<CPicture> picture = StillPicture(frame);
  ASSERT_TRUE(picture);
  SavePicture(*picture, ScreenshotPath(L"keyboard-cues-always"));
  EXPECT_TRUE(RingShown(*picture, frame, mainButton, kButtonRing));
}

TEST_F(KeyboardTest, AnUninstallByKeysKeepsTheConfigurationWhenItsBoxIsUnticked) {
  const CInstallPlaces places = PlacesFor(true);
  Install(true);
  CProxyDoubles doubles(L"");
  ASSERT_TRUE(doubles.Installed());
  CInstallerSession uninstaller;
  ASSERT_TRUE(uninstaller.Start(Uninstaller(places)));
  const HWND frame = uninstaller.Frame();
  BringToFront(frame);
  ASSERT_EQ(FocusedId(frame), kRemoveConfigBox);
  Type(VK_SPACE);
  ASSERT_TRUE(WaitUntil([&] { return !IsChecked(uninstaller, kRemoveConfigBox); }, 5s));

  // Each button shows the ring while it has the focus, the close button too.
  std::vector<int> order;
  for (int i = 0; i < 3; ++i) {
    order.push_back(TypeAndFollowFocus(frame, VK_TAB));
    const std::optional<CPicture> picture = StillPicture(frame);
    ASSERT_TRUE(picture);
    for (int id : {kMainButton, kCloseButton})
      EXPECT_EQ(RingShown(*picture, frame, uninstaller.Control(id), kButtonRing),
                id == order.back())
          << "ring on " << id << " with the focus on " << order.back();
  }
  EXPECT_EQ(order, (std::vector<int>{kMainButton, kCloseButton, kRemoveConfigBox}));
  ASSERT_EQ(TypeAndFollowFocus(frame, VK_TAB), kMainButton);
  Type(VK_SPACE);

  bool startedShell = false;
  WaitForTheEnd(uninstaller, startedShell);
  EXPECT_TRUE(startedShell);
  EXPECT_EQ(BoxTexts(uninstaller.Boxes()).size(), 2u);
  EXPECT_TRUE(FileExists(places.userData + L"\\config.bin"));
}

}  // namespace
}  // namespace kst::test
