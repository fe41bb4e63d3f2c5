// Platform-free rules of the skinned controls: which skin cell and caption colour an item
// state shows, the colours of the high-contrast look, how far a picture cross-fade has come, how
// fonts are made larger, and the name a caption gives a control for screen readers.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "base/Geometry.h"

namespace kst {

// Item state flags of a custom-draw notification (CDIS_SELECTED, CDIS_DISABLED, CDIS_HOT).
constexpr unsigned kItemPressed = 0x01;
constexpr unsigned kItemDisabled = 0x04;
constexpr unsigned kItemHot = 0x40;
// The keyboard focus (CDIS_FOCUS), which the skinned controls set only where the Windows rules for
// keyboard cues show it, so that a mouse user never sees it.
constexpr unsigned kItemFocus = 0x10;

// Cells of a five-cell button strip; cell 2 is never chosen.
constexpr int kHotCell = 1;
constexpr int kDisabledCell = 3;
constexpr int kPressedCell = 4;

// Disabled wins over pressed, pressed over hot.
int SkinCellForState(unsigned itemState, int defaultCell);

struct CaptionColors {
  uint32_t text;
  uint32_t hot;
  uint32_t pressed;
};

// Pressed wins over hot; being disabled does not change the caption's colour.
uint32_t CaptionColorForState(unsigned itemState, const CaptionColors& colors);

// The system's colours that the high-contrast look draws with (COLOR_WINDOW, COLOR_WINDOWTEXT,
// COLOR_HOTLIGHT, COLOR_HIGHLIGHT), as COLORREF values.
struct SystemColors {
  uint32_t window;
  uint32_t windowText;
  uint32_t hotLight;
  uint32_t highlight;
};

// How the skinned surface is drawn: the skin's own pictures and colours, or, while the system's
// high-contrast mode is on, plain in the system's colours.
struct SkinLook {
  bool plain;
  SystemColors system;
};

inline bool operator==(const SystemColors& a, const SystemColors& b) {
  return a.window == b.window && a.windowText == b.windowText && a.hotLight == b.hotLight &&
         a.highlight == b.highlight;
}
inline bool operator==(const SkinLook& a, const SkinLook& b) {
  return a.plain == b.plain && a.system == b.system;
}
inline bool operator!=(const SkinLook& a, const SkinLook& b) { return !(a == b); }

// What a colour of the skin is used for.
enum class SkinColorUse { kBackground, kText, kLink, kFocusCue };

// skinColor in the skin's own look; in the plain look the system's colour for that use, whatever
// the skin's colour and item state.
uint32_t SkinColorFor(const SkinLook& look, SkinColorUse use, uint32_t skinColor);

// The ring that shows the keyboard focus: 3 pixels (at 96 DPI) inside the control, clear of the
// skin's rounded edge, and never so far in that a small control keeps less than 2 pixels inside.
Rect FocusCueRect(const Rect& control, int dpi);

// A cross-fade shows two pictures only while it has a start, a length and an old picture.
bool IsFadeRunning(uint32_t fadeStart, uint32_t fadeEnd, bool hasPreviousPicture);

// Opacity of the incoming picture at tick now, 0 at fadeStart to 255 at fadeEnd. Ticks are
// compared by their distance from fadeStart, so a fade across the 32-bit tick wrap-around
// runs its full length.
uint8_t FadeAlpha(uint32_t fadeStart, uint32_t fadeEnd, uint32_t now);

// True once now lies beyond fadeEnd; the wrap-around is handled as in FadeAlpha.
bool IsFadeOver(uint32_t fadeStart, uint32_t fadeEnd, uint32_t now);

// A LOGFONT height with its magnitude grown by n (shrunk for a negative n): negative and zero
// heights are character heights, positive ones cell heights.
int GrowFontHeight(int height, int n);

// The name a screen reader gives a control with this caption: line breaks and tabs left out (the
// first settings caption ends in a line feed), spaces at either end trimmed. Writes at most
// capacity characters with the NUL, cutting the name short where it must; the name's length.
size_t AccessibleNameOfCaption(const wchar_t* caption, wchar_t* name, size_t capacity);

}  // namespace kst
