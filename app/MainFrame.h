// The borderless popup that gives the installer dialog a place on the desktop: it paints the
// mode's background, drags by its client area, hides on request and ends the program on close.
#pragma once

#include <windows.h>

#include "base/Handles.h"
#include "framework/MessageLoop.h"
#include "framework/WindowImpl.h"

namespace kst {

class CMainFrame : public CFrameWindowImpl<CMainFrame>, public CMessageFilter {
 public:
  static const CFrameClassInfo& GetClassInfo();

  // Creates the frame with its title from string resource 128.
  HWND CreateFrame();

  BOOL PreTranslateMessage(MSG* message) override;

  BEGIN_MSG_MAP(CMainFrame)
  MESSAGE_HANDLER(WM_CREATE, OnCreate)
  MESSAGE_HANDLER(WM_CLOSE, OnClose)
  MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
  MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
  MESSAGE_HANDLER(WM_GETMINMAXINFO, OnGetMinMaxInfo)
  MESSAGE_HANDLER(WM_NCHITTEST, OnNcHitTest)
  MESSAGE_HANDLER(WM_USER, OnUserRequest)
  MESSAGE_HANDLER(WM_SIZE, OnSize)
  MESSAGE_HANDLER(WM_SETFOCUS, OnSetFocus)
  END_MSG_MAP()

 private:
  LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnClose(UINT, WPARAM, LPARAM, BOOL& handled);
  LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnEraseBackground(UINT, WPARAM wParam, LPARAM, BOOL&);
  LRESULT OnGetMinMaxInfo(UINT, WPARAM, LPARAM lParam, BOOL&);
  LRESULT OnNcHitTest(UINT, WPARAM, LPARAM lParam, BOOL&);
  LRESULT OnUserRequest(UINT, WPARAM wParam, LPARAM, BOOL&);
  LRESULT OnSize(UINT, WPARAM wParam, LPARAM, BOOL&);
  LRESULT OnSetFocus(UINT, WPARAM, LPARAM, BOOL&);

  void CreateClientDialog();
  void SizeToClient(int width, int height);
  void PaintBackground(HDC dc, const RECT& client);

  // The background stretched to the client size once per size: every control snapshots the
  // frame's background, and each snapshot then copies it instead of stretching the image again.
  void ScaleBackground(HDC dc, SIZE size);

  HWND clientWindow = nullptr;
  CBitmap backgroundImage;
  CBitmap scaledBackground;
  SIZE scaledSize = {};
  CBitmap badgeImage;
  int badgeMode = 0;
  POINT minTrackSize = {};
};

// Moves the window so that it sits centred on its monitor's work area, 24 pixels above
// centre, and shows it.
void CenterOnWorkArea(HWND window);

}  // namespace kst
