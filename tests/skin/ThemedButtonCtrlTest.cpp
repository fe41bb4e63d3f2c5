// Skinned push buttons drawn for real: the system button sends its custom-draw notifications
// to the test window, which reflects them to the skin object; the pixels are read back.
#include "resources/resource.h"
#include "skin/SkinImage.h"
#include "skin/ThemedButtonCtrl.h"
#include "tests/skin/SkinTestSupport.h"
#include <gtest/gtest.h>

namespace kst {
namespace {

using test::CBackdropWindow;
using test::CSurface;
using test::FromColorRef;

class ThemedButtonCtrlTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(window.Open(120, 90, 400, 300)); }

  // A push button at (x, y) in the window, skinned with the image and margins.
  void AddButton(int x, int y, int width, int height, HBITMAP image, RECT margins,
                 const wchar_t* caption = L"") {
    HWND raw = window.AddChild(L"BUTTON", caption, BS_PUSHBUTTON, x, y, width, height);
    ASSERT_NE(raw, nullptr);
    ASSERT_TRUE(button.Attach(raw));
    button.SetSkin(image, margins);
  }

  // The system button turns hot at the hover message of its mouse tracking and cold when the
  // pointer leaves.
  void SetState(bool hot, bool pressed, bool disabled) {
    button.SendMessage(hot ? WM_MOUSEHOVER : WM_MOUSELEAVE);
    button.SendMessage(BM_SETSTATE, pressed);
    ::EnableWindow(button.m_hWnd, !disabled);
  }

  // What the system button paints through WM_PRINTCLIENT, on a surface of another colour.
  void Print(CSurface* surface) {
    surface->Fill(0xFF00FF);
    button.SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(surface->Dc()), PRF_CLIENT);
  }

  // The backdrop under the button with the cell blended 1:1 over it.
  static void ExpectCellOverBackdrop(CSurface* expected, int x, int y, HBITMAP image, int cell) {
    expected->FillWithBackdrop(x, y);
    CMemoryDC imageDC(::CreateCompatibleDC(nullptr));
    HGDIOBJ previous = ::SelectObject(imageDC.Get(), image);
    ::AlphaBlend(expected->Dc(), 0, 0, expected->Width(), expected->Height(), imageDC.Get(),
                 cell * expected->Width(), 0, expected->Width(), expected->Height(), kSkinBlend);
    ::SelectObject(imageDC.Get(), previous);
  }

  // The window, destroyed first, takes its children with it while the control can still take
  // their last messages.
  CThemedButtonCtrl button;
  CBackdropWindow window;
};

TEST_F(ThemedButtonCtrlTest, AttachSetsTheDefaultsAndTakesOneWindowOnly) {
  AddButton(10, 10, 60, 24, nullptr, {8, 8, 8, 8});
  EXPECT_EQ(button.BackgroundSource(), window.m_hWnd);
  EXPECT_EQ(button.DefaultCell(), 0);
  EXPECT_EQ(button.TextColor(), RGB(0, 0, 0));
  EXPECT_EQ(button.PressedTextColor(), RGB(255, 255, 255));
  EXPECT_EQ(button.HotTextColor(), RGB(255, 255, 255));
  EXPECT_EQ(button.Font(), nullptr) << "WM_SETFONT before attaching is not seen";
  button.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(window.Font()), FALSE);
  EXPECT_EQ(button.Font(), window.Font());
  EXPECT_EQ(button.SendMessage(WM_GETFONT), reinterpret_cast<LRESULT>(window.Font()))
      << "the system button takes the font as well";

  HWND other = window.AddChild(L"BUTTON", L"", BS_PUSHBUTTON, 80, 10, 60, 24);
  EXPECT_FALSE(button.Attach(other));
  CThemedButtonCtrl detached;
  EXPECT_FALSE(detached.Attach(nullptr));
}

// The close button: a 16 x 16 cell of image 160 on a 16 x 16 button with margins 6 is drawn
// pixel for pixel, in the cell that the button's state selects.
TEST_F(ThemedButtonCtrlTest, CloseButtonShowsItsCellPixelForPixel) {
  CBitmap image(LoadSkinImage(MAKEINTRESOURCEW(IDP_CLOSE_BUTTON), L"PNG"));
  ASSERT_TRUE(image);
  const int x = 37, y = 21;
  AddButton(x, y, 16, 16, image.Get(), {6, 6, 6, 6});

  struct Case {
    const char* name;
    bool hot, pressed, disabled;
    int cell;
  } cases[] = {
      {"plain", false, false, false, 0},       {"hot", true, false, false, 1},
      {"pressed", true, true, false, 4},       {"pressed outside", false, true, false, 4},
      {"disabled", false, false, true, 3},     {"pressed and disabled", false, true, true, 3},
      {"plain again", false, false, false, 0},
  };
  for (const Case& c : cases) {
    SetState(c.hot, c.pressed, c.disabled);
    CSurface drawn(16, 16), expected(16, 16);
    Print(&drawn);
    ExpectCellOverBackdrop(&expected, x, y, image.Get(), c.cell);
    EXPECT_EQ(drawn.CountDifferences(expected), 0) << c.name;
  }
}

// Cell 3 of the main button image is fully transparent: a disabled button is its background.
TEST_F(ThemedButtonCtrlTest, DisabledMainButtonShowsTheBackgroundThroughCell3) {
  CBitmap image(LoadSkinImage(MAKEINTRESOURCEW(IDP_MAIN_BUTTON), L"PNG"));
  ASSERT_TRUE(image);
  const int x = 140, y = 200;
  AddButton(x, y, 120, 32, image.Get(), {6, 6, 6, 6});
  CSurface drawn(120, 32), backdrop(120, 32);
  backdrop.FillWithBackdrop(x, y);

  Print(&drawn);
  EXPECT_GT(drawn.CountDifferences(backdrop), 120 * 32 / 2) << "the plain cell covers the button";
  ::EnableWindow(button.m_hWnd, FALSE);
  Print(&drawn);
  EXPECT_EQ(drawn.CountDifferences(backdrop), 0);
}

TEST_F(ThemedButtonCtrlTest, ZeroMarginsStretchTheWholeCell) {
  CBitmap image(LoadSkinImage(MAKEINTRESOURCEW(IDP_CLOSE_BUTTON), L"PNG"));
  ASSERT_TRUE(image);
  const int x = 30, y = 40;
  AddButton(x, y, 48, 32, image.Get(), {0, 0, 0, 0});
  CSurface drawn(48, 32), expected(48, 32);
  Print(&drawn);
  expected.FillWithBackdrop(x, y);
  CMemoryDC imageDC(::CreateCompatibleDC(nullptr));
  HGDIOBJ previous = ::SelectObject(imageDC.Get(), image.Get());
  ::AlphaBlend(expected.Dc(), 0, 0, 48, 32, imageDC.Get(), 0, 0, 16, 16, kSkinBlend);
  ::SelectObject(imageDC.Get(), previous);
  EXPECT_EQ(drawn.CountDifferences(expected), 0);
}

// Without an image (a failed load) the button still shows its background and caption, in
// the colour of its state.
TEST_F(ThemedButtonCtrlTest, CaptionTakesTheColourOfTheStateOverTheBackground) {
  const int x = 60, y = 70;
  AddButton(x, y, 120, 32, nullptr, {6, 6, 6, 6}, L"Install");
  button.SetCaptionColors(RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255));
  CSurface drawn(120, 32), backdrop(120, 32);
  backdrop.FillWithBackdrop(x, y);

  struct Case {
    const char* name;
    bool hot, pressed, disabled;
    COLORREF shown;
  } cases[] = {
      {"plain", false, false, false, RGB(255, 0, 0)},
      {"hot", true, false, false, RGB(0, 255, 0)},
      {"pressed", true, true, false, RGB(0, 0, 255)},
      {"disabled", false, false, true, RGB(255, 0, 0)},
  };
  for (const Case& c : cases) {
    SetState(c.hot, c.pressed, c.disabled);
    Print(&drawn);
    for (COLORREF color : {button.TextColor(), button.HotTextColor(), button.PressedTextColor()}) {
      EXPECT_EQ(drawn.CountColor(FromColorRef(color)) > 0, color == c.shown)
          << c.name << " colour " << std::hex << color;
    }
    RECT ink = test::InkBounds(drawn, backdrop);
    EXPECT_FALSE(::IsRectEmpty(&ink)) << c.name;
    // Centred: as far from the left edge as from the right one.
    EXPECT_LE(abs(ink.left - (120 - ink.right)), 2) << c.name;
    EXPECT_LE(abs(ink.top - (32 - ink.bottom)), 3) << c.name;
  }
}

TEST_F(ThemedButtonCtrlTest, BackgroundFollowsTheButtonAndItsSource) {
  const int x = 10, y = 10;
  AddButton(x, y, 40, 20, nullptr, {6, 6, 6, 6});
  CSurface drawn(40, 20), expected(40, 20);
  Print(&drawn);
  expected.FillWithBackdrop(x, y);
  EXPECT_EQ(drawn.CountDifferences(expected), 0);

  button.SetWindowPos(nullptr, 200, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  Print(&drawn);
  expected.FillWithBackdrop(200, 150);
  EXPECT_EQ(drawn.CountDifferences(expected), 0) << "moving drops the snapshot";

  // Another source, elsewhere on the screen: the snapshot is taken in its coordinates.
  CBackdropWindow source;
  ASSERT_TRUE(source.Open(100, 50, 400, 300));
  button.SetBackgroundSource(source.m_hWnd);
  Print(&drawn);
  expected.FillWithBackdrop(120 + 200 - 100, 90 + 150 - 50);
  EXPECT_EQ(drawn.CountDifferences(expected), 0) << "a new source drops the snapshot";
}

}  // namespace
}  // namespace kst
