#include "skin/DpiScale.h"

#include <stdint.h>

#include "skin/WideDivision.h"

namespace kst {

// The magnitudes are divided, so that halves round away from zero; the divisor's sign moves to
// the product.
int ScaleRounded(int value, int numerator, int denominator) {
  if (denominator == 0) return 0;
  long long product = static_cast<long long>(value) * numerator;
  if (denominator < 0) product = -product;
  const uint32_t divisor = denominator < 0 ? 0u - static_cast<uint32_t>(denominator)
                                           : static_cast<uint32_t>(denominator);
  const uint64_t magnitude =
      product < 0 ? 0u - static_cast<uint64_t>(product) : static_cast<uint64_t>(product);
  const uint64_t quotient = DivideWide(magnitude + divisor / 2, divisor);
  return static_cast<int>(product < 0 ? 0u - quotient : quotient);
}

int ScaleForDpi(int value, int dpi) { return ScaleRounded(value, dpi, kDesignDpi); }

int FontHeightForPoints(int points, int dpi) { return -ScaleRounded(points, dpi, 72); }

}  // namespace kst
