// Drawing shared by every skinned window: nine-grid images, snapshots of the window behind
// a control, and the search for a control's outermost window.
#pragma once

#include <windows.h>

namespace kst {

// Every skin image is composited with per-pixel alpha through this blend.
constexpr BLENDFUNCTION kSkinBlend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};

// AlphaBlend of msimg32, loaded from the system folder at first use: a DLL of that name beside
// the installer is never loaded. Draws nothing (FALSE) where msimg32 cannot be had.
BOOL SkinAlphaBlend(HDC destDC, int x, int y, int width, int height, HDC sourceDC, int sourceX,
                    int sourceY, int sourceWidth, int sourceHeight, BLENDFUNCTION blend);

// Draws source of the bitmap selected into sourceDC into destination, margins unstretched.
void DrawNineGrid(HDC destDC, const RECT& destination, HDC sourceDC, const RECT& source,
                  const RECT& margins);

// A pattern brush holding exactly what source paints as its background under child
// (source's other children left out). Owned by the caller.
HBRUSH CreateParentBackgroundBrush(HWND child, HWND source);

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

// Fills rect of the DC with the brush, tiled from the DC's origin.
void FillWithBrush(HDC dc, const RECT& rect, HBRUSH brush);

}  // namespace kst
