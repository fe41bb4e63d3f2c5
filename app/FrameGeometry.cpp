#include "app/FrameGeometry.h"

#include "skin/DpiScale.h"

namespace kst {

Size ClientSizeFromBaseUnits(unsigned long baseUnits, int dpi, int systemDpi) {
  int horizontal = static_cast<int>(baseUnits & 0xFFFF);
  int vertical = static_cast<int>((baseUnits >> 16) & 0xFFFF);
  return {ScaleRounded(70 * horizontal, dpi, systemDpi),
          ScaleRounded(20 * vertical, dpi, systemDpi)};
}

Point CenteredOnWorkArea(const Rect& window, const Rect& workArea, int dpi) {
  int width = window.right - window.left;
  int height = window.bottom - window.top;
  return {(workArea.left + workArea.right - width) / 2,
          (workArea.top + workArea.bottom - height) / 2 - ScaleForDpi(24, dpi)};
}

Rect BadgeRect(int clientWidth, int badgeWidth, int badgeHeight, int dpi) {
  const int margin = ScaleForDpi(8, dpi);
  const int right = clientWidth - margin;
  return {right - ScaleForDpi(badgeWidth, dpi), margin, right,
          margin + ScaleForDpi(badgeHeight, dpi)};
}

bool IsDragPoint(const Rect& clientOnScreen, int x, int y) {
  return x >= clientOnScreen.left && x < clientOnScreen.right && y >= clientOnScreen.top &&
         y < clientOnScreen.bottom;
}

}  // namespace kst
