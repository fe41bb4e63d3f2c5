#include "skin/NineGrid.h"

namespace kst {

void ComputeNineGrid(const Edges& d, const Edges& s, const Edges& m, NineGridPiece pieces[9]) {
  const int dw = d.right - d.left;
  const int dh = d.bottom - d.top;
  const int sw = s.right - s.left;
  const int sh = s.bottom - s.top;
  // Columns and rows as (offset from the near edge, extent), for destination and source.
  const int destX[3] = {d.left, d.left + m.left, d.right - m.right};
  const int destW[3] = {m.left, dw - m.right - m.left, m.right};
  const int srcX[3] = {s.left, s.left + m.left, s.right - m.right};
  const int srcW[3] = {m.left, sw - m.right - m.left, m.right};
  const int destY[3] = {d.top, d.top + m.top, d.bottom - m.bottom};
  const int destH[3] = {m.top, dh - m.bottom - m.top, m.bottom};
  const int srcY[3] = {s.top, s.top + m.top, s.bottom - m.bottom};
  const int srcH[3] = {m.top, sh - m.bottom - m.top, m.bottom};
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) {
      NineGridPiece& piece = pieces[row * 3 + column];
      piece.destination = {destX[column], destY[row], destW[column], destH[row]};
      piece.source = {srcX[column], srcY[row], srcW[column], srcH[row]};
    }
  }
}

bool IsDrawablePiece(const PixelRect& rect) { return rect.width > 0 && rect.height > 0; }

Edges SkinCellRect(int imageWidth, int imageHeight, int cell) {
  const int cellWidth = imageWidth / 5;
  return {cell * cellWidth, 0, (cell + 1) * cellWidth, imageHeight};
}

}  // namespace kst
