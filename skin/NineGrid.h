// Nine-grid geometry: which source rectangle of a skin image is stretched onto which part
// of the destination, so that fixed-size margins stay unstretched.
#pragma once

#include "base/Geometry.h"

namespace kst {

// A piece as AlphaBlend takes it.
struct PixelRect {  // x, y, width, height
  int x;
  int y;
  int width;
  int height;
};

struct NineGridPiece {
  PixelRect destination;
  PixelRect source;
};

// The nine pieces in drawing order: top row left to right, middle row, bottom row. A piece
// whose width or height is zero or negative is drawn by no one. margins are the source's, in
// its pixels; in the destination they are scaled for dpi (ScaleForDpi), so that the corners are
// copied unscaled at 96 DPI and grow with the DPI above it.
void ComputeNineGrid(const Rect& destination, const Rect& source, const Rect& margins, int dpi,
                     NineGridPiece pieces[9]);

Rect ScaleEdgesForDpi(const Rect& edges, int dpi);

// Where a framed picture goes: rect shrunk on each side by the inset (x, y), scaled for dpi.
Rect PictureRect(const Rect& rect, int insetX, int insetY, int dpi);

bool IsDrawablePiece(const PixelRect& rect);

// Source rectangle of one cell of a strip of five equal cells; remainder columns at the
// right belong to no cell.
Rect SkinCellRect(int imageWidth, int imageHeight, int cell);

}  // namespace kst
