// Framed pictures: the soft shadow frame, the picture inside its inset, and the cross-fade
// from the old picture to the new one on the control's own timer.
#include <algorithm>
#include <initializer_list>

#include "resources/resource.h"
#include "skin/SkinImage.h"
#include "skin/ThemedShadowStaticCtrl.h"
#include "tests/skin/SkinTestSupport.h"
#include <gtest/gtest.h>

namespace kst {
namespace {

using test::CBackdropWindow;
using test::CSurface;
using test::Rgb;

constexpr int kLeft = 30;
constexpr int kTop = 40;

CBitmap Png(int id) { return LoadSkinImage(MAKEINTRESOURCEW(id), L"PNG"); }

class ThemedShadowStaticCtrlTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(window.Open(120, 90, 500, 300)); }

  void AddPicture(int width, int height) {
    HWND raw = window.AddChild(L"STATIC", L"", SS_LEFT, kLeft, kTop, width, height);
    ASSERT_NE(raw, nullptr);
    ASSERT_TRUE(picture.Attach(raw));
    picture.SetFrameImage(Png(IDP_SHADOW_FRAME));
  }

  void Print(CSurface* surface) {
    surface->Fill(0xFF00FF);
    picture.SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(surface->Dc()), PRF_CLIENT);
  }

  // The backdrop under the control with the images blended into target, each whole image
  // stretched, with its constant alpha.
  struct Layer {
    int id;
    BYTE alpha;
  };
  static void Compose(CSurface* surface, const RECT& target, std::initializer_list<Layer> layers) {
    surface->FillWithBackdrop(kLeft, kTop);
    for (const Layer& layer : layers) {
      CBitmap image = Png(layer.id);
      const SIZE size = BitmapSize(image.Get());
      CMemoryDC imageDC(::CreateCompatibleDC(nullptr));
      HGDIOBJ previous = ::SelectObject(imageDC.Get(), image.Get());
      BLENDFUNCTION blend = kSkinBlend;
      blend.SourceConstantAlpha = layer.alpha;
      ::AlphaBlend(surface->Dc(), target.left, target.top, target.right - target.left,
                   target.bottom - target.top, imageDC.Get(), 0, 0, size.cx, size.cy, blend);
      ::SelectObject(imageDC.Get(), previous);
    }
  }

  bool TimerRunning() {
    // Killing tells whether it existed; a running one is started again.
    if (!::KillTimer(picture.m_hWnd, CThemedShadowStaticCtrl::kFadeTimer)) return false;
    ::SetTimer(picture.m_hWnd, CThemedShadowStaticCtrl::kFadeTimer, 25, nullptr);
    return true;
  }

  // The window, destroyed first, takes its children with it while the control can still take
  // their last messages.
  CThemedShadowStaticCtrl picture;
  CBackdropWindow window;
};

TEST_F(ThemedShadowStaticCtrlTest, AttachShowsTheShadowOfTheFrameGiven) {
  AddPicture(60, 50);
  EXPECT_TRUE(picture.ShadowEnabled());
  EXPECT_EQ(picture.BackgroundSource(), window.m_hWnd);
  EXPECT_EQ(BitmapSize(picture.FrameImage()).cx, 200);
  EXPECT_EQ(picture.Picture(), nullptr);
  EXPECT_EQ(picture.FadeStart(), 0u);
  CThemedShadowStaticCtrl detached;
  EXPECT_FALSE(detached.Attach(nullptr));
}

// Three pixels of shadow along the inside of the control (alpha 5, 14 and 28 from the
// outside in), then the background, and the picture stretched into the inset.
TEST_F(ThemedShadowStaticCtrlTest, ShadowFrameAroundThePictureInItsInset) {
  AddPicture(60, 50);
  picture.SetPicture(Png(IDP_LOGO), 0);
  picture.SetPictureInset(6, 6);
  CSurface drawn(60, 50), expected(60, 50);
  Print(&drawn);
  Compose(&expected, {6, 6, 54, 44}, {{IDP_LOGO, 255}});

  const BYTE ringAlpha[3] = {5, 14, 28};
  for (int y = 0; y < 50; ++y) {
    for (int x = 0; x < 60; ++x) {
      const int depth = std::min(std::min(x, 59 - x), std::min(y, 49 - y));
      const Rgb shown = drawn.At(x, y);
      if (depth >= 3) {
        ASSERT_EQ(shown, expected.At(x, y)) << x << ", " << y;
        continue;
      }
      const Rgb behind = test::BackdropColor(kLeft + x, kTop + y);
      for (int shift : {0, 8, 16}) {
        const int channel = (behind >> shift) & 0xFF;
        const int darkened = channel * (255 - ringAlpha[depth]) / 255;
        ASSERT_LE(abs(static_cast<int>((shown >> shift) & 0xFF) - darkened), 1)
            << x << ", " << y << " depth " << depth;
      }
    }
  }
}

// 580 x 321 into 426 x 211 with inset 6: stretched into 414 x 199; without the frame only
// the picture differs from the background.
TEST_F(ThemedShadowStaticCtrlTest, WithoutShadowThePictureStillKeepsItsInset) {
  AddPicture(426, 211);
  picture.SetShadowEnabled(false);
  picture.SetPictureInset(6, 6);
  picture.SetPicture(Png(IDP_PICTURE_START), 0);
  CSurface drawn(426, 211), expected(426, 211), backdrop(426, 211);
  Print(&drawn);
  Compose(&expected, {6, 6, 420, 205}, {{IDP_PICTURE_START, 255}});
  backdrop.FillWithBackdrop(kLeft, kTop);
  EXPECT_EQ(drawn.CountDifferences(expected), 0);
  RECT ink = test::InkBounds(drawn, backdrop);
  EXPECT_EQ(ink.left, 6);
  EXPECT_EQ(ink.top, 6);
  EXPECT_EQ(ink.right, 420);
  EXPECT_EQ(ink.bottom, 205);
}

// Old picture at 255 - a under the new one at a; a from the ticks since the fade began.
TEST_F(ThemedShadowStaticCtrlTest, CrossFadeBlendsTheOldPictureUnderTheNewOne) {
  AddPicture(60, 50);
  picture.SetShadowEnabled(false);
  picture.SetPictureInset(6, 6);
  picture.SetPicture(Png(IDP_PICTURE_INSTALLING), 0);
  picture.SetPicture(Png(IDP_PICTURE_FINISHED), 500);
  ASSERT_NE(picture.PreviousPicture(), nullptr);
  ASSERT_EQ(picture.FadeEnd() - picture.FadeStart(), 500u);
  // Make the snapshot once; the frames below are drawn at chosen ticks.
  CSurface drawn(60, 50), expected(60, 50);
  Print(&drawn);

  struct Case {
    DWORD elapsed;
    BYTE newAlpha;
  } cases[] = {{0, 0}, {250, 127}, {500, 255}, {90000, 255}};
  const RECT target = {6, 6, 54, 44};
  for (const Case& c : cases) {
    drawn.Fill(0xFF00FF);
    picture.DrawAt(drawn.Dc(), drawn.Rect(), picture.FadeStart() + c.elapsed);
    Compose(&expected, target,
            {{IDP_PICTURE_INSTALLING, static_cast<BYTE>(255 - c.newAlpha)},
             {IDP_PICTURE_FINISHED, c.newAlpha}});
    EXPECT_EQ(drawn.CountDifferences(expected), 0) << "after " << c.elapsed << " ms";
  }
  CSurface newAlone(60, 50);
  Compose(&newAlone, target, {{IDP_PICTURE_FINISHED, 255}});
  EXPECT_EQ(expected.CountDifferences(newAlone), 0) << "at the end only the new picture shows";
}

TEST_F(ThemedShadowStaticCtrlTest, TimerRunsOnlyForAFadeAndStopsItselfAfterItsEnd) {
  AddPicture(60, 50);
  picture.SetPicture(Png(IDP_PICTURE_INSTALLING), 0);
  EXPECT_FALSE(TimerRunning()) << "no duration, no timer";
  picture.SetPicture(Png(IDP_PICTURE_FINISHED), 100);
  EXPECT_TRUE(TimerRunning());
  const DWORD start = ::GetTickCount();
  while (picture.FadeStart() != 0 && ::GetTickCount() - start < 3000) test::PumpMessages(25);
  EXPECT_GE(::GetTickCount() - start, 100u) << "not before the fade's end";
  EXPECT_FALSE(TimerRunning());
  EXPECT_EQ(picture.FadeStart(), 0u);
  EXPECT_EQ(picture.FadeEnd(), 0u);

  // Still: the new picture alone, although the old one is kept.
  picture.SetShadowEnabled(false);
  CSurface drawn(60, 50), expected(60, 50);
  Print(&drawn);
  Compose(&expected, {0, 0, 60, 50}, {{IDP_PICTURE_FINISHED, 255}});
  EXPECT_EQ(drawn.CountDifferences(expected), 0);
}

TEST_F(ThemedShadowStaticCtrlTest, ANewPictureDuringAFadeDropsThePictureFadingOut) {
  AddPicture(60, 50);
  picture.SetPicture(Png(IDP_PICTURE_INSTALLING), 0);
  picture.SetPicture(Png(IDP_PICTURE_FINISHED), 500);
  const HBITMAP fadingOut = picture.PreviousPicture();
  const HBITMAP fadingIn = picture.Picture();
  picture.SetPicture(Png(IDP_PICTURE_START), 500);
  EXPECT_EQ(::GetObjectType(fadingOut), 0u) << "deleted";
  EXPECT_EQ(picture.PreviousPicture(), fadingIn);
}

// A picture that cannot be loaded: background and frame only, the old picture not either.
TEST_F(ThemedShadowStaticCtrlTest, MissingPictureLeavesTheBackground) {
  AddPicture(60, 50);
  picture.SetShadowEnabled(false);
  picture.SetPicture(Png(IDP_LOGO), 0);
  picture.SetPicture(Png(4321), 500);
  EXPECT_EQ(picture.Picture(), nullptr);
  CSurface drawn(60, 50), backdrop(60, 50);
  Print(&drawn);
  backdrop.FillWithBackdrop(kLeft, kTop);
  EXPECT_EQ(drawn.CountDifferences(backdrop), 0);
}

TEST(ThemedShadowStaticCtrl, WithoutAWindowSetPictureOnlyLoads) {
  CThemedShadowStaticCtrl detached;
  detached.SetPicture(Png(IDP_LOGO), 30);
  EXPECT_NE(detached.Picture(), nullptr);
  ::Sleep(60);
  MSG message;
  EXPECT_FALSE(::PeekMessageW(&message, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE))
      << "no thread timer";
}

}  // namespace
}  // namespace kst
