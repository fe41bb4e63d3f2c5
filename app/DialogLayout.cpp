#include "app/DialogLayout.h"

#include "resources/resource.h"

namespace kst {

void ComputeDialogLayout(int w, int h, ControlPlacement out[kPlacedControlCount]) {
  const ControlPlacement layout[kPlacedControlCount] = {
      {IDC_STATUS_LABEL, 0, 0, w - 16, 48, true, false},
      {IDC_CLOSE_BUTTON, w - 24, 6, 16, 16, false, false},
      {IDC_LOGO, 8, 6, 154, 48, false, false},
      {IDC_PRODUCT_LINK, w >= 600 ? 64 : 54, w >= 600 ? 28 : 16, 100, 32, false, false},
      {IDC_INFO_LABEL3, w / 2, h / 2 - 10, 160, 32, false, false},
      {IDC_SETTINGS_LINK, w - 80, h - 34, 64, 32, false, false},
      {IDC_MAIN_BUTTON, w / 2 - 60, h - 48, 120, 32, false, false},
      {IDC_CONSENT, 16, h - 32, 160, 32, false, false},
      {IDC_ALL_USERS, 0, 0, 0, 0, true, true},
      {IDC_NAVIGATION_PAGE, 0, 0, 0, 0, true, true},
      {IDC_HOME_PAGE, 0, 0, 0, 0, true, true},
      {IDC_REMOVE_CONFIG, 0, 0, 0, 0, true, true},
  };
  for (int i = 0; i < kPlacedControlCount; ++i) out[i] = layout[i];
}

ControlPlacement PlacementOf(int id, int width, int height) {
  ControlPlacement layout[kPlacedControlCount];
  ComputeDialogLayout(width, height, layout);
  for (const ControlPlacement& placement : layout) {
    if (placement.id == id) return placement;
  }
  return {id, 0, 0, 0, 0, true, true};
}

}  // namespace kst
