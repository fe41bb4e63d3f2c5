// What the dialog asks of the frame, and the frame of the dialog: hiding, the badge, closing, the
// DPI, the look; and the client size both lay out for.
#pragma once

#include <windows.h>

#include "app/FrameGeometry.h"

namespace kst {

// The messages between the frame and its dialog; the helpers below send them.
enum FrameMessage : UINT {
  // Frame to dialog when the frame is asked to close: the dialog answers 1 while an install or
  // uninstall sequence runs, and the frame then stays. The sequences themselves close it by
  // posting WM_CLOSE, which arrives once they have returned.
  kSequenceRunningQuery = WM_APP + 1,
  // Frame to dialog once the frame has taken the rectangle Windows suggests for a new DPI
  // (wParam): the dialog makes its fonts and layout anew for it.
  kDpiChangedNotice,
  // To the frame: hide at once (while an uninstall ends); answers 1.
  kHideFrameRequest,
  // To the frame: paint the badge instead of the background from now on. Nothing in the program
  // asks for it; it is part of the frame's protocol.
  kShowBadgeRequest,
  // Frame to dialog once the frame paints in the look the system asks for now (SystemSkinLook):
  // the dialog's controls take it too.
  kLookChangedNotice,
};

// The frame's client size at dpi: 70 x 20 dialog base units.
Size FrameClientSize(int dpi);

// WM_CLOSE to the top-level window of the given one; posted or sent as the caller needs.
void CloseMainWindow(HWND fromWindow, bool post);

void HideMainWindowRequest(HWND fromWindow);
void ShowBadgeRequest(HWND fromWindow);

// The dialog's answer to kSequenceRunningQuery.
bool IsSequenceRunning(HWND dialog);
void NotifyDpiChanged(HWND dialog, int dpi);
void NotifyLookChanged(HWND dialog);

}  // namespace kst
