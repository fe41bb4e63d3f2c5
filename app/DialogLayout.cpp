#include "app/DialogLayout.h"

#include "resources/resource.h"
#include "skin/DpiScale.h"

namespace kst {

void ComputeDialogLayout(int w, int h, int dpi, ControlPlacement out[kPlacedControlCount]) {
  auto s = [dpi](int pixels) { return ScaleForDpi(pixels, dpi); };
  const bool wide = w >= s(600);
  const ControlPlacement layout[kPlacedControlCount] = {
      {IDC_STATUS_LABEL, 0, 0, w - s(16), s(48), true, false},
      {IDC_CLOSE_BUTTON, w - s(24), s(6), s(16), s(16), false, false},
      {IDC_LOGO, s(8), s(6), s(154), s(48), false, false},
      {IDC_PRODUCT_LINK, wide ? s(64) : s(54), wide ? s(28) : s(16), s(100), s(32), false, false},
      {IDC_INFO_LABEL3, w / 2, h / 2 - s(10), s(160), s(32), false, false},
      {IDC_SETTINGS_LINK, w - s(80), h - s(34), s(64), s(32), false, false, true},
      {IDC_MAIN_BUTTON, w / 2 - s(60), h - s(48), s(120), s(32), false, false},
      {IDC_CONSENT, s(16), h - s(32), s(160), s(32), false, false},
      {IDC_ALL_USERS, 0, 0, 0, 0, true, true},
      {IDC_NAVIGATION_PAGE, 0, 0, 0, 0, true, true},
      {IDC_HOME_PAGE, 0, 0, 0, 0, true, true},
      {IDC_REMOVE_CONFIG, 0, 0, 0, 0, true, true},
  };
  for (int i = 0; i < kPlacedControlCount; ++i) out[i] = layout[i];
}

ControlPlacement PlacementOf(int id, int width, int height, int dpi) {
  ControlPlacement layout[kPlacedControlCount];
  ComputeDialogLayout(width, height, dpi, layout);
  for (const ControlPlacement& placement : layout) {
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
