// Mixin of the skinned controls that copy what the window behind them paints: the snapshot
// brush is made at its first use and dropped whenever the control moves or changes size, so
// that it always matches the control's place. Rows in T's table:
//   MESSAGE_HANDLER(WM_MOVE, OnMoveOrSize)
//   MESSAGE_HANDLER(WM_SIZE, OnMoveOrSize)
#pragma once

#include <windows.h>

#include "base/Handles.h"
#include "skin/SkinDrawing.h"

namespace kst {

template <class T>
class CBackgroundSnapshot {
 public:
  HWND backgroundSource = nullptr;  // the window whose painting lies behind the control
  CBrush backgroundBrush;

 protected:
  ~CBackgroundSnapshot() = default;

  HBRUSH EnsureBackgroundBrush() {
    if (!backgroundBrush)
      backgroundBrush.Reset(
          CreateParentBackgroundBrush(static_cast<T*>(this)->m_hWnd, backgroundSource));
    return backgroundBrush.Get();
  }

  LRESULT OnMoveOrSize(UINT, WPARAM, LPARAM, BOOL&) {
    backgroundBrush.Reset();
    return 1;
  }
};

}  // namespace kst
