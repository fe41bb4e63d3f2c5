// Drawing shared by every skinned window: nine-grid images, snapshots of the window behind
// a control, and the search for a control's outermost window.
#pragma once

#include <windows.h>

namespace kst {

// Every skin image is composited with per-pixel alpha through this blend.
constexpr BLENDFUNCTION kSkinBlend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};

// Draws source of the bitmap selected into sourceDC into destination, margins unstretched.
void DrawNineGrid(HDC destDC, const RECT& destination, HDC sourceDC, const RECT& source,
                  const RECT& margins);

// A pattern brush holding exactly what source paints as its background under child
// (source's other children left out). Owned by the caller.
HBRUSH CreateParentBackgroundBrush(HWND child, HWND source);

// Follows GetParent from child windows and the owner from the others to the outermost.
HWND RootOwnerWindow(HWND window);

SIZE BitmapSize(HBITMAP bitmap);

// Fills rect of the DC with the brush, tiled from the DC's origin.
void FillWithBrush(HDC dc, const RECT& rect, HBRUSH brush);

}  // namespace kst
