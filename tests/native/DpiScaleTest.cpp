// The window at 100, 125, 150 and 200 % display scaling: the rounding of pixel constants, the
// frame and dialog sizes from the dialog units, and every pixel constant of the layout, the frame,
// the nine-grids, the picture inset and the fonts at each of those DPIs.
#include "app/DialogLayout.h"
#include "app/FrameGeometry.h"
#include "resources/resource.h"
#include "skin/DpiScale.h"
#include "skin/NineGrid.h"
#include "skin/SkinRules.h"
#include <gtest/gtest.h>

namespace kst {

// Found by argument lookup, so in the namespace of the types.
std::ostream& operator<<(std::ostream& out, const Rect& e) {
  return out << "(" << e.left << ", " << e.top << ", " << e.right << ", " << e.bottom << ")";
}

namespace {

TEST(ScaleRounded, RoundsToTheNearestWithHalvesAwayFromZeroAsMulDiv) {
  struct Case {
    int value, numerator, denominator, scaled;
  } cases[] = {
      {14, 96, 96, 14},
      {6, 120, 96, 8},  // 7.5
      {-6, 120, 96, -8},
      {7, 120, 96, 9},  // 8.75
      {1, 120, 96, 1},
      {2, 120, 96, 3},  // 1.25, 2.5
      {154, 120, 96, 193},
      {10, 120, 72, 17},  // 192.5, 16.67
      {630, 96, 144, 420},
      {-13, 144, 96, -20},  // -19.5
      // The product is taken in 64 bits.
      {1 << 29, 192, 96, 1 << 30},
      {5, 96, 0, 0},  // no scale at all
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ScaleRounded(c.value, c.numerator, c.denominator), c.scaled)
        << c.value << " x " << c.numerator << " / " << c.denominator;
  }
}

// A negative denominator turns the sign, and a product beyond 32 bits divides back into range.
TEST(ScaleRounded, TakesTheSignOfTheDenominatorAndTheWholeProduct) {
  constexpr int kMax = 2147483647;
  constexpr int kMin = -kMax - 1;
  struct Case {
    int value, numerator, denominator, scaled;
  } cases[] = {
      {7, 120, -96, -9},  // -8.75
      {-7, 120, -96, 9},
      {5, -3, 2, -8},  // -7.5
      {5, 3, -2, -8},
      {-5, 3, -2, 8},
      {kMax, kMax, kMax, kMax},
      {kMin, kMin, kMin, kMin},
      {kMin, 3, 4, -1610612736},
      {6, 1, kMin, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ScaleRounded(c.value, c.numerator, c.denominator), c.scaled)
        << c.value << " x " << c.numerator << " / " << c.denominator;
  }
}

struct Placed {
  int id, x, y, cx, cy;
};

// The dialog base units are those Wine gives here at each DPI (its height grows faster than the
// DPI). The frame, the badge and the centring; then every control the layout places.
TEST(DpiLayout, FrameAndDialogFollowTheDialogUnitsWithEveryPixelConstantScaled) {
  struct Case {
    int dpi;
    unsigned unitX, unitY;
    Size client;
    int aboveCentre;
    Rect badge;
    Placed controls[8];
    Size statusLabel;
  } const cases[] = {
      {96,
       9,
       16,
       {630, 320},
       24,
       {468, 8, 622, 56},
       {{IDC_CLOSE_BUTTON, 606, 6, 16, 16},
        {IDC_LOGO, 8, 6, 154, 48},
        {IDC_PRODUCT_LINK, 64, 28, 100, 32},
        {IDC_INFO_LABEL3, 315, 150, 160, 32},
        {IDC_SETTINGS_LINK, 550, 286, 64, 32},
        {IDC_MAIN_BUTTON, 255, 272, 120, 32},
        {IDC_CONSENT, 16, 288, 160, 32},
        {IDC_ALL_USERS, 0, 0, 0, 0}},
       {614, 48}},
      {120,
       11,
       25,
       {770, 500},
       30,
       {567, 10, 760, 70},
       {{IDC_CLOSE_BUTTON, 740, 8, 20, 20},
        {IDC_LOGO, 10, 8, 193, 60},
        {IDC_PRODUCT_LINK, 80, 35, 125, 40},
        {IDC_INFO_LABEL3, 385, 237, 200, 40},
        {IDC_SETTINGS_LINK, 670, 457, 80, 40},
        {IDC_MAIN_BUTTON, 310, 440, 150, 40},
        {IDC_CONSENT, 20, 460, 200, 40},
        {IDC_ALL_USERS, 0, 0, 0, 0}},
       {750, 60}},
      {144,
       14,
       36,
       {980, 720},
       36,
       {737, 12, 968, 84},
       {{IDC_CLOSE_BUTTON, 944, 9, 24, 24},
        {IDC_LOGO, 12, 9, 231, 72},
        {IDC_PRODUCT_LINK, 96, 42, 150, 48},
        {IDC_INFO_LABEL3, 490, 345, 240, 48},
        {IDC_SETTINGS_LINK, 860, 669, 96, 48},
        {IDC_MAIN_BUTTON, 400, 648, 180, 48},
        {IDC_CONSENT, 24, 672, 240, 48},
        {IDC_ALL_USERS, 0, 0, 0, 0}},
       {956, 72}},
      {192,
       18,
       62,
       {1260, 1240},
       48,
       {936, 16, 1244, 112},
       {{IDC_CLOSE_BUTTON, 1212, 12, 32, 32},
        {IDC_LOGO, 16, 12, 308, 96},
        {IDC_PRODUCT_LINK, 128, 56, 200, 64},
        {IDC_INFO_LABEL3, 630, 600, 320, 64},
        {IDC_SETTINGS_LINK, 1100, 1172, 128, 64},
        {IDC_MAIN_BUTTON, 510, 1144, 240, 64},
        {IDC_CONSENT, 32, 1176, 320, 64},
        {IDC_ALL_USERS, 0, 0, 0, 0}},
       {1228, 96}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.dpi << " DPI");
    const Size client = ClientSizeFromBaseUnits(c.unitX | (c.unitY << 16), c.dpi, c.dpi);
    EXPECT_EQ(client.cx, c.client.cx);
    EXPECT_EQ(client.cy, c.client.cy);
    const Point corner =
        CenteredOnWorkArea({0, 0, client.cx, client.cy}, {0, 0, 3000, 3000}, c.dpi);
    EXPECT_EQ(corner.y, (3000 - client.cy) / 2 - c.aboveCentre);
    const Rect badge = BadgeRect(client.cx, 154, 48, c.dpi);
    EXPECT_EQ(badge, c.badge);

    for (const Placed& expected : c.controls) {
      const ControlPlacement at = PlacementOf(expected.id, client.cx, client.cy, c.dpi);
      EXPECT_EQ((Rect{at.x, at.y, at.cx, at.cy}),
                (Rect{expected.x, expected.y, expected.cx, expected.cy}))
          << "control " << expected.id << " as x, y, width, height";
    }
    const ControlPlacement status = PlacementOf(IDC_STATUS_LABEL, client.cx, client.cy, c.dpi);
    EXPECT_TRUE(status.keepPosition);
    EXPECT_EQ(status.cx, c.statusLabel.cx);
    EXPECT_EQ(status.cy, c.statusLabel.cy);
  }
}

// The product-name link's place depends on the width the dialog units give, measured against
// 600 pixels of the design: the same font makes the same choice at any DPI.
TEST(DpiLayout, TheProductLinksPlaceDependsOnTheWidthInDesignPixels) {
  struct Case {
    int width, dpi;
    Placed expected;
  } const cases[] = {
      {700, 120, {IDC_PRODUCT_LINK, 68, 20, 125, 40}},  // 8 x 16 units at 125 %: 560 design pixels
      {750, 120, {IDC_PRODUCT_LINK, 80, 35, 125, 40}},
      {899, 144, {IDC_PRODUCT_LINK, 81, 24, 150, 48}},
      {900, 144, {IDC_PRODUCT_LINK, 96, 42, 150, 48}},
  };
  for (const Case& c : cases) {
    const ControlPlacement at = PlacementOf(IDC_PRODUCT_LINK, c.width, 400, c.dpi);
    EXPECT_EQ((Rect{at.x, at.y, at.cx, at.cy}),
              (Rect{c.expected.x, c.expected.y, c.expected.cx, c.expected.cy}))
        << c.width << " at " << c.dpi;
  }
}

// The corners of a nine-grid are copied pixel for pixel at 96 DPI and scaled with the DPI above
// it; the source pieces stay where they are in the image.
TEST(DpiNineGrid, CornersKeepTheirSourceAndGrowWithTheDpi) {
  struct Case {
    const char* what;
    int dpi;
    Rect destination, source, margins;
    Rect topLeft, centre, bottomRight;  // destination pieces as x, y, width, height
  } const cases[] = {
      // The close button: a 16 x 16 cell of image 160 with margins 6 on a button of 16 scaled.
      {"close button",
       96,
       {0, 0, 16, 16},
       {16, 0, 32, 16},
       {6, 6, 6, 6},
       {0, 0, 6, 6},
       {6, 6, 4, 4},
       {10, 10, 6, 6}},
      {"close button",
       120,
       {0, 0, 20, 20},
       {16, 0, 32, 16},
       {6, 6, 6, 6},
       {0, 0, 8, 8},
       {8, 8, 4, 4},
       {12, 12, 8, 8}},
      {"close button",
       144,
       {0, 0, 24, 24},
       {16, 0, 32, 16},
       {6, 6, 6, 6},
       {0, 0, 9, 9},
       {9, 9, 6, 6},
       {15, 15, 9, 9}},
      {"close button",
       192,
       {0, 0, 32, 32},
       {16, 0, 32, 16},
       {6, 6, 6, 6},
       {0, 0, 12, 12},
       {12, 12, 8, 8},
       {20, 20, 12, 12}},
      // The main button: a 216 x 45 cell of image 162 with margins 6 on a 120 x 32 button.
      {"main button",
       120,
       {310, 440, 460, 480},
       {0, 0, 216, 45},
       {6, 6, 6, 6},
       {310, 440, 8, 8},
       {318, 448, 134, 24},
       {452, 472, 8, 8}},
      {"main button",
       192,
       {510, 1144, 750, 1208},
       {0, 0, 216, 45},
       {6, 6, 6, 6},
       {510, 1144, 12, 12},
       {522, 1156, 216, 40},
       {738, 1196, 12, 12}},
      // The shadow frame, image 6008 of 200 x 144 with margins 10, around a picture.
      {"shadow frame",
       96,
       {0, 0, 426, 211},
       {0, 0, 200, 144},
       {10, 10, 10, 10},
       {0, 0, 10, 10},
       {10, 10, 406, 191},
       {416, 201, 10, 10}},
      {"shadow frame",
       120,
       {0, 0, 533, 264},
       {0, 0, 200, 144},
       {10, 10, 10, 10},
       {0, 0, 13, 13},
       {13, 13, 507, 238},
       {520, 251, 13, 13}},
      {"shadow frame",
       144,
       {0, 0, 639, 317},
       {0, 0, 200, 144},
       {10, 10, 10, 10},
       {0, 0, 15, 15},
       {15, 15, 609, 287},
       {624, 302, 15, 15}},
      {"shadow frame",
       192,
       {0, 0, 852, 422},
       {0, 0, 200, 144},
       {10, 10, 10, 10},
       {0, 0, 20, 20},
       {20, 20, 812, 382},
       {832, 402, 20, 20}},
  };
  auto asEdges = [](const PixelRect& r) { return Rect{r.x, r.y, r.width, r.height}; };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.what << " at " << c.dpi << " DPI");
    NineGridPiece pieces[9];
    ComputeNineGrid(c.destination, c.source, c.margins, c.dpi, pieces);
    EXPECT_EQ(asEdges(pieces[0].destination), c.topLeft);
    EXPECT_EQ(asEdges(pieces[4].destination), c.centre);
    EXPECT_EQ(asEdges(pieces[8].destination), c.bottomRight);
    const int sw = c.source.right - c.source.left;
    const int sh = c.source.bottom - c.source.top;
    EXPECT_EQ(asEdges(pieces[0].source),
              (Rect{c.source.left, c.source.top, c.margins.left, c.margins.top}));
    EXPECT_EQ(asEdges(pieces[4].source),
              (Rect{c.source.left + c.margins.left, c.source.top + c.margins.top,
                    sw - c.margins.left - c.margins.right, sh - c.margins.top - c.margins.bottom}));
  }
}

TEST(DpiPicture, TheInsetScalesWithTheDpi) {
  struct Case {
    int dpi;
    Rect rect, picture;
  } const cases[] = {
      // The page picture's inset (6, 6): 414 x 199 pixels inside a 426 x 211 control at 96.
      {96, {0, 0, 426, 211}, {6, 6, 420, 205}},     {120, {0, 0, 533, 264}, {8, 8, 525, 256}},
      {144, {0, 0, 639, 317}, {9, 9, 630, 308}},    {192, {0, 0, 852, 422}, {12, 12, 840, 410}},
      {192, {10, 20, 110, 120}, {22, 32, 98, 108}},
  };
  for (const Case& c : cases) EXPECT_EQ(PictureRect(c.rect, 6, 6, c.dpi), c.picture) << c.dpi;
  // The logo has no inset at any DPI.
  EXPECT_EQ(PictureRect({16, 12, 324, 108}, 0, 0, 192), (Rect{16, 12, 324, 108}));
}

// The dialog's own font is the message font at 14 pixels scaled; the template's font of
// IDD_INSTALLER_FONT_POINTS points is made as the dialog manager makes it, and the title and small
// fonts grow it by 5 and shrink it by 1 pixel, scaled.
TEST(DpiFonts, HeightsFollowTheDpi) {
  struct Case {
    int dpi, dialog, template_, title, small;
  } const cases[] = {
      {96, -14, -13, -18, -12},
      {120, -18, -17, -23, -16},
      {144, -21, -20, -28, -18},
      {192, -28, -27, -37, -25},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(-ScaleForDpi(14, c.dpi), c.dialog) << c.dpi;
    const int base = FontHeightForPoints(IDD_INSTALLER_FONT_POINTS, c.dpi);
    EXPECT_EQ(base, c.template_) << c.dpi;
    EXPECT_EQ(GrowFontHeight(base, ScaleForDpi(5, c.dpi)), c.title) << c.dpi;
    EXPECT_EQ(GrowFontHeight(base, -ScaleForDpi(1, c.dpi)), c.small) << c.dpi;
  }
}

}  // namespace
}  // namespace kst
