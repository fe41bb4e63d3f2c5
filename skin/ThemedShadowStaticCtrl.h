// A picture control: the background behind it, a soft shadow frame drawn as a nine-grid, and
// a skin image stretched into an inset rectangle. A new picture can cross-fade in from the
// old one, driven by a 25 ms timer that stops itself when the fade is over. Readers are told it is
// a graphic without a name, which they pass over; the plain look leaves it out unless it carries
// information.
#pragma once

#include <windows.h>

#include "base/Handles.h"
#include "framework/Controls.h"
#include "skin/ThemedControlImpl.h"

namespace kst {

class CThemedShadowStaticCtrl
    : public CThemedControlImpl<CThemedShadowStaticCtrl, CStaticT<CWindow>,
                                kCopiesBackground | kPaintsItself> {
 public:
  static constexpr UINT_PTR kFadeTimer = 189;
  static constexpr UINT kFadeTickMs = 25;

  // The skin image of the shadow frame; none draws no frame.
  void SetFrameImage(CBitmap image);
  // A skin image; durationMs 0 shows it at once. Fades and repaints need the control attached.
  void SetPicture(CBitmap image, DWORD durationMs);
  void SetPictureInset(int x, int y);
  // The shadow frame is shown from attaching on.
  void SetShadowEnabled(bool enabled);
  // The picture says something (the product's name): the plain look keeps it.
  void SetCarriesInformation() { carriesInformation = true; }

  bool ShadowEnabled() const { return shadowEnabled; }
  HBITMAP FrameImage() const { return frameImage.Get(); }
  HBITMAP Picture() const { return picture.Get(); }
  HBITMAP PreviousPicture() const { return previousPicture.Get(); }
  // Ticks of GetTickCount; both 0 while no fade runs.
  DWORD FadeStart() const { return fadeStart; }
  DWORD FadeEnd() const { return fadeEnd; }

  // Background, frame and picture as they look at tick now; uses the cached background brush.
  void DrawAt(HDC dc, const RECT& rect, DWORD now) const;

  BEGIN_MSG_MAP(CThemedShadowStaticCtrl)
  MESSAGE_HANDLER(WM_TIMER, OnTimer)
  CHAIN_MSG_MAP(CThemedControlImpl)
  END_MSG_MAP()

 private:
  void Initialise() override;
  void Paint(HDC dc, const RECT& client) const override;
  void OnScreenPainted() override;
  void OnDpiChanged() override { scaledImages.Clear(); }
  LRESULT OnTimer(UINT, WPARAM wParam, LPARAM, BOOL& handled);
  LONG AccessibleRole() override { return ROLE_SYSTEM_GRAPHIC; }
  size_t AccessibleName(wchar_t*, size_t) override { return 0; }
  LONG AccessibleState() override { return STATE_SYSTEM_READONLY; }

  bool shadowEnabled = false;
  bool carriesInformation = false;
  CBitmap frameImage;
  CBitmap picture;
  CBitmap previousPicture;  // the picture being faded out
  POINT pictureInset = {};
  DWORD fadeStart = 0;  // 0: no fade
  DWORD fadeEnd = 0;
  // The frame and the pictures drawn so far, scaled for the DPI and the control's size.
  mutable CScaledSkinCache scaledImages;
};

}  // namespace kst
