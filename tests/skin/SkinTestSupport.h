// What the skinned-control tests share: a window that paints a known picture behind its
// children and reflects their notifications, and 32-bit surfaces whose pixels a test reads.
#pragma once

#include <windows.h>

#include <stdint.h>

#include <vector>

#include "base/Handles.h"
#include "framework/WindowImpl.h"

namespace kst::test {

// Colour as 0x00RRGGBB, the order in which tests write RGB values.
using Rgb = uint32_t;
constexpr Rgb MakeRgb(int r, int g, int b) {
  return (static_cast<Rgb>(r) << 16) | (static_cast<Rgb>(g) << 8) | static_cast<Rgb>(b);
}
Rgb FromColorRef(COLORREF color);

// The picture behind the controls: every pixel differs from its neighbours, so a background
// copied from a wrong place shows; blue stays within 128..191, apart from the colours the
// controls draw their texts in.
Rgb BackdropColor(int x, int y);

// A top-down 32-bit DIB selected into a memory DC.
class CSurface {
 public:
  CSurface(int width, int height);
  ~CSurface();
  CSurface(const CSurface&) = delete;
  CSurface& operator=(const CSurface&) = delete;

  HDC Dc() const { return dc_.Get(); }
  int Width() const { return width_; }
  int Height() const { return height_; }
  RECT Rect() const { return {0, 0, width_, height_}; }
  Rgb At(int x, int y) const;

  void Fill(Rgb color);
  // The backdrop as it lies under a rectangle whose top-left corner is at (left, top).
  void FillWithBackdrop(int left, int top);
  // Puts a brush exactly where the controls put theirs: PatBlt from the DC's origin.
  void FillWithBrush(HBRUSH brush);

  int CountDifferences(const CSurface& other) const;
  int CountColor(Rgb color) const;

 private:
  int width_;
  int height_;
  CMemoryDC dc_;
  CBitmap bitmap_;
  HGDIOBJ previous_ = nullptr;
  uint32_t* pixels_ = nullptr;
};

// Bounds of the pixels that differ from a reference (ink); empty when none does.
RECT InkBounds(const CSurface& drawn, const CSurface& reference);

// A borderless popup on the screen that paints the backdrop as its background, answers
// WM_GETFONT with the dialog font (drawn without smoothing, so that text pixels take the
// text colour exactly), and reflects its children's notifications.
class CBackdropWindow : public CFrameWindowImpl<CBackdropWindow> {
 public:
  static const CFrameClassInfo& GetClassInfo();

  // At (screenX, screenY), width x height, shown without activation.
  bool Open(int screenX, int screenY, int width, int height);
  ~CBackdropWindow() override;

  // A child window of a system class with the given style and position.
  HWND AddChild(const wchar_t* className, const wchar_t* text, DWORD style, int x, int y, int width,
                int height, DWORD exStyle = 0);

  HFONT Font() const { return font_.Get(); }

  BEGIN_MSG_MAP(CBackdropWindow)
  MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
  MESSAGE_HANDLER(WM_PAINT, OnPaint)
  MESSAGE_HANDLER(WM_GETFONT, OnGetFont)
  REFLECT_NOTIFICATIONS()
  END_MSG_MAP()

 private:
  LRESULT OnEraseBackground(UINT, WPARAM wParam, LPARAM, BOOL&);
  LRESULT OnPaint(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnGetFont(UINT, WPARAM, LPARAM, BOOL&) { return reinterpret_cast<LRESULT>(font_.Get()); }

  CFont font_;
};

// Runs the thread's messages for the given time.
void PumpMessages(DWORD milliseconds);

}  // namespace kst::test
