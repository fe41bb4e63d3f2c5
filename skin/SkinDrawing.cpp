#include "skin/SkinDrawing.h"

#include "base/Handles.h"
#include "skin/NineGrid.h"

namespace kst {

void DrawNineGrid(HDC destDC, const RECT& destination, HDC sourceDC, const RECT& source,
                  const RECT& margins) {
  NineGridPiece pieces[9];
  ComputeNineGrid({destination.left, destination.top, destination.right, destination.bottom},
                  {source.left, source.top, source.right, source.bottom},
                  {margins.left, margins.top, margins.right, margins.bottom}, pieces);
  for (const NineGridPiece& piece : pieces) {
    if (!IsDrawablePiece(piece.destination) || !IsDrawablePiece(piece.source)) continue;
    ::AlphaBlend(destDC, piece.destination.x, piece.destination.y, piece.destination.width,
                 piece.destination.height, sourceDC, piece.source.x, piece.source.y,
                 piece.source.width, piece.source.height, kSkinBlend);
  }
}

HBRUSH CreateParentBackgroundBrush(HWND child, HWND source) {
  CWindowDC sourceDC(source);
  RECT sourceRect = {};
  ::GetWindowRect(source, &sourceRect);
  const int sourceWidth = sourceRect.right - sourceRect.left;
  const int sourceHeight = sourceRect.bottom - sourceRect.top;

  CMemoryDC snapshotDC(::CreateCompatibleDC(sourceDC.Get()));
  CBitmap snapshot(::CreateCompatibleBitmap(sourceDC.Get(), sourceWidth, sourceHeight));
  HBRUSH brush = nullptr;
  {
    CSelectObject selectSnapshot(snapshotDC.Get(), snapshot.Get());
    WPARAM target = reinterpret_cast<WPARAM>(snapshotDC.Get());
    ::SendMessageW(source, WM_ERASEBKGND, target, 0);
    ::SendMessageW(source, WM_PRINTCLIENT, target, PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);

    RECT childRect = {};
    ::GetWindowRect(child, &childRect);
    const int width = childRect.right - childRect.left;
    const int height = childRect.bottom - childRect.top;
    CMemoryDC pieceDC(::CreateCompatibleDC(nullptr));
    CBitmap piece(::CreateCompatibleBitmap(snapshotDC.Get(), width, height));
    {
      CSelectObject selectPiece(pieceDC.Get(), piece.Get());
      ::MapWindowPoints(nullptr, source, reinterpret_cast<POINT*>(&childRect), 2);
      ::BitBlt(pieceDC.Get(), 0, 0, width, height, snapshotDC.Get(), childRect.left,
               childRect.top, SRCCOPY);
    }
    // The brush keeps its own copy of the bitmap.
    brush = ::CreatePatternBrush(piece.Get());
  }
  return brush;
}

HWND RootOwnerWindow(HWND window) {
  HWND current = window;
  for (;;) {
    bool isChild = (::GetWindowLongPtrW(current, GWL_STYLE) & WS_CHILD) != 0;
    HWND next = isChild ? ::GetParent(current) : ::GetWindow(current, GW_OWNER);
    if (next == nullptr) return current;
    current = next;
  }
}

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP info = {};
  ::GetObjectW(bitmap, sizeof(info), &info);
  return {info.bmWidth, info.bmHeight};
}

void FillWithBrush(HDC dc, const RECT& rect, HBRUSH brush) {
  CSelectObject select(dc, brush);
  ::PatBlt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, PATCOPY);
}

}  // namespace kst
