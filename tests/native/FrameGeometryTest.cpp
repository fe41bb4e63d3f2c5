#include "app/FrameGeometry.h"
#include <gtest/gtest.h>

namespace kst {
namespace {

TEST(ClientSizeFromBaseUnits, ScalesWithTheDialogBaseUnits) {
  struct Case {
    unsigned horizontal, vertical;
    int width, height;
  } cases[] = {
      {8, 16, 560, 320},  // the usual system font
      {9, 16, 630, 320},  // Wine here
      {7, 16, 490, 320},
      {10, 20, 700, 400},
  };
  for (const Case& c : cases) {
    Size size = ClientSizeFromBaseUnits(c.horizontal | (c.vertical << 16));
    EXPECT_EQ(size.cx, c.width) << c.horizontal << "x" << c.vertical;
    EXPECT_EQ(size.cy, c.height) << c.horizontal << "x" << c.vertical;
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
    Point corner = CenteredOnWorkArea(c.window, c.workArea);
    EXPECT_EQ(corner.x, c.expected.x) << c.name;
    EXPECT_EQ(corner.y, c.expected.y) << c.name;
  }
}

TEST(BadgeRect, KeepsEightPixelsFromTheTopRightCorner) {
  Rect badge = BadgeRect(560, 154, 48);
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
