// Links: a push button that sizes itself to its caption and draws it as link text, lighter
// and underlined while the pointer is over it.
#include <algorithm>

#include "skin/ThemedHyperlinkCtrl.h"
#include "tests/skin/SkinTestSupport.h"
#include <gtest/gtest.h>

namespace kst {
namespace {

using test::CBackdropWindow;
using test::CSurface;
using test::FromColorRef;

constexpr int kLeft = 50;
constexpr int kTop = 60;
constexpr wchar_t kCaption[] = L" Veltrin ";

class ThemedHyperlinkCtrlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(window.Open(120, 90, 400, 300));
    raw = window.AddChild(L"BUTTON", kCaption, BS_PUSHBUTTON, kLeft, kTop, 200, 60);
    ASSERT_NE(raw, nullptr);
  }

  SIZE ClientSize() {
    RECT client = {};
    ::GetClientRect(raw, &client);
    return {client.right, client.bottom};
  }

  // The printed link and, beside it, the backdrop it lies on.
  void Print(CSurface* drawn, CSurface* backdrop) {
    drawn->Fill(0xFF00FF);
    link.SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(drawn->Dc()), PRF_CLIENT);
    backdrop->FillWithBackdrop(kLeft, kTop);
  }

  // The longest run of one colour along any row.
  static int LongestRun(const CSurface& surface, COLORREF color) {
    int longest = 0;
    for (int y = 0; y < surface.Height(); ++y) {
      int run = 0;
      for (int x = 0; x < surface.Width(); ++x) {
        run = surface.At(x, y) == FromColorRef(color) ? run + 1 : 0;
        longest = std::max(longest, run);
      }
    }
    return longest;
  }

  // The window, destroyed first, takes its children with it while the control can still take
  // their last messages.
  CThemedHyperlinkCtrl link;
  CBackdropWindow window;
  HWND raw = nullptr;
};

TEST_F(ThemedHyperlinkCtrlTest, AttachSizesTheLinkToItsCaption) {
  ASSERT_TRUE(link.Attach(raw));
  SIZE ideal = {};
  link.SendMessage(BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal));
  const SIZE client = ClientSize();
  EXPECT_EQ(client.cx, ideal.cx);
  EXPECT_EQ(client.cy, ideal.cy);
  EXPECT_LT(client.cx, 200) << "shrunk to the caption";

  // The caption in its font fits, and the link keeps its place.
  CSurface probe(1, 1);
  HGDIOBJ previous = ::SelectObject(probe.Dc(), link.Font());
  SIZE text = {};
  ::GetTextExtentPoint32W(probe.Dc(), kCaption, lstrlenW(kCaption), &text);
  ::SelectObject(probe.Dc(), previous);
  EXPECT_GE(client.cx, text.cx);
  EXPECT_GE(client.cy, text.cy);
  RECT placed = {};
  ::GetWindowRect(raw, &placed);
  ::MapWindowPoints(nullptr, window.m_hWnd, reinterpret_cast<POINT*>(&placed), 2);
  EXPECT_EQ(placed.left, kLeft);
  EXPECT_EQ(placed.top, kTop);
}

TEST_F(ThemedHyperlinkCtrlTest, FontsComeFromTheLinksFontAndFollowWmSetFont) {
  ASSERT_TRUE(link.Attach(raw));
  EXPECT_EQ(link.BackgroundSource(), window.m_hWnd);
  EXPECT_EQ(link.Font(), window.Font());
  LOGFONTW plain = {}, underlined = {};
  ::GetObjectW(link.Font(), sizeof(plain), &plain);
  ::GetObjectW(link.UnderlineFont(), sizeof(underlined), &underlined);
  EXPECT_TRUE(underlined.lfUnderline);
  EXPECT_EQ(underlined.lfHeight, plain.lfHeight);
  EXPECT_STREQ(underlined.lfFaceName, plain.lfFaceName);

  CFont larger(::CreateFontW(-30, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0,
                             0, L"Tahoma"));
  link.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(larger.Get()), FALSE);
  EXPECT_EQ(link.Font(), larger.Get());
  EXPECT_EQ(link.SendMessage(WM_GETFONT), reinterpret_cast<LRESULT>(larger.Get()))
      << "the system button takes the font too";
  ::GetObjectW(link.UnderlineFont(), sizeof(underlined), &underlined);
  EXPECT_EQ(underlined.lfHeight, -30);
  EXPECT_EQ(underlined.lfWeight, FW_BOLD);
  EXPECT_TRUE(underlined.lfUnderline);
}

// Plain: RGB(40, 90, 200) without underline; hovered: RGB(60, 120, 220), underlined;
// leaving restores the plain look. Pressed and disabled change nothing. The system button
// turns hot at the hover message of its mouse tracking and cold when the pointer leaves.
TEST_F(ThemedHyperlinkCtrlTest, HoverUnderlinesAndLightensTheLinkAndNothingElseChangesIt) {
  ASSERT_TRUE(link.Attach(raw));
  EXPECT_EQ(link.TextColor(), RGB(40, 90, 200));
  EXPECT_EQ(link.HotTextColor(), RGB(60, 120, 220));
  const SIZE size = ClientSize();
  CSurface plain(size.cx, size.cy), drawn(size.cx, size.cy), backdrop(size.cx, size.cy);
  Print(&plain, &backdrop);
  RECT ink = test::InkBounds(plain, backdrop);
  ASSERT_FALSE(::IsRectEmpty(&ink));
  EXPECT_GT(plain.CountColor(FromColorRef(link.TextColor())), 20);
  EXPECT_LT(LongestRun(plain, link.TextColor()), (ink.right - ink.left) * 9 / 10);

  link.SendMessage(WM_MOUSEHOVER, 0, MAKELPARAM(2, 2));
  Print(&drawn, &backdrop);
  EXPECT_GT(drawn.CountColor(FromColorRef(link.HotTextColor())), 20);
  EXPECT_EQ(drawn.CountColor(FromColorRef(link.TextColor())), 0);
  // An underline is one unbroken line under all the letters.
  EXPECT_GE(LongestRun(drawn, link.HotTextColor()), (ink.right - ink.left) * 9 / 10);
  link.SendMessage(WM_MOUSELEAVE);
  Print(&drawn, &backdrop);
  EXPECT_EQ(drawn.CountDifferences(plain), 0) << "left";

  link.SendMessage(BM_SETSTATE, TRUE);
  Print(&drawn, &backdrop);
  EXPECT_EQ(drawn.CountDifferences(plain), 0) << "pressed";
  link.SendMessage(BM_SETSTATE, FALSE);
  ::EnableWindow(link.m_hWnd, FALSE);
  Print(&drawn, &backdrop);
  EXPECT_EQ(drawn.CountDifferences(plain), 0) << "disabled";
}

}  // namespace
}  // namespace kst
