#include "skin/ThemedShadowStaticCtrl.h"

#include <utility>

#include "base/WinGeometry.h"
#include "skin/NineGrid.h"
#include "skin/SkinRules.h"

namespace kst {
namespace {

// The frame image's soft edge lies within these margins; its interior is transparent.
constexpr RECT kFrameMargins = {10, 10, 10, 10};
constexpr RECT kNoMargins = {0, 0, 0, 0};

RECT WholeImage(HBITMAP image) {
  const SIZE size = BitmapSize(image);
  return {0, 0, size.cx, size.cy};
}

}  // namespace

void CThemedShadowStaticCtrl::Initialise() {
  shadowEnabled = true;
  fadeEnd = fadeStart = 0;
  RepaintWithBackground(m_hWnd, false);
}

void CThemedShadowStaticCtrl::SetFrameImage(CBitmap image) {
  scaledImages.Forget(frameImage.Get());
  frameImage = std::move(image);
  if (IsWindow()) RepaintWithBackground(m_hWnd, false);
}

void CThemedShadowStaticCtrl::SetPicture(CBitmap image, DWORD durationMs) {
  scaledImages.Forget(previousPicture.Get());
  previousPicture = std::move(picture);
  picture = std::move(image);
  fadeStart = ::GetTickCount();
  fadeEnd = fadeStart + durationMs;
  if (!IsWindow()) return;  // a timer and a repaint without a window would go to the desktop
  if (durationMs != 0) ::SetTimer(m_hWnd, kFadeTimer, kFadeTickMs, nullptr);
  RepaintWithBackground(m_hWnd, false);
}

void CThemedShadowStaticCtrl::SetPictureInset(int x, int y) {
  pictureInset = {x, y};
  if (IsWindow()) RepaintWithBackground(m_hWnd, false);
}

void CThemedShadowStaticCtrl::SetShadowEnabled(bool enabled) {
  shadowEnabled = enabled;
  if (IsWindow()) RepaintWithBackground(m_hWnd, false);
}

// Each picture is read at its own size, so that a fade between pictures of different sizes
// shows both, stretched into the inset rectangle.
void CThemedShadowStaticCtrl::DrawAt(HDC dc, const RECT& rect, DWORD now) const {
  FillWithBrush(dc, rect, BackgroundBrush());
  if (Look().plain && !carriesInformation) return;
  if (shadowEnabled && frameImage) {
    DrawSkinImage(dc, rect, frameImage.Get(), WholeImage(frameImage.Get()), kFrameMargins, Dpi(),
                  255, &scaledImages);
  }
  if (!picture) return;

  const RECT target = ToRECT(PictureRect(ToRect(rect), pictureInset.x, pictureInset.y, Dpi()));
  auto blend = [&](HBITMAP image, BYTE alpha) {
    DrawSkinImage(dc, target, image, WholeImage(image), kNoMargins, Dpi(), alpha, &scaledImages);
  };
  if (IsFadeRunning(fadeStart, fadeEnd, previousPicture.IsValid())) {
    const BYTE alpha = FadeAlpha(fadeStart, fadeEnd, now);
    blend(previousPicture.Get(), 255 - alpha);
    blend(picture.Get(), alpha);
  } else {
    blend(picture.Get(), 255);
  }
}

void CThemedShadowStaticCtrl::Paint(HDC dc, const RECT& client) const {
  DrawAt(dc, client, ::GetTickCount());
}

void CThemedShadowStaticCtrl::OnScreenPainted() { RepaintTransparentSiblingsAbove(m_hWnd); }

// The repaint is requested before the end is tested, so the last frame shows the fade done.
LRESULT CThemedShadowStaticCtrl::OnTimer(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
  handled = FALSE;
  if (wParam != kFadeTimer) return 0;
  RepaintWithBackground(m_hWnd, false);
  if (IsFadeOver(fadeStart, fadeEnd, ::GetTickCount())) {
    ::KillTimer(m_hWnd, kFadeTimer);
    fadeEnd = fadeStart = 0;
  }
  return 0;
}

}  // namespace kst
