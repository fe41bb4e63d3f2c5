// Size and placement rules of the main frame, platform-free. dpi is the frame's: every pixel
// constant is designed at 96 DPI and scaled for it (ScaleForDpi).
#pragma once

#include "base/Geometry.h"

namespace kst {

// W = 70 x the horizontal and H = 20 x the vertical dialog base unit. The base units are the
// system's, measured at systemDpi; on a monitor of another DPI the size keeps its dialog units,
// scaled by dpi / systemDpi with ScaleRounded.
Size ClientSizeFromBaseUnits(unsigned long baseUnits, int dpi, int systemDpi);

// Top-left corner that centres a window of the given rectangle on the work area, 24 pixels
// (scaled) above centre; the divisions truncate toward zero.
Point CenteredOnWorkArea(const Rect& window, const Rect& workArea, int dpi);

// Where the badge goes in badge mode: 8 pixels (scaled) from the top right corner, the badge
// image scaled for dpi.
Rect BadgeRect(int clientWidth, int badgeWidth, int badgeHeight, int dpi);

// The frame drags by its client area: true when the screen point lies inside the client
// rectangle given in screen coordinates.
bool IsDragPoint(const Rect& clientOnScreen, int x, int y);

}  // namespace kst
