#include "skin/WideDivision.h"

namespace kst {

uint64_t DivideWide(uint64_t dividend, uint32_t divisor) {
  const uint32_t high = static_cast<uint32_t>(dividend >> 32);
  const uint32_t low = static_cast<uint32_t>(dividend);
  const uint32_t quotientHigh = high / divisor;
  // What is left of the high half is below the divisor, so the low half's quotient fits 32 bits:
  // long division, one bit of the low half at a time.
  uint32_t remainder = high % divisor;
  uint32_t quotientLow = 0;
  for (int bit = 31; bit >= 0; --bit) {
    // The shifted remainder needs a 33rd bit when the divisor is above 2^31; it then exceeds the
    // divisor, and the subtraction wraps back into 32 bits.
    const bool carry = (remainder >> 31) != 0;
    remainder = (remainder << 1) | ((low >> bit) & 1);
    quotientLow <<= 1;
    if (carry || remainder >= divisor) {
      remainder -= divisor;
      quotientLow |= 1;
    }
  }
  return (static_cast<uint64_t>(quotientHigh) << 32) | quotientLow;
}

}  // namespace kst
