#include "app/DialogLayout.h"
#include "resources/resource.h"
#include <gtest/gtest.h>

namespace kst {
namespace {

TEST(DialogLayout, PlacesTheControlsFromTheClientSizeAt96Dpi) {
  struct Case {
    int width, height, id;
    ControlPlacement expected;
  } cases[] = {
      // Base units 8 x 16.
      {560, 320, IDC_MAIN_BUTTON, {IDC_MAIN_BUTTON, 220, 272, 120, 32, false, false}},
      {560, 320, IDC_CLOSE_BUTTON, {IDC_CLOSE_BUTTON, 536, 6, 16, 16, false, false}},
      {560, 320, IDC_SETTINGS_LINK, {IDC_SETTINGS_LINK, 480, 286, 64, 32, false, false}},
      {560, 320, IDC_CONSENT, {IDC_CONSENT, 16, 288, 160, 32, false, false}},
      {560, 320, IDC_LOGO, {IDC_LOGO, 8, 6, 154, 48, false, false}},
      {560, 320, IDC_PRODUCT_LINK, {IDC_PRODUCT_LINK, 54, 16, 100, 32, false, false}},
      {560, 320, IDC_INFO_LABEL3, {IDC_INFO_LABEL3, 280, 150, 160, 32, false, false}},
      {560, 320, IDC_STATUS_LABEL, {IDC_STATUS_LABEL, 0, 0, 544, 48, true, false}},
      // Base units 9 x 16 (Wine here): from W = 600 on the product-name link moves.
      {630, 320, IDC_MAIN_BUTTON, {IDC_MAIN_BUTTON, 255, 272, 120, 32, false, false}},
      {630, 320, IDC_CLOSE_BUTTON, {IDC_CLOSE_BUTTON, 606, 6, 16, 16, false, false}},
      {630, 320, IDC_PRODUCT_LINK, {IDC_PRODUCT_LINK, 64, 28, 100, 32, false, false}},
      {600, 320, IDC_PRODUCT_LINK, {IDC_PRODUCT_LINK, 64, 28, 100, 32, false, false}},
      {599, 320, IDC_PRODUCT_LINK, {IDC_PRODUCT_LINK, 54, 16, 100, 32, false, false}},
      {630, 320, IDC_STATUS_LABEL, {IDC_STATUS_LABEL, 0, 0, 614, 48, true, false}},
      // Odd sizes halve by truncation.
      {561, 321, IDC_INFO_LABEL3, {IDC_INFO_LABEL3, 280, 150, 160, 32, false, false}},
      {561, 321, IDC_MAIN_BUTTON, {IDC_MAIN_BUTTON, 220, 273, 120, 32, false, false}},
      // The check boxes only rise in the z-order.
      {560, 320, IDC_ALL_USERS, {IDC_ALL_USERS, 0, 0, 0, 0, true, true}},
  };
  for (const Case& c : cases) {
    ControlPlacement at = PlacementOf(c.id, c.width, c.height, 96);
    EXPECT_EQ(at.x, c.expected.x) << c.id << " at W=" << c.width;
    EXPECT_EQ(at.y, c.expected.y) << c.id << " at W=" << c.width;
    EXPECT_EQ(at.cx, c.expected.cx) << c.id << " at W=" << c.width;
    EXPECT_EQ(at.cy, c.expected.cy) << c.id << " at W=" << c.width;
    EXPECT_EQ(at.keepPosition, c.expected.keepPosition) << c.id;
    EXPECT_EQ(at.keepSize, c.expected.keepSize) << c.id;
  }
}

// Text does not grow in proportion to the DPI: above 96 DPI the settings link widens to the
// left, its right edge kept, where its caption needs more room; nothing else does.
TEST(DialogLayout, OnlyTheSettingsLinkGrowsToItsCaptionAndNotAt96Dpi) {
  struct Case {
    int id, dpi, captionWidth;
    int x, cx;
  } cases[] = {
      {IDC_SETTINGS_LINK, 144, 95, 860, 96},  // fits: as placed
      {IDC_SETTINGS_LINK, 144, 96, 860, 96},
      {IDC_SETTINGS_LINK, 144, 99, 857, 99},
      {IDC_SETTINGS_LINK, 120, 81, 669, 81},
      {IDC_SETTINGS_LINK, 96, 69, 550, 64},  // the design as it stands
      {IDC_MAIN_BUTTON, 144, 300, 400, 180},
      {IDC_CONSENT, 144, 400, 24, 240},
  };
  for (const Case& c : cases) {
    const int width = c.dpi == 96 ? 630 : c.dpi == 120 ? 770 : 980;
    const ControlPlacement placed = PlacementOf(c.id, width, 720, c.dpi);
    const ControlPlacement fitted = FitToCaption(placed, c.captionWidth, c.dpi);
    EXPECT_EQ(fitted.x, c.x) << c.id << " for " << c.captionWidth << " at " << c.dpi;
    EXPECT_EQ(fitted.cx, c.cx) << c.id << " for " << c.captionWidth << " at " << c.dpi;
    EXPECT_EQ(fitted.y, placed.y) << c.id;
    EXPECT_EQ(fitted.cy, placed.cy) << c.id;
  }
}

TEST(DialogLayout, PlacementOrderIsTheZOrderBottomFirst) {
  ControlPlacement layout[kPlacedControlCount];
  ComputeDialogLayout(560, 320, 96, layout);
  const int expected[kPlacedControlCount] = {
      IDC_STATUS_LABEL, IDC_CLOSE_BUTTON,    IDC_LOGO,        IDC_PRODUCT_LINK,
      IDC_INFO_LABEL3,  IDC_SETTINGS_LINK,   IDC_MAIN_BUTTON, IDC_CONSENT,
      IDC_ALL_USERS,    IDC_NAVIGATION_PAGE, IDC_HOME_PAGE,   IDC_REMOVE_CONFIG};
  for (int i = 0; i < kPlacedControlCount; ++i) EXPECT_EQ(layout[i].id, expected[i]) << i;
}

}  // namespace
}  // namespace kst
