// Nine-grid geometry: which source rectangle of a skin image is stretched onto which part
// of the destination, so that fixed-size margins stay unstretched.
#pragma once

namespace kst {

struct PixelRect {  // x, y, width, height
  int x;
  int y;
  int width;
  int height;
};

struct Edges {  // left, top, right, bottom
  int left;
  int top;
  int right;
  int bottom;
};

struct NineGridPiece {
  PixelRect destination;
  PixelRect source;
};

// The nine pieces in drawing order: top row left to right, middle row, bottom row. A piece
// whose width or height is zero or negative is drawn by no one.
void ComputeNineGrid(const Edges& destination, const Edges& source, const Edges& margins,
                     NineGridPiece pieces[9]);

bool IsDrawablePiece(const PixelRect& rect);

// Source rectangle of one cell of a strip of five equal cells; remainder columns at the
// right belong to no cell.
Edges SkinCellRect(int imageWidth, int imageHeight, int cell);

}  // namespace kst
