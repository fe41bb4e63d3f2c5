// What the dialog asks of the frame, and the frame of the dialog: hiding, the badge, closing, the
// DPI; and the client size both lay out for.
#pragma once

#include <windows.h>

#include "app/FrameGeometry.h"

namespace kst {

// WM_USER with this wParam, sent by the dialog while an uninstall ends, hides the frame at once.
constexpr WPARAM kHideRequest = 1112;
// WM_USER with any other wParam turns the frame's badge mode on: it then paints the badge
// instead of its background. Nothing in the program sends it; it is part of the frame's protocol.

// Sent by the frame to its dialog when it is asked to close; the dialog answers nonzero while an
// install or uninstall sequence runs, and the frame then stays. The sequences themselves close it
// by posting WM_CLOSE, which arrives once they have returned.
constexpr UINT kSequenceRunningQuery = WM_APP + 1;

// Sent by the frame to its dialog once it has taken the rectangle Windows suggests for a new DPI
// (wParam): the dialog makes its fonts and layout anew for it.
constexpr UINT kDpiChangedNotice = WM_APP + 2;

// The frame's client size at dpi: 70 x 20 dialog base units.
Size FrameClientSize(int dpi);

// WM_CLOSE to the top-level window of the given one; posted or sent as the caller needs.
void CloseMainWindow(HWND fromWindow, bool post);

void HideMainWindowRequest(HWND fromWindow);

}  // namespace kst
