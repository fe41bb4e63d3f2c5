// Alone in its file: the tests' installer links its own answer in its place.
#include "skin/SkinDrawing.h"

namespace kst {

bool IsHighContrastOn() {
  HIGHCONTRASTW contrast = {};
  contrast.cbSize = sizeof(contrast);
  return ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
         (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

}  // namespace kst
