// Drawing shared by every skinned window: nine-grid images, snapshots of the window behind
// a control, and the search for a control's outermost window.
#pragma once

#include <windows.h>

#include "base/Handles.h"
#include "skin/SkinRules.h"

namespace kst {

// Every skin image is composited with per-pixel alpha through this blend.
constexpr BLENDFUNCTION kSkinBlend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};

// AlphaBlend of msimg32, loaded from the system folder at first use: a DLL of that name beside
// the installer is never loaded. Draws nothing (FALSE) where msimg32 cannot be had.
BOOL SkinAlphaBlend(HDC destDC, int x, int y, int width, int height, HDC sourceDC, int sourceX,
                    int sourceY, int sourceWidth, int sourceHeight, BLENDFUNCTION blend);

// Draws source of the bitmap selected into sourceDC into destination as ComputeNineGrid places
// the pieces for dpi, each stretched by AlphaBlend with the skin blend at constant alpha.
void DrawNineGrid(HDC destDC, const RECT& destination, HDC sourceDC, const RECT& source,
                  const RECT& margins, int dpi, BYTE alpha = 255);

// Parts of skin images scaled smoothly (ScaleSkinImage), each made once and kept until Forget or
// Clear: later paints copy them instead of scaling again.
class CScaledSkinCache {
 public:
  CScaledSkinCache() = default;
  CScaledSkinCache(const CScaledSkinCache&) = delete;
  CScaledSkinCache& operator=(const CScaledSkinCache&) = delete;

  // The kept copy, made first if there is none; NULL when it cannot be made.
  HBITMAP Get(HBITMAP image, const RECT& part, SIZE size);
  // Before image is deleted: a new image may get its handle.
  void Forget(HBITMAP image);
  void Clear();

 private:
  struct Entry {
    HBITMAP image;
    RECT part;
    SIZE size;
    CBitmap scaled;
  };
  // The most any control draws: the main button's four cells, or a frame and two pictures.
  static constexpr int kCapacity = 4;
  Entry entries[kCapacity] = {};
  int next = 0;  // the entry made longest ago, replaced next
};

// part of image drawn into destination at constant alpha, as a nine-grid with margins (all 0:
// the whole part stretched). At 96 DPI the image is stretched there as it stands. At another DPI
// a smooth copy comes from the cache: without margins the part at the destination's size, copied
// 1:1; with margins the part scaled for the DPI, whose corners are then copied 1:1 and whose
// edges are stretched along their length. Where no copy can be made, the image is stretched as
// ComputeNineGrid places the pieces for the DPI.
void DrawSkinImage(HDC dc, const RECT& destination, HBITMAP image, const RECT& part,
                   const RECT& margins, int dpi, BYTE alpha, CScaledSkinCache* cache);

// A pattern brush holding exactly what source paints as its background under child
// (source's other children left out).
CBrush CreateParentBackgroundBrush(HWND child, HWND source);

SIZE BitmapSize(HBITMAP bitmap);

// Repaints a control together with what lies beneath it: the parent's area under the control,
// every child there, bottom to top. Labels draw only their glyphs and the page picture lies under
// other controls; composited painting gives that order where it exists (Windows), and this gives
// it where it does not (Wine), instead of new glyphs over old ones.
void RepaintWithBackground(HWND control, bool paintNow);

// Where painting is not composited (Wine paints siblings top first and has no WS_EX_COMPOSITED),
// a window that has just painted has the transparent siblings lying over it paint again, so that
// the status text stays over the page picture. Does nothing where composited painting exists,
// which already paints bottom to top (and would repaint for ever if asked again while painting).
void RepaintTransparentSiblingsAbove(HWND window);

// The caption's glyphs alone, in font and color, placed in rect by DrawText's format; what lies
// beneath shows between them.
void DrawCaption(HDC dc, const RECT& rect, const wchar_t* caption, HFONT font, COLORREF color,
                 UINT format);

// The keyboard focus ring of a control of that rectangle (FocusCueRect), one design pixel wide.
void DrawFocusCue(HDC dc, const RECT& control, COLORREF color, int dpi);
// A frame along the rectangle's inner edge, one design pixel wide.
void DrawOutline(HDC dc, const RECT& rect, COLORREF color, int dpi);

// The look the system asks for now: plain while its high-contrast mode is on
// (IsHighContrastOn), in its window, window-text, hot-light and highlight colours.
SkinLook SystemSkinLook();
// SPI_GETHIGHCONTRAST's flag, alone in skin/HighContrast.cpp so that a test's installer can
// answer in its place (Wine always reports the mode off and cannot turn it on).
bool IsHighContrastOn();
// Fills rect with a solid colour.
void FillWithColor(HDC dc, const RECT& rect, COLORREF color);

// Fills rect of the DC with the brush, tiled from the DC's origin.
void FillWithBrush(HDC dc, const RECT& rect, HBRUSH brush);

}  // namespace kst
