// What the dialog asks of the frame, and the frame of the dialog: hiding, the badge, closing.
#pragma once

#include <windows.h>

namespace kst {

// WM_USER with this wParam, sent by the dialog while an uninstall ends, hides the frame at once.
constexpr WPARAM kHideRequest = 1112;
// WM_USER with any other wParam turns the frame's badge mode on: it then paints the badge
// instead of its background. Nothing in the program sends it; it is part of the frame's protocol.

// Sent by the frame to its dialog when it is asked to close; the dialog answers nonzero while an
// install or uninstall sequence runs, and the frame then stays. The sequences themselves close it
// by posting WM_CLOSE, which arrives once they have returned.
constexpr UINT kSequenceRunningQuery = WM_APP + 1;

// WM_CLOSE to the top-level window of the given one; posted or sent as the caller needs.
void CloseMainWindow(HWND fromWindow, bool post);

void HideMainWindowRequest(HWND fromWindow);

}  // namespace kst
