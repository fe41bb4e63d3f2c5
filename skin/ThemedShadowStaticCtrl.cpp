#include "skin/ThemedShadowStaticCtrl.h"

#include <utility>

#include "resources/resource.h"
#include "skin/SkinImage.h"
#include "skin/SkinRules.h"

namespace kst {
namespace {

// The frame image's soft edge lies within these margins; its interior is transparent.
constexpr RECT kFrameMargins = {10, 10, 10, 10};

// Stretches the whole image into target with per-pixel alpha scaled by alpha. Each picture
// is read at its own size, so that a fade between pictures of different sizes shows both.
void BlendPicture(HDC dc, const RECT& target, HDC imageDC, HBITMAP image, BYTE alpha) {
  const SIZE size = BitmapSize(image);
  CSelectObject selectImage(imageDC, image);
  BLENDFUNCTION blend = kSkinBlend;
  blend.SourceConstantAlpha = alpha;
  SkinAlphaBlend(dc, target.left, target.top, target.right - target.left,
                 target.bottom - target.top, imageDC, 0, 0, size.cx, size.cy, blend);
}

}  // namespace

void CThemedShadowStaticCtrl::Initialise() {
  shadowEnabled = true;
  UseBackgroundOf(TopLevelWindow(m_hWnd));
  frameImage.Reset(LoadSkinImage(MAKEINTRESOURCEW(IDP_SHADOW_FRAME), L"PNG"));
  fadeEnd = fadeStart = 0;
  RepaintWithBackground(m_hWnd, false);
}

void CThemedShadowStaticCtrl::SetPicture(const wchar_t* name, const wchar_t* type,
                                         DWORD durationMs) {
  previousPicture = std::move(picture);
  picture.Reset(LoadSkinImage(name, type));
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

void CThemedShadowStaticCtrl::Draw(HDC dc, const RECT& rect, DWORD now) const {
  FillWithBrush(dc, rect, BackgroundBrush());
  CMemoryDC imageDC(::CreateCompatibleDC(dc));
  if (shadowEnabled && frameImage) {
    const SIZE frameSize = BitmapSize(frameImage.Get());
    CSelectObject selectFrame(imageDC.Get(), frameImage.Get());
    DrawNineGrid(dc, rect, imageDC.Get(), {0, 0, frameSize.cx, frameSize.cy}, kFrameMargins);
  }
  if (!picture) return;

  const RECT target = {rect.left + pictureInset.x, rect.top + pictureInset.y,
                       rect.right - pictureInset.x, rect.bottom - pictureInset.y};
  if (IsFadeRunning(fadeStart, fadeEnd, previousPicture.IsValid())) {
    const BYTE alpha = FadeAlpha(fadeStart, fadeEnd, now);
    BlendPicture(dc, target, imageDC.Get(), previousPicture.Get(), 255 - alpha);
    BlendPicture(dc, target, imageDC.Get(), picture.Get(), alpha);
  } else {
    BlendPicture(dc, target, imageDC.Get(), picture.Get(), 255);
  }
}

void CThemedShadowStaticCtrl::Paint(HDC dc, const RECT& client) const {
  Draw(dc, client, ::GetTickCount());
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
