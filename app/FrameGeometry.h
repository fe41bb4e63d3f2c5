// Size and placement rules of the main frame, platform-free.
#pragma once

namespace kst {

struct Size {
  int cx;
  int cy;
};

struct Point {
  int x;
  int y;
};

struct Rect {
  int left;
  int top;
  int right;
  int bottom;
};

// W = 70 x the horizontal and H = 20 x the vertical dialog base unit.
Size ClientSizeFromBaseUnits(unsigned long baseUnits);

// Top-left corner that centres a window of the given rectangle on the work area, 24 pixels
// above centre; the divisions truncate toward zero.
Point CenteredOnWorkArea(const Rect& window, const Rect& workArea);

// Where the badge goes in badge mode: 8 pixels from the top right corner, unscaled.
Rect BadgeRect(int clientWidth, int badgeWidth, int badgeHeight);

// The frame drags by its client area: true when the screen point lies inside the client
// rectangle given in screen coordinates.
bool IsDragPoint(const Rect& clientOnScreen, int x, int y);

}  // namespace kst
