// Skinned check boxes: the system draws them over a copy of the window behind them, which
// the box supplies through the reflected control-colour request.
#include "skin/ThemedCheckboxCtrl.h"
#include "tests/skin/SkinTestSupport.h"
#include <gtest/gtest.h>

namespace kst {
namespace {

using test::CBackdropWindow;
using test::CSurface;

class ThemedCheckboxCtrlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(window.Open(120, 90, 400, 300));
    HWND raw = window.AddChild(L"BUTTON", L"", BS_AUTOCHECKBOX | BS_TOP, 53, 71, 90, 20);
    ASSERT_NE(raw, nullptr);
    ASSERT_TRUE(checkbox.Attach(raw));
  }

  HBRUSH RequestColors(HDC dc) {
    return reinterpret_cast<HBRUSH>(
        checkbox.SendMessage(OCM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                             reinterpret_cast<LPARAM>(checkbox.m_hWnd)));
  }

  // The window, destroyed first, takes its children with it while the control can still take
  // their last messages.
  CThemedCheckboxCtrl checkbox;
  CBackdropWindow window;
};

TEST_F(ThemedCheckboxCtrlTest, BrushIsTheWindowsPictureAtTheBoxesPosition) {
  EXPECT_EQ(checkbox.BackgroundSource(), window.m_hWnd);
  CSurface filled(90, 20), expected(90, 20);
  filled.FillWithBrush(RequestColors(filled.Dc()));
  expected.FillWithBackdrop(53, 71);
  EXPECT_EQ(filled.CountDifferences(expected), 0);
}

TEST_F(ThemedCheckboxCtrlTest, TextIsTransparentAndGreyOnlyWhileDisabled) {
  struct Case {
    BOOL enabled;
    COLORREF text;
  } cases[] = {{TRUE, RGB(0, 0, 0)}, {FALSE, RGB(40, 40, 40)}, {TRUE, RGB(0, 0, 0)}};
  CSurface surface(4, 4);
  for (const Case& c : cases) {
    ::EnableWindow(checkbox.m_hWnd, c.enabled);
    ::SetBkMode(surface.Dc(), OPAQUE);
    ::SetTextColor(surface.Dc(), RGB(1, 2, 3));
    RequestColors(surface.Dc());
    EXPECT_EQ(::GetBkMode(surface.Dc()), TRANSPARENT) << c.enabled;
    EXPECT_EQ(::GetTextColor(surface.Dc()), c.text) << c.enabled;
  }
}

// The system paints the box's background with the brush: beside the box and its (empty)
// caption the picture behind shows.
TEST_F(ThemedCheckboxCtrlTest, SystemDrawnBoxSitsOnTheCopiedBackground) {
  CSurface drawn(90, 20), expected(90, 20);
  drawn.Fill(0xFF00FF);
  checkbox.SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(drawn.Dc()), PRF_CLIENT);
  expected.FillWithBackdrop(53, 71);
  for (int y = 0; y < 20; ++y)
    for (int x = 40; x < 90; ++x) ASSERT_EQ(drawn.At(x, y), expected.At(x, y)) << x << ", " << y;
}

TEST_F(ThemedCheckboxCtrlTest, SnapshotIsKeptUntilTheBoxMovesWithinTheWindow) {
  CSurface surface(90, 20), expected(90, 20);
  HBRUSH first = RequestColors(surface.Dc());
  EXPECT_EQ(RequestColors(surface.Dc()), first) << "made once, then reused";

  // Moving the whole window moves nothing within it.
  window.SetWindowPos(nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(RequestColors(surface.Dc()), first);

  checkbox.SetWindowPos(nullptr, 120, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  surface.FillWithBrush(RequestColors(surface.Dc()));
  expected.FillWithBackdrop(120, 40);
  EXPECT_EQ(surface.CountDifferences(expected), 0);

  checkbox.SetWindowPos(nullptr, 0, 0, 60, 30, SWP_NOMOVE | SWP_NOZORDER);
  CSurface resized(60, 30), resizedExpected(60, 30);
  resized.FillWithBrush(RequestColors(resized.Dc()));
  resizedExpected.FillWithBackdrop(120, 40);
  EXPECT_EQ(resized.CountDifferences(resizedExpected), 0);
}

}  // namespace
}  // namespace kst
