#include "skin/SkinRules.h"

#include "skin/DpiScale.h"
#include "skin/WideDivision.h"

namespace kst {

int SkinCellForState(unsigned itemState, int defaultCell) {
  int cell = defaultCell;
  if (itemState & kItemHot) cell = kHotCell;
  if (itemState & kItemPressed) cell = kPressedCell;
  if (itemState & kItemDisabled) cell = kDisabledCell;
  return cell;
}

uint32_t CaptionColorForState(unsigned itemState, const CaptionColors& colors) {
  uint32_t color = colors.text;
  if (itemState & kItemHot) color = colors.hot;
  if (itemState & kItemPressed) color = colors.pressed;
  return color;
}

Rect FocusCueRect(const Rect& control, int dpi) {
  const int width = control.right - control.left;
  const int height = control.bottom - control.top;
  const int smaller = width < height ? width : height;
  int inset = ScaleForDpi(3, dpi);
  const int room = (smaller - 2) / 2;
  if (inset > room) inset = room > 0 ? room : 0;
  return {control.left + inset, control.top + inset, control.right - inset, control.bottom - inset};
}

bool IsFadeRunning(uint32_t fadeStart, uint32_t fadeEnd, bool hasPreviousPicture) {
  return fadeStart != 0 && hasPreviousPicture && fadeEnd != fadeStart;
}

uint8_t FadeAlpha(uint32_t fadeStart, uint32_t fadeEnd, uint32_t now) {
  const uint32_t length = fadeEnd - fadeStart;
  if (length == 0) return 255;
  uint32_t elapsed = now - fadeStart;
  if (elapsed > length) elapsed = length;
  // 64 bits, so that fades longer than 2^32 / 255 ms cannot overflow.
  return static_cast<uint8_t>(DivideWide(static_cast<uint64_t>(elapsed) * 255, length));
}

bool IsFadeOver(uint32_t fadeStart, uint32_t fadeEnd, uint32_t now) {
  return now - fadeStart > fadeEnd - fadeStart;
}

int GrowFontHeight(int height, int n) { return height <= 0 ? height - n : height + n; }

}  // namespace kst
