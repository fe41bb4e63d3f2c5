// The frame and its dialog, in this process, when the window's DPI changes (it moves to a monitor
// of another scaling, or the monitor's scaling changes). Windows then asks the frame for its size
// at the new DPI (WM_GETDPISCALEDSIZE) and sends WM_DPICHANGED with a rectangle of that size;
// Wine never does, so the test sends both as Windows would.
#include <windows.h>

#include <chrono>
#include <vector>

#include "app/DialogLayout.h"
#include "app/FrameGeometry.h"
#include "app/MainFrame.h"
#include "framework/MessageLoop.h"
#include "resources/resource.h"
#include "skin/DpiScale.h"
#include "skin/SkinRules.h"
#include "skin/WindowDpi.h"
#include "tests/support/Screenshot.h"
#include <gtest/gtest.h>

namespace kst {
namespace {

constexpr UINT kGetDpiScaledSize = 0x02E4;
constexpr UINT kDpiChanged = 0x02E0;

// Handles the thread's messages (the picture's fade runs on timers) for a while.
void HandleMessagesFor(std::chrono::milliseconds time) {
  const auto end = std::chrono::steady_clock::now() + time;
  while (std::chrono::steady_clock::now() < end) {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    ::Sleep(10);
  }
}

int FontHeight(HWND control) {
  LOGFONTW font = {};
  ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)), sizeof(font),
               &font);
  return font.lfHeight;
}

RECT RectInParent(HWND control) {
  RECT r = {};
  ::GetWindowRect(control, &r);
  ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// Where each control of the dialog is and which font it has.
struct CControlState {
  int id;
  RECT rect;
  int fontHeight;
};

std::vector<CControlState> ReadControls(HWND dialog) {
  std::vector<CControlState> controls;
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT))
    controls.push_back({::GetDlgCtrlID(child), RectInParent(child), FontHeight(child)});
  return controls;
}

class DpiChangeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    appModule.Init(::GetModuleHandleW(nullptr));
    ASSERT_NE(frame.CreateFrame(), nullptr);
    dialog = ::GetWindow(frame.m_hWnd, GW_CHILD);
    ASSERT_NE(dialog, nullptr);
  }
  void TearDown() override {
    if (frame.IsWindow()) ::DestroyWindow(frame.m_hWnd);
    HandleMessagesFor(std::chrono::milliseconds(50));  // the quit the frame posts, among others
  }

  // What Windows does when the window's DPI becomes dpi: the size asked for, placed at (40, 30).
  void ChangeDpi(int dpi) {
    SIZE size = {};
    ASSERT_EQ(::SendMessageW(frame.m_hWnd, kGetDpiScaledSize, dpi, reinterpret_cast<LPARAM>(&size)),
              TRUE);
    const Size client = ClientSizeFromBaseUnits(::GetDialogBaseUnits(), dpi, SystemDpi());
    EXPECT_EQ(size.cx, client.cx) << "a borderless frame is its client area";
    EXPECT_EQ(size.cy, client.cy);
    RECT suggested = {40, 30, 40 + size.cx, 30 + size.cy};
    ::SendMessageW(frame.m_hWnd, kDpiChanged, MAKEWPARAM(dpi, dpi),
                   reinterpret_cast<LPARAM>(&suggested));
    RECT now = {};
    ::GetWindowRect(frame.m_hWnd, &now);
    EXPECT_TRUE(::EqualRect(&now, &suggested));
  }

  CMainFrame frame;
  HWND dialog = nullptr;
};

TEST_F(DpiChangeTest, ControlsAndFontsFollowTheNewDpiAndComeBackAsTheyWere) {
  const int first = WindowDpi(frame.m_hWnd);
  HandleMessagesFor(std::chrono::milliseconds(700));  // the start picture's fade
  const std::vector<CControlState> before = ReadControls(dialog);
  const std::optional<test::CPicture> pictureBefore = test::CapturePicture(frame.m_hWnd);
  ASSERT_TRUE(pictureBefore);

  for (int dpi : {first * 2, first * 5 / 4}) {
    SCOPED_TRACE(::testing::Message() << "at " << dpi << " DPI");
    ChangeDpi(dpi);
    const Size client = ClientSizeFromBaseUnits(::GetDialogBaseUnits(), dpi, SystemDpi());
    RECT clientRect = {};
    ::GetClientRect(dialog, &clientRect);
    EXPECT_EQ(clientRect.right, client.cx);
    EXPECT_EQ(clientRect.bottom, client.cy);

    // The placed controls where the layout puts them at the new DPI; the others, and what the
    // layout keeps of the placed ones, where the template put them, scaled.
    for (const CControlState& old : before) {
      const ControlPlacement at = PlacementOf(old.id, client.cx, client.cy, dpi);
      const RECT r = RectInParent(::GetDlgItem(dialog, old.id));
      auto scaled = [&](LONG value) { return ScaleRounded(value, dpi, first); };
      RECT expected = {scaled(old.rect.left), scaled(old.rect.top), scaled(old.rect.right),
                       scaled(old.rect.bottom)};
      if (!at.keepPosition) ::OffsetRect(&expected, at.x - expected.left, at.y - expected.top);
      if (!at.keepSize) {
        expected.right = expected.left + at.cx;
        expected.bottom = expected.top + at.cy;
      }
      if (at.growsToCaption) {
        EXPECT_EQ(r.right, expected.right) << old.id;
        EXPECT_LE(r.left, expected.left) << old.id;
      } else {
        EXPECT_TRUE(::EqualRect(&r, &expected))
            << old.id << " at " << r.left << "," << r.top << "-" << r.right << "," << r.bottom
            << " instead of " << expected.left << "," << expected.top << "-" << expected.right
            << "," << expected.bottom;
      }
    }

    // The dialog font, and the template's font that the status text is a pixel smaller than.
    EXPECT_EQ(FontHeight(::GetDlgItem(dialog, IDC_CONSENT)), -ScaleForDpi(14, dpi));
    EXPECT_EQ(
        FontHeight(::GetDlgItem(dialog, IDC_STATUS_LABEL)),
        GrowFontHeight(FontHeightForPoints(IDD_INSTALLER_FONT_POINTS, dpi), -ScaleForDpi(1, dpi)));
  }

  ChangeDpi(first);
  HandleMessagesFor(std::chrono::milliseconds(200));
  const std::vector<CControlState> after = ReadControls(dialog);
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < before.size(); ++i) {
    EXPECT_EQ(after[i].id, before[i].id) << "the z-order changed";
    EXPECT_TRUE(::EqualRect(&after[i].rect, &before[i].rect)) << before[i].id;
    EXPECT_EQ(after[i].fontHeight, before[i].fontHeight) << before[i].id;
  }
  // The background, the skin and the snapshots of it drawn for the first DPI again.
  ::SetWindowPos(frame.m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  CenterOnWorkArea(frame.m_hWnd, first);
  HandleMessagesFor(std::chrono::milliseconds(200));
  const std::optional<test::CPicture> pictureAfter = test::CapturePicture(frame.m_hWnd);
  ASSERT_TRUE(pictureAfter);
  EXPECT_TRUE(*pictureAfter == *pictureBefore) << "the window looks different after the round trip";
}

}  // namespace
}  // namespace kst
