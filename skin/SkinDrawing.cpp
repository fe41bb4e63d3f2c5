#include "skin/SkinDrawing.h"

#include <utility>

#include "base/Handles.h"
#include "base/SystemLibrary.h"
#include "base/WinGeometry.h"
#include "skin/DpiScale.h"
#include "skin/NineGrid.h"
#include "skin/SkinImage.h"
#include "skin/SkinRules.h"

namespace kst {

BOOL SkinAlphaBlend(HDC destDC, int x, int y, int width, int height, HDC sourceDC, int sourceX,
                    int sourceY, int sourceWidth, int sourceHeight, BLENDFUNCTION blend) {
  using AlphaBlendFunction =
      BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION);
  static const AlphaBlendFunction alphaBlend =
      GetSystemFunction<AlphaBlendFunction>(L"msimg32.dll", "AlphaBlend");
  if (alphaBlend == nullptr) return FALSE;
  return alphaBlend(destDC, x, y, width, height, sourceDC, sourceX, sourceY, sourceWidth,
                    sourceHeight, blend);
}

void DrawNineGrid(HDC destDC, const RECT& destination, HDC sourceDC, const RECT& source,
                  const RECT& margins, int dpi, BYTE alpha) {
  NineGridPiece pieces[9];
  ComputeNineGrid(ToRect(destination), ToRect(source), ToRect(margins), dpi, pieces);
  BLENDFUNCTION blend = kSkinBlend;
  blend.SourceConstantAlpha = alpha;
  for (const NineGridPiece& piece : pieces) {
    if (!IsDrawablePiece(piece.destination) || !IsDrawablePiece(piece.source)) continue;
    SkinAlphaBlend(destDC, piece.destination.x, piece.destination.y, piece.destination.width,
                   piece.destination.height, sourceDC, piece.source.x, piece.source.y,
                   piece.source.width, piece.source.height, blend);
  }
}

HBITMAP CScaledSkinCache::Get(HBITMAP image, const RECT& part, SIZE size) {
  for (Entry& entry : entries) {
    if (entry.scaled && entry.image == image && ::EqualRect(&entry.part, &part) &&
        entry.size.cx == size.cx && entry.size.cy == size.cy)
      return entry.scaled.Get();
  }
  CBitmap scaled = ScaleSkinImage(image, part, size);
  if (!scaled) return nullptr;
  Entry& entry = entries[next];
  next = (next + 1) % kCapacity;
  entry.image = image;
  entry.part = part;
  entry.size = size;
  entry.scaled = std::move(scaled);
  return entry.scaled.Get();
}

void CScaledSkinCache::Forget(HBITMAP image) {
  for (Entry& entry : entries) {
    if (entry.image == image) entry.scaled.Reset();
  }
}

void CScaledSkinCache::Clear() {
  for (Entry& entry : entries) entry.scaled.Reset();
}

void DrawSkinImage(HDC dc, const RECT& destination, HBITMAP image, const RECT& part,
                   const RECT& margins, int dpi, BYTE alpha, CScaledSkinCache* cache) {
  if (image == nullptr) return;
  CMemoryDC imageDC(::CreateCompatibleDC(dc));
  if (dpi != kDesignDpi) {
    const bool stretched =
        margins.left == 0 && margins.top == 0 && margins.right == 0 && margins.bottom == 0;
    const SIZE size =
        stretched ? SIZE{destination.right - destination.left, destination.bottom - destination.top}
                  : SIZE{ScaleForDpi(part.right - part.left, dpi),
                         ScaleForDpi(part.bottom - part.top, dpi)};
    if (HBITMAP scaled = cache->Get(image, part, size)) {
      const RECT scaledMargins = ToRECT(ScaleEdgesForDpi(ToRect(margins), dpi));
      CSelectObject selectImage(imageDC.Get(), scaled);
      // Copy and margins are scaled already: placed as at 96.
      DrawNineGrid(dc, destination, imageDC.Get(), {0, 0, size.cx, size.cy}, scaledMargins,
                   kDesignDpi, alpha);
      return;
    }
  }
  CSelectObject selectImage(imageDC.Get(), image);
  DrawNineGrid(dc, destination, imageDC.Get(), part, margins, dpi, alpha);
}

CBrush CreateParentBackgroundBrush(HWND child, HWND source) {
  CWindowDC sourceDC(source);
  RECT sourceRect = {};
  ::GetWindowRect(source, &sourceRect);
  const int sourceWidth = sourceRect.right - sourceRect.left;
  const int sourceHeight = sourceRect.bottom - sourceRect.top;

  CMemoryDC snapshotDC(::CreateCompatibleDC(sourceDC.Get()));
  CBitmap snapshot(::CreateCompatibleBitmap(sourceDC.Get(), sourceWidth, sourceHeight));
  CBrush brush;
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
      ::BitBlt(pieceDC.Get(), 0, 0, width, height, snapshotDC.Get(), childRect.left, childRect.top,
               SRCCOPY);
    }
    // The brush keeps its own copy of the bitmap.
    brush.Reset(::CreatePatternBrush(piece.Get()));
  }
  return brush;
}

void RepaintWithBackground(HWND control, bool paintNow) {
  HWND parent = ::GetParent(control);
  if (parent == nullptr) {
    ::RedrawWindow(control, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | (paintNow ? RDW_UPDATENOW : 0));
    return;
  }
  RECT area = {};
  ::GetWindowRect(control, &area);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
  ::RedrawWindow(parent, &area, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | (paintNow ? RDW_UPDATENOW : 0));
}

namespace {

// Wine lacks composited painting; it is recognised by the function its ntdll adds.
bool PaintsComposited() {
  static const bool composited =
      ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr;
  return composited;
}

}  // namespace

void RepaintTransparentSiblingsAbove(HWND window) {
  if (PaintsComposited()) return;
  RECT area = {};
  ::GetWindowRect(window, &area);
  for (HWND above = ::GetWindow(window, GW_HWNDPREV); above != nullptr;
       above = ::GetWindow(above, GW_HWNDPREV)) {
    RECT aboveArea = {};
    RECT overlap = {};
    ::GetWindowRect(above, &aboveArea);
    if (::IsWindowVisible(above) && (::GetWindowLongW(above, GWL_EXSTYLE) & WS_EX_TRANSPARENT) &&
        ::IntersectRect(&overlap, &area, &aboveArea))
      ::RedrawWindow(above, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  }
}

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP info = {};
  ::GetObjectW(bitmap, sizeof(info), &info);
  return {info.bmWidth, info.bmHeight};
}

void DrawCaption(HDC dc, const RECT& rect, const wchar_t* caption, HFONT font, COLORREF color,
                 UINT format) {
  CSelectObject selectFont(dc, font);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, color);
  RECT textRect = rect;
  ::DrawTextW(dc, caption, -1, &textRect, format);
}

void DrawFocusCue(HDC dc, const RECT& control, COLORREF color, int dpi) {
  DrawOutline(dc, ToRECT(FocusCueRect(ToRect(control), dpi)), color, dpi);
}

void DrawOutline(HDC dc, const RECT& ring, COLORREF color, int dpi) {
  const int width = ScaleForDpi(1, dpi) > 0 ? ScaleForDpi(1, dpi) : 1;
  const int cx = ring.right - ring.left;
  const int cy = ring.bottom - ring.top;
  CBrush brush(::CreateSolidBrush(color));
  CSelectObject select(dc, brush.Get());
  ::PatBlt(dc, ring.left, ring.top, cx, width, PATCOPY);
  ::PatBlt(dc, ring.left, ring.bottom - width, cx, width, PATCOPY);
  ::PatBlt(dc, ring.left, ring.top, width, cy, PATCOPY);
  ::PatBlt(dc, ring.right - width, ring.top, width, cy, PATCOPY);
}

void FillWithColor(HDC dc, const RECT& rect, COLORREF color) {
  CBrush brush(::CreateSolidBrush(color));
  FillWithBrush(dc, rect, brush.Get());
}

SkinLook SystemSkinLook() {
  return {IsHighContrastOn(),
          {::GetSysColor(COLOR_WINDOW), ::GetSysColor(COLOR_WINDOWTEXT),
           ::GetSysColor(COLOR_HOTLIGHT), ::GetSysColor(COLOR_HIGHLIGHT)}};
}

void FillWithBrush(HDC dc, const RECT& rect, HBRUSH brush) {
  CSelectObject select(dc, brush);
  ::PatBlt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, PATCOPY);
}

}  // namespace kst
