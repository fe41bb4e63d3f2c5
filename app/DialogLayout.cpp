#include "app/DialogLayout.h"

#include "skin/DpiScale.h"

namespace kst {

ControlPlacement PlacementOf(int id, int width, int height, int dpi) {
  for (const ControlPlacement& placement : ComputeDialogLayout(width, height, dpi)) {
    if (placement.id == id) return placement;
  }
  return {id, 0, 0, 0, 0, true, true};
}

ControlPlacement FitToCaption(const ControlPlacement& at, int captionWidth, int dpi) {
  ControlPlacement fitted = at;
  if (at.growsToCaption && dpi != kDesignDpi && captionWidth > at.cx) {
    fitted.x -= captionWidth - at.cx;
    fitted.cx = captionWidth;
  }
  return fitted;
}

Rect InsideClient(const Rect& control, Size client) {
  auto clamp = [](int value, int low, int high) {
    return value < low ? low : value > high ? high : value;
  };
  return {clamp(control.left, 0, client.cx), clamp(control.top, 0, client.cy),
          clamp(control.right, 0, client.cx), clamp(control.bottom, 0, client.cy)};
}

}  // namespace kst
