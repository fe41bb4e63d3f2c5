// The program's geometry (base/Geometry.h) from and to the Windows rectangle.
#pragma once

#include <windows.h>

#include "base/Geometry.h"

namespace kst {

inline Rect ToRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }
inline RECT ToRECT(const Rect& r) { return {r.left, r.top, r.right, r.bottom}; }

}  // namespace kst
