// Skinned labels: glyphs only, in their colour and format, over whatever lies behind them.
#include <string>

#include "skin/ThemedLabelCtrl.h"
#include "tests/skin/SkinTestSupport.h"
#include <gtest/gtest.h>

namespace kst {
namespace {

using test::CBackdropWindow;
using test::CSurface;
using test::FromColorRef;

constexpr int kWidth = 240;
constexpr int kHeight = 80;

class ThemedLabelCtrlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(window.Open(120, 90, 400, 300));
    HWND raw = window.AddChild(L"STATIC", L"", SS_LEFT, 20, 30, kWidth, kHeight);
    ASSERT_NE(raw, nullptr);
    ::SendMessageW(raw, WM_SETFONT, 0, FALSE);  // the label must take its parent's font
    ASSERT_TRUE(label.Attach(raw));
    label.SetLabelColor(RGB(255, 0, 0));
  }

  // The label printed over the backdrop, as it would lie over its parent.
  void Print(CSurface* surface) {
    surface->FillWithBackdrop(20, 30);
    label.SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(surface->Dc()), PRF_CLIENT);
  }

  int LineHeight() {
    CSurface probe(1, 1);
    HGDIOBJ previous = ::SelectObject(probe.Dc(), label.Font());
    TEXTMETRICW metrics = {};
    ::GetTextMetricsW(probe.Dc(), &metrics);
    ::SelectObject(probe.Dc(), previous);
    return metrics.tmHeight;
  }

  // The window, destroyed first, takes its children with it while the control can still take
  // their last messages.
  CThemedLabelCtrl label;
  CBackdropWindow window;
};

TEST_F(ThemedLabelCtrlTest, AttachTakesTheParentsFontAndDrawsOneUnprefixedLine) {
  EXPECT_EQ(label.Font(), window.Font());
  EXPECT_EQ(label.DrawFormat(), static_cast<UINT>(DT_SINGLELINE | DT_NOPREFIX));
  EXPECT_EQ(label.TextColor(), RGB(255, 0, 0));
  CThemedLabelCtrl detached;
  EXPECT_FALSE(detached.Attach(nullptr));
}

TEST_F(ThemedLabelCtrlTest, DrawsOnlyItsGlyphs) {
  label.SetWindowText(L"Hello &world 安装");
  CSurface drawn(kWidth, kHeight), backdrop(kWidth, kHeight);
  backdrop.FillWithBackdrop(20, 30);
  Print(&drawn);

  // The text's own extent, measured as DrawTextW lays it out.
  RECT extent = {0, 0, kWidth, kHeight};
  HGDIOBJ previous = ::SelectObject(drawn.Dc(), label.Font());
  ::DrawTextW(drawn.Dc(), L"Hello &world 安装", -1, &extent, label.DrawFormat() | DT_CALCRECT);
  ::SelectObject(drawn.Dc(), previous);

  RECT ink = test::InkBounds(drawn, backdrop);
  ASSERT_FALSE(::IsRectEmpty(&ink));
  EXPECT_GE(ink.left, extent.left);
  EXPECT_GE(ink.top, extent.top);
  EXPECT_LE(ink.right, extent.right);
  EXPECT_LE(ink.bottom, extent.bottom);
  EXPECT_GT(drawn.CountColor(FromColorRef(label.TextColor())), 20);
}

// Lines: one line by default; centred lines after SetCentered, broken at line feeds only;
// and no more than 1599 characters of the text, wherever they end.
TEST_F(ThemedLabelCtrlTest, ShowsCentredLinesOnlyAfterSetCenteredAndAtMost1599Characters) {
  struct Case {
    bool centred;
    std::wstring text;
    int line;  // the last line with ink, from 0
  } cases[] = {
      {false, L"ab\ncd", 0},
      {true, L"ab\ncd", 1},
      {true, L"X\n" + std::wstring(1595, L' ') + L"\nY", 2},
      {true, L"X\n" + std::wstring(1596, L' ') + L"\nY", 0},
  };
  const int lineHeight = LineHeight();
  ASSERT_LE(lineHeight * 3, kHeight);
  for (const Case& c : cases) {
    if (c.centred) label.SetCentered();
    label.SetWindowText(c.text.c_str());
    CSurface drawn(kWidth, kHeight), backdrop(kWidth, kHeight);
    backdrop.FillWithBackdrop(20, 30);
    Print(&drawn);
    RECT ink = test::InkBounds(drawn, backdrop);
    ASSERT_FALSE(::IsRectEmpty(&ink)) << c.text.size();
    EXPECT_EQ((ink.bottom - 1) / lineHeight, c.line) << c.text.size();
    if (c.centred) {
      EXPECT_LE(abs(ink.left - (kWidth - ink.right)), 2) << c.text.size();
    }
  }
}

// Texts are set while the install runs without handling messages: each shows at once, with
// the window behind the label around its glyphs.
TEST_F(ThemedLabelCtrlTest, SettingTheTextPaintsItBeforeTheCallReturns) {
  ::UpdateWindow(window.m_hWnd);
  label.SetWindowText(L"正在安装");
  RECT pending = {};
  EXPECT_FALSE(::GetUpdateRect(label.m_hWnd, &pending, FALSE));

  CSurface screen(kWidth, kHeight), backdrop(kWidth, kHeight);
  HDC labelDC = ::GetDC(label.m_hWnd);
  ::BitBlt(screen.Dc(), 0, 0, kWidth, kHeight, labelDC, 0, 0, SRCCOPY);
  ::ReleaseDC(label.m_hWnd, labelDC);
  backdrop.FillWithBackdrop(20, 30);
  EXPECT_GT(screen.CountColor(FromColorRef(label.TextColor())), 20) << "the text is on the screen";
  RECT ink = test::InkBounds(screen, backdrop);
  EXPECT_LT(ink.right - ink.left, kWidth / 2) << "nothing but the glyphs";
}

}  // namespace
}  // namespace kst
