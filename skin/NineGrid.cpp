#include "skin/NineGrid.h"

#include "skin/DpiScale.h"

namespace kst {

void ComputeNineGrid(const Rect& d, const Rect& s, const Rect& m, int dpi,
                     NineGridPiece pieces[9]) {
  const Rect dm = ScaleEdgesForDpi(m, dpi);
  const int dw = d.right - d.left;
  const int dh = d.bottom - d.top;
  const int sw = s.right - s.left;
  const int sh = s.bottom - s.top;
  // Columns and rows as (offset from the near edge, extent), for destination and source.
  const int destX[3] = {d.left, d.left + dm.left, d.right - dm.right};
  const int destW[3] = {dm.left, dw - dm.right - dm.left, dm.right};
  const int srcX[3] = {s.left, s.left + m.left, s.right - m.right};
  const int srcW[3] = {m.left, sw - m.right - m.left, m.right};
  const int destY[3] = {d.top, d.top + dm.top, d.bottom - dm.bottom};
  const int destH[3] = {dm.top, dh - dm.bottom - dm.top, dm.bottom};
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

Rect ScaleEdgesForDpi(const Rect& e, int dpi) {
  return {ScaleForDpi(e.left, dpi), ScaleForDpi(e.top, dpi), ScaleForDpi(e.right, dpi),
          ScaleForDpi(e.bottom, dpi)};
}

Rect PictureRect(const Rect& r, int insetX, int insetY, int dpi) {
  const int x = ScaleForDpi(insetX, dpi);
  const int y = ScaleForDpi(insetY, dpi);
  return {r.left + x, r.top + y, r.right - x, r.bottom - y};
}

bool IsDrawablePiece(const PixelRect& rect) { return rect.width > 0 && rect.height > 0; }

Rect SkinCellRect(int imageWidth, int imageHeight, int cell) {
  const int cellWidth = imageWidth / 5;
  return {cell * cellWidth, 0, (cell + 1) * cellWidth, imageHeight};
}

}  // namespace kst
