// Pixel placement of the dialog's controls for a client size W x H, platform-free, for any
// dialog base units and any DPI: every pixel constant is designed at 96 DPI and scaled for the
// window's DPI (ScaleForDpi).
#pragma once

#include <stddef.h>

#include <array>

#include "app/FrameGeometry.h"
#include "resources/resource.h"
#include "skin/DpiScale.h"

namespace kst {

struct ControlPlacement {
  int id;
  int x;
  int y;
  int cx;
  int cy;
  bool keepPosition;  // resize only
  bool keepSize;      // neither move nor resize
  // Made wider, to the left, where its caption needs more room: text does not grow in proportion
  // to the DPI as the pixel constants do.
  bool growsToCaption = false;
};

// The layout's rows as one array, whose length is the number of rows.
template <size_t count>
constexpr std::array<ControlPlacement, count> PlacementRows(const ControlPlacement (&rows)[count]) {
  std::array<ControlPlacement, count> placements = {};
  for (size_t i = 0; i < count; ++i) placements[i] = rows[i];
  return placements;
}

// The controls the dialog places, one row each, in the order it places them: each placement moves
// its control to the top of the z-order, so this is also the final z-order and Tab order, bottom
// first. The other controls keep the template's place.
inline auto ComputeDialogLayout(int w, int h, int dpi) {
  auto s = [dpi](int pixels) { return ScaleForDpi(pixels, dpi); };
  const bool wide = w >= s(600);
  return PlacementRows({
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
  });
}

// The placement of one control of that list.
ControlPlacement PlacementOf(int id, int width, int height, int dpi);

// A control that grows to its caption, widened to captionWidth where it is narrower, its right
// edge kept; every other placement as it is. At 96 DPI the design's width stays: the window looks
// there exactly as it was designed.
ControlPlacement FitToCaption(const ControlPlacement& at, int captionWidth, int dpi);

// A control's rectangle cut to the client area, in the dialog's client coordinates. The controls
// the dialog does not place keep the template's rectangle, which grows with the dialog's font,
// while the client area grows with the system's base units; with some fonts the picture would
// otherwise reach past the window's edge. A rectangle inside stays as it is.
Rect InsideClient(const Rect& control, Size client);

}  // namespace kst
