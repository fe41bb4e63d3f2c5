// Pixel placement of the dialog's controls for a client size W x H, platform-free, for any
// dialog base units and any DPI: every pixel constant is designed at 96 DPI and scaled for the
// window's DPI (ScaleForDpi).
#pragma once

#include "app/FrameGeometry.h"

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

// The controls the dialog places, in the order it places them: each placement moves its
// control to the top of the z-order, so this is also the final z-order and Tab order,
// bottom first.
constexpr int kPlacedControlCount = 12;
void ComputeDialogLayout(int width, int height, int dpi, ControlPlacement out[kPlacedControlCount]);

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
