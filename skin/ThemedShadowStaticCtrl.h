// A picture control: the background behind it, a soft shadow frame drawn as a nine-grid, and
// a skin image stretched into an inset rectangle. A new picture can cross-fade in from the
// old one, driven by a 25 ms timer that stops itself when the fade is over.
#pragma once

#include <windows.h>

#include "framework/Controls.h"
#include "framework/WindowImpl.h"
#include "skin/BackgroundSnapshot.h"

namespace kst {

class CThemedShadowStaticCtrl
    : public CWindowImpl<CThemedShadowStaticCtrl, CStaticT<CWindow>, CControlWinTraits>,
      public CBackgroundSnapshot<CThemedShadowStaticCtrl> {
 public:
  static constexpr UINT_PTR kFadeTimer = 189;
  static constexpr UINT kFadeTickMs = 25;

  // Subclasses an existing static and loads the frame image; false when subclassing fails.
  bool Attach(HWND control);
  // name and type as for LoadSkinImage; durationMs 0 shows the picture at once. Fades and
  // repaints need the control attached.
  void SetPicture(const wchar_t* name, const wchar_t* type, DWORD durationMs);
  void SetPictureInset(int x, int y);

  // Background, frame and picture as they look at tick now; uses the cached background brush.
  void Draw(HDC dc, const RECT& rect, DWORD now) const;

  BEGIN_MSG_MAP(CThemedShadowStaticCtrl)
    MESSAGE_HANDLER(WM_CREATE, OnCreate)
    MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
    MESSAGE_HANDLER(WM_MOVE, OnMoveOrSize)
    MESSAGE_HANDLER(WM_SIZE, OnMoveOrSize)
    MESSAGE_HANDLER(WM_PAINT, OnPaint)
    MESSAGE_HANDLER(WM_PRINTCLIENT, OnPaint)
    MESSAGE_HANDLER(WM_TIMER, OnTimer)
  END_MSG_MAP()

  int shadowEnabled = 0;
  CBitmap frameImage;
  CBitmap picture;
  CBitmap previousPicture;  // the picture being faded out
  POINT pictureInset = {};
  DWORD fadeStart = 0;  // 0: no fade
  DWORD fadeEnd = 0;

 private:
  void Initialise();
  LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL& handled);
  LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, BOOL&) { return 1; }
  LRESULT OnPaint(UINT, WPARAM wParam, LPARAM, BOOL&);
  LRESULT OnTimer(UINT, WPARAM wParam, LPARAM, BOOL& handled);
};

}  // namespace kst
