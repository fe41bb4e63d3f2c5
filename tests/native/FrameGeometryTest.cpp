#include "app/FrameGeometry.h"
#include <gtest/gtest.h>

namespace kst {
namespace {

TEST(ClientSizeFromBaseUnits, ScalesWithTheDialogBaseUnits) {
  struct Case {
    unsigned horizontal, vertical;
    int dpi, systemDpi;
    int width, height;
  } cases[] = {
      {8, 16, 96, 96, 560, 320},  // the usual system font
      {9, 16, 96, 96, 630, 320},  // Wine here
      {7, 16, 96, 96, 490, 320},
      {10, 20, 96, 96, 700, 400},
      // The system's base units at the window's own DPI; at the system's DPI they are used as
      // they stand, whatever it is.
      {14, 36, 144, 144, 980, 720},
      {8, 16, 144, 96, 840, 480},   // a 150 % monitor beside a 100 % primary one
      {12, 24, 96, 144, 560, 320},  // and the other way round
      {8, 16, 120, 96, 700, 400},
      {9, 16, 120, 96, 788, 400},  // 787.5, rounded as MulDiv rounds
  };
  for (const Case& c : cases) {
    Size size = ClientSizeFromBaseUnits(c.horizontal | (c.vertical << 16), c.dpi, c.systemDpi);
    EXPECT_EQ(size.cx, c.width) << c.horizontal << "x" << c.vertical << " at " << c.dpi;
    EXPECT_EQ(size.cy, c.height) << c.horizontal << "x" << c.vertical << " at " << c.dpi;
  }
}

TEST(CenteredOnWorkArea, SitsTwentyFourPixelsAboveTheCentreOfTheWorkArea) {
  struct Case {
    const char* name;
    Rect window, workArea;
    Point expected;
  } cases[] = {
      {"primary monitor", {0, 0, 560, 320}, {0, 0, 1280, 984}, {360, 308}},
      {"window already placed elsewhere", {900, 700, 1460, 1020}, {0, 0, 1280, 984}, {360, 308}},
      {"taskbar at the top", {0, 0, 560, 320}, {0, 40, 1280, 1024}, {360, 348}},
      {"taskbar at the left", {0, 0, 560, 320}, {60, 0, 1280, 1024}, {390, 328}},
      {"secondary monitor to the right", {0, 0, 560, 320}, {1280, 0, 2560, 1024}, {1640, 328}},
      // Odd sums truncate toward zero, also above and left of the primary monitor.
      {"monitor above and left", {0, 0, 561, 321}, {-1920, -1080, 0, 0}, {-1240, -724}},
      {"window larger than the work area", {0, 0, 800, 600}, {0, 0, 640, 480}, {-80, -84}},
  };
  for (const Case& c : cases) {
    Point corner = CenteredOnWorkArea(c.window, c.workArea, 96);
    EXPECT_EQ(corner.x, c.expected.x) << c.name;
    EXPECT_EQ(corner.y, c.expected.y) << c.name;
  }
}

TEST(BadgeRect, KeepsEightPixelsFromTheTopRightCorner) {
  Rect badge = BadgeRect(560, 154, 48, 96);
  EXPECT_EQ(badge.left, 398);
  EXPECT_EQ(badge.top, 8);
  EXPECT_EQ(badge.right, 552);
  EXPECT_EQ(badge.bottom, 56);
}

TEST(IsDragPoint, TheWholeClientAreaAndNothingElse) {
  const Rect client = {100, 200, 660, 520};
  struct Case {
    int x, y;
    bool inside;
  } cases[] = {
      {100, 200, true},  {659, 519, true},  {380, 360, true},  {99, 200, false},
      {100, 199, false}, {660, 300, false}, {300, 520, false}, {-5, -5, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsDragPoint(client, c.x, c.y), c.inside) << c.x << "," << c.y;
}

}  // namespace
}  // namespace kst
