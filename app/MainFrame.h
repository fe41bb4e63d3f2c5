// The borderless popup that gives the installer dialog a place on the desktop: it paints the
// mode's background, drags by its client area, hides on request and ends the program on close.
#pragma once

#include <windows.h>

#include "app/FrameGeometry.h"
#include "app/FrameRequests.h"
#include "base/Handles.h"
#include "framework/MessageLoop.h"
#include "framework/WindowImpl.h"
#include "skin/DpiScale.h"
#include "skin/SkinDrawing.h"

namespace kst {

class CMainFrame : public CFrameWindowImpl<CMainFrame>, public CMessageFilter {
 public:
  static const CFrameClassInfo& GetClassInfo();

  // Creates the frame with its title from string resource 128.
  HWND CreateFrame();

  bool PreTranslateMessage(MSG* message) override;

  BEGIN_MSG_MAP(CMainFrame)
  MESSAGE_HANDLER(WM_CREATE, OnCreate)
  MESSAGE_HANDLER(WM_CLOSE, OnClose)
  MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
  MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
  MESSAGE_HANDLER(WM_GETMINMAXINFO, OnGetMinMaxInfo)
  MESSAGE_HANDLER(WM_NCHITTEST, OnNcHitTest)
  MESSAGE_HANDLER(kHideFrameRequest, OnHideRequest)
  MESSAGE_HANDLER(kShowBadgeRequest, OnShowBadgeRequest)
  MESSAGE_HANDLER(WM_SIZE, OnSize)
  MESSAGE_HANDLER(WM_SETFOCUS, OnSetFocus)
  MESSAGE_HANDLER(kGetDpiScaledSize, OnGetDpiScaledSize)
  MESSAGE_HANDLER(kDpiChanged, OnDpiChanged)
  MESSAGE_HANDLER(WM_SETTINGCHANGE, OnSystemLookChange)
  MESSAGE_HANDLER(WM_SYSCOLORCHANGE, OnSystemLookChange)
  END_MSG_MAP()

  // WM_GETDPISCALEDSIZE and WM_DPICHANGED, which the Windows headers declare for Windows 10
  // only; the frame handles them wherever they come.
  static constexpr UINT kGetDpiScaledSize = 0x02E4;
  static constexpr UINT kDpiChanged = 0x02E0;

 private:
  LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnClose(UINT, WPARAM, LPARAM, BOOL& handled);
  LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnEraseBackground(UINT, WPARAM wParam, LPARAM, BOOL&);
  LRESULT OnGetMinMaxInfo(UINT, WPARAM, LPARAM lParam, BOOL&);
  LRESULT OnNcHitTest(UINT, WPARAM, LPARAM lParam, BOOL&);
  LRESULT OnHideRequest(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnShowBadgeRequest(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnSize(UINT, WPARAM wParam, LPARAM, BOOL&);
  LRESULT OnSetFocus(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnGetDpiScaledSize(UINT, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnDpiChanged(UINT, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnSystemLookChange(UINT, WPARAM, LPARAM, BOOL&);

  void CreateClientDialog();
  SIZE WindowSizeForClient(Size client) const;
  void SizeToClient(Size client);
  void PaintBackground(HDC dc, const RECT& client);

  // The background stretched to the client size once per size: every control snapshots the
  // frame's background, and each snapshot then copies it instead of stretching the image again.
  // At 96 DPI it is stretched as it stands, at any other DPI smoothly.
  void ScaleBackground(HDC dc, SIZE size);

  HWND clientWindow = nullptr;
  int dpi = kDesignDpi;  // the frame's, for its client size and every pixel size it draws
  CBitmap backgroundImage;
  CBitmap scaledBackground;
  SIZE scaledSize = {};
  CBitmap badgeImage;
  CScaledSkinCache scaledBadge;
  bool badgeShown = false;
  POINT minTrackSize = {};
  // Plain, without the background picture, while the system's high-contrast mode is on.
  SkinLook look = {};
};

// Moves the window so that it sits centred on its monitor's work area, 24 pixels (scaled for
// dpi) above centre, and shows it.
void CenterOnWorkArea(HWND window, int dpi);

}  // namespace kst
