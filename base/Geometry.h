// The geometry every layer speaks, platform-free: sizes, points and rectangles in pixels, a
// rectangle (and a set of margins) by its four edges as RECT has them. base/WinGeometry.h converts
// from and to the Windows types.
#pragma once

namespace kst {

struct Size {
  int cx;
  int cy;
};

struct Point {
  int x;
  int y;
};

struct Rect {
  int left;
  int top;
  int right;
  int bottom;
};

constexpr bool operator==(const Rect& a, const Rect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
constexpr bool operator!=(const Rect& a, const Rect& b) { return !(a == b); }

}  // namespace kst
