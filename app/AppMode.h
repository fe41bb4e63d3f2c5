// The mode question and the requests that end or hide the program's window.
#pragma once

#include <windows.h>

namespace kst {

// wParam of WM_USER that asks the frame to hide itself.
constexpr WPARAM kHideRequest = 1112;

// Sent by the frame to its dialog when it is asked to close; the dialog answers nonzero while an
// install or uninstall sequence runs, and the frame then stays. The sequences themselves close it
// by posting WM_CLOSE, which arrives once they have returned.
constexpr UINT kSequenceRunningQuery = WM_APP + 1;

// True when the running executable's full path contains "uninstall.exe" (case-sensitive).
bool IsUninstallMode();
bool IsUninstallPath(const wchar_t* modulePath);

// The outermost window reached through GetParent; from any control this is the frame.
HWND TopLevelWindow(HWND window);

// WM_CLOSE to the top-level window of the given one; posted or sent as the caller needs.
void CloseMainWindow(HWND fromWindow, bool post);

void HideMainWindowRequest(HWND fromWindow);

}  // namespace kst
