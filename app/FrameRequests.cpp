#include "app/FrameRequests.h"

#include "framework/Window.h"
#include "skin/WindowDpi.h"

namespace kst {

Size FrameClientSize(int dpi) {
  return ClientSizeFromBaseUnits(static_cast<unsigned long>(::GetDialogBaseUnits()), dpi,
                                 SystemDpi());
}

void CloseMainWindow(HWND fromWindow, bool post) {
  HWND top = TopLevelWindow(fromWindow);
  if (post)
    ::PostMessageW(top, WM_CLOSE, 0, 0);
  else
    ::SendMessageW(top, WM_CLOSE, 0, 0);
}

void HideMainWindowRequest(HWND fromWindow) {
  ::SendMessageW(TopLevelWindow(fromWindow), kHideFrameRequest, 0, 0);
}

void ShowBadgeRequest(HWND fromWindow) {
  ::SendMessageW(TopLevelWindow(fromWindow), kShowBadgeRequest, 0, 0);
}

bool IsSequenceRunning(HWND dialog) {
  return ::SendMessageW(dialog, kSequenceRunningQuery, 0, 0) == 1;
}

void NotifyDpiChanged(HWND dialog, int dpi) {
  ::SendMessageW(dialog, kDpiChangedNotice, static_cast<WPARAM>(dpi), 0);
}

void NotifyLookChanged(HWND dialog) { ::SendMessageW(dialog, kLookChangedNotice, 0, 0); }

}  // namespace kst
