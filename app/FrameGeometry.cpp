#include "app/FrameGeometry.h"

namespace kst {

Size ClientSizeFromBaseUnits(unsigned long baseUnits) {
  int horizontal = static_cast<int>(baseUnits & 0xFFFF);
  int vertical = static_cast<int>((baseUnits >> 16) & 0xFFFF);
  return {70 * horizontal, 20 * vertical};
}

Point CenteredOnWorkArea(const Rect& window, const Rect& workArea) {
  int width = window.right - window.left;
  int height = window.bottom - window.top;
  return {(workArea.left + workArea.right - width) / 2,
          (workArea.top + workArea.bottom - height) / 2 - 24};
}

Rect BadgeRect(int clientWidth, int badgeWidth, int badgeHeight) {
  return {clientWidth - badgeWidth - 8, 8, clientWidth - 8, badgeHeight + 8};
}

bool IsDragPoint(const Rect& clientOnScreen, int x, int y) {
  return x >= clientOnScreen.left && x < clientOnScreen.right && y >= clientOnScreen.top &&
         y < clientOnScreen.bottom;
}

}  // namespace kst
