#include "skin/DpiScale.h"

namespace kst {

int ScaleRounded(int value, int numerator, int denominator) {
  if (denominator == 0) return 0;
  long long product = static_cast<long long>(value) * numerator;
  long long divisor = denominator;
  if (divisor < 0) {
    product = -product;
    divisor = -divisor;
  }
  const long long half = divisor / 2;
  return static_cast<int>(product >= 0 ? (product + half) / divisor
                                       : -((-product + half) / divisor));
}

int ScaleForDpi(int value, int dpi) { return ScaleRounded(value, dpi, kDesignDpi); }

int FontHeightForPoints(int points, int dpi) { return -ScaleRounded(points, dpi, 72); }

}  // namespace kst
