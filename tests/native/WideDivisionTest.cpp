// The 64-bit division the skin's arithmetic uses, against the host's own division: divisors at
// 1 and around 2^31 and 2^32, where the long division's remainder needs a 33rd bit, and
// quotients of more than 32 bits.
#include "skin/WideDivision.h"
#include <gtest/gtest.h>

namespace kst {
namespace {

TEST(DivideWide, AgreesWithTheHostsDivisionAtTheEdges) {
  constexpr uint64_t kMax = ~0ull;
  struct Case {
    uint64_t dividend;
    uint32_t divisor;
  } const cases[] = {
      {0, 1},
      {kMax, 1},
      {kMax, 0xFFFFFFFFu},
      {kMax, 0x80000000u},
      {kMax, 0x80000001u},
      {0xFFFFFFFEFFFFFFFFull, 0xFFFFFFFFu},  // the largest quotient below 2^32 for this divisor
      {0x7FFFFFFF80000000ull, 0x80000001u},
      {0xFFFFFFFEull * 255, 0xFFFFFFFFu},  // a fade of 2^32 - 1 ms, one tick before its end
      {0x123456789ABCDEF0ull, 7},
      {(1ull << 40) + 12345, 3},
      {1000, 1001},
      {4294967296ull, 4294967295u},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DivideWide(c.dividend, c.divisor), c.dividend / c.divisor)
        << c.dividend << " / " << c.divisor;
  }
}

}  // namespace
}  // namespace kst
