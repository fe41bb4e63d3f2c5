#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "app/DialogLayout.h"
#include "resources/resource.h"
#include "skin/DpiScale.h"
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

// A control in two rows would be placed twice, the later row winning the z-order, while
// PlacementOf and the DPI change read the first.
TEST(DialogLayout, EachControlHasOneRow) {
  const auto layout = ComputeDialogLayout(560, 320, 96);
  for (size_t i = 0; i < layout.size(); ++i) {
    for (size_t j = i + 1; j < layout.size(); ++j)
      EXPECT_NE(layout[i].id, layout[j].id) << "rows " << i << " and " << j;
  }
}

TEST(DialogLayout, PlacementOrderIsTheZOrderBottomFirst) {
  const auto layout = ComputeDialogLayout(560, 320, 96);
  const int expected[] = {IDC_STATUS_LABEL,    IDC_CLOSE_BUTTON, IDC_LOGO,
                          IDC_PRODUCT_LINK,    IDC_INFO_LABEL3,  IDC_SETTINGS_LINK,
                          IDC_MAIN_BUTTON,     IDC_CONSENT,      IDC_ALL_USERS,
                          IDC_NAVIGATION_PAGE, IDC_HOME_PAGE,    IDC_REMOVE_CONFIG};
  ASSERT_EQ(layout.size(), std::size(expected));
  for (size_t i = 0; i < layout.size(); ++i) EXPECT_EQ(layout[i].id, expected[i]) << i;
}

TEST(DialogLayout, InsideClientCutsOnlyWhatReachesPastTheClientArea) {
  struct Case {
    Rect control;
    Rect expected;
  } cases[] = {
      {{0, 8, 630, 268}, {0, 8, 630, 268}},      // inside, to the edge
      {{0, 8, 639, 268}, {0, 8, 630, 268}},      // the picture at 120 DPI with a narrow system font
      {{9, 162, 639, 210}, {9, 162, 630, 210}},  // the status label with a wide dialog font
      {{-4, -2, 20, 30}, {0, 0, 20, 30}},
      {{600, 300, 700, 400}, {600, 300, 630, 320}},
      {{700, 0, 720, 10}, {630, 0, 630, 10}},  // wholly outside: nothing of it is left inside
      {{0, 0, 0, 0}, {0, 0, 0, 0}},            // the hidden boxes that are never sized
  };
  for (const Case& c : cases) {
    const Rect inside = InsideClient(c.control, {630, 320});
    EXPECT_EQ(inside.left, c.expected.left) << c.control.left << "," << c.control.top;
    EXPECT_EQ(inside.top, c.expected.top) << c.control.left << "," << c.control.top;
    EXPECT_EQ(inside.right, c.expected.right) << c.control.left << "," << c.control.top;
    EXPECT_EQ(inside.bottom, c.expected.bottom) << c.control.left << "," << c.control.top;
  }
}

// The window's size comes from the system's dialog base units, the rectangles the template keeps
// from the dialog font's, and the two differ from font to font and from DPI to DPI (Wine's fonts
// gave 7 x 16 or 9 x 16 at 96 DPI, and 11 x 25, 11 x 35 and 14 x 36 above it). Over such pairs,
// with dialog fonts narrower and wider than the system's: every control the layout places lies
// inside the window as placed, the ones the template places are cut to it and keep their corner,
// and no two controls a user sees overlap unless the template overlaps them.
TEST(DialogLayout, HoldsForAnySystemAndDialogFontAtEveryDpi) {
  struct BaseUnits {
    int dpi, x, y;
  };
  std::vector<BaseUnits> systems;
  for (int dpi : {96, 120, 144, 192}) {
    for (int x : {7, 8, 9}) systems.push_back({dpi, ScaleForDpi(x, dpi), ScaleForDpi(16, dpi)});
  }
  for (BaseUnits wine : {BaseUnits{120, 11, 25}, BaseUnits{144, 14, 36}, BaseUnits{144, 11, 35},
                         BaseUnits{192, 18, 62}}) {
    systems.push_back(wine);
  }
  // The template's rectangles in dialog units, as MapDialogRect maps them.
  struct TemplateRect {
    int id, x, y, cx, cy;
  };
  constexpr TemplateRect kPicture = {IDC_PICTURE, 0, 4, 284, 130};
  constexpr TemplateRect kStatus = {IDC_STATUS_LABEL, 4, 81, 282, 31};
  auto mapped = [](const TemplateRect& t, int fontX, int fontY) {
    return Rect{t.x * fontX / 4, t.y * fontY / 8, (t.x + t.cx) * fontX / 4,
                (t.y + t.cy) * fontY / 8};
  };
  auto overlap = [](const Rect& a, const Rect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
  };
  // The picture lies under the logo, the close button, the status text and the main button's top
  // in the template itself.
  auto templateOverlaps = [](int a, int b) {
    if (b == IDC_PICTURE) std::swap(a, b);
    return a == IDC_PICTURE && (b == IDC_LOGO || b == IDC_CLOSE_BUTTON || b == IDC_STATUS_LABEL ||
                                b == IDC_MAIN_BUTTON);
  };
  const int seen[] = {IDC_CLOSE_BUTTON, IDC_LOGO, IDC_SETTINGS_LINK, IDC_MAIN_BUTTON, IDC_CONSENT};

  for (const BaseUnits& system : systems) {
    const Size client = ClientSizeFromBaseUnits(
        static_cast<unsigned long>(system.x | (system.y << 16)), system.dpi, system.dpi);
    for (int designFontX : {6, 7, 8, 9, 10}) {
      const int fontX = ScaleForDpi(designFontX, system.dpi);
      const int fontY = system.y;
      const std::string where = std::to_string(system.x) + "x" + std::to_string(system.y) + " at " +
                                std::to_string(system.dpi) + " DPI, dialog font " +
                                std::to_string(fontX) + " wide";
      std::vector<std::pair<int, Rect>> placed;
      for (int id : seen) {
        ControlPlacement at = PlacementOf(id, client.cx, client.cy, system.dpi);
        // The settings link's captions are four Chinese characters, each about two average widths.
        at = FitToCaption(at, 8 * fontX, system.dpi);
        const Rect r = {at.x, at.y, at.x + at.cx, at.y + at.cy};
        const Rect inside = InsideClient(r, client);
        EXPECT_TRUE(inside.left == r.left && inside.top == r.top && inside.right == r.right &&
                    inside.bottom == r.bottom)
            << id << " leaves the window, " << where;
        placed.push_back({id, r});
      }
      for (const TemplateRect& kept : {kPicture, kStatus}) {
        Rect r = mapped(kept, fontX, fontY);
        if (kept.id == IDC_STATUS_LABEL) {  // resized by the layout, kept where the template put it
          const ControlPlacement at = PlacementOf(kept.id, client.cx, client.cy, system.dpi);
          r.right = r.left + at.cx;
          r.bottom = r.top + at.cy;
        }
        const Rect inside = InsideClient(r, client);
        EXPECT_EQ(inside.left, r.left) << kept.id << ", " << where;
        EXPECT_EQ(inside.top, r.top) << kept.id << ", " << where;
        EXPECT_GT(inside.right, inside.left) << kept.id << ", " << where;
        EXPECT_GT(inside.bottom, inside.top) << kept.id << ", " << where;
        EXPECT_LE(inside.right, client.cx) << kept.id << ", " << where;
        EXPECT_LE(inside.bottom, client.cy) << kept.id << ", " << where;
        placed.push_back({kept.id, inside});
      }
      for (size_t i = 0; i < placed.size(); ++i) {
        for (size_t j = i + 1; j < placed.size(); ++j) {
          if (templateOverlaps(placed[i].first, placed[j].first)) continue;
          EXPECT_FALSE(overlap(placed[i].second, placed[j].second))
              << placed[i].first << " covers " << placed[j].first << ", " << where;
        }
      }
    }
  }
}

}  // namespace
}  // namespace kst
