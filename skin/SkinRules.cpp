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

uint32_t SkinColorFor(const SkinLook& look, SkinColorUse use, uint32_t skinColor) {
  if (!look.plain) return skinColor;
  switch (use) {
    case SkinColorUse::kBackground:
      return look.system.window;
    case SkinColorUse::kText:
      return look.system.windowText;
    case SkinColorUse::kLink:
      return look.system.hotLight;
    case SkinColorUse::kFocusCue:
      return look.system.highlight;
  }
  return skinColor;
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

size_t AccessibleNameOfCaption(const wchar_t* caption, wchar_t* name, size_t capacity) {
  if (capacity == 0) return 0;
  size_t length = 0;
  size_t kept = 0;  // the length up to the last character that is not a space
  for (; *caption != L'\0' && length + 1 < capacity; ++caption) {
    if (*caption == L'\n' || *caption == L'\r' || *caption == L'\t') continue;
    if (*caption == L' ' && length == 0) continue;
    name[length++] = *caption;
    if (*caption != L' ') kept = length;
  }
  name[kept] = L'\0';
  return kept;
}

}  // namespace kst
