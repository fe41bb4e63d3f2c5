// Division of a 64-bit value, platform-free.
#pragma once

#include <stdint.h>

namespace kst {

// dividend / divisor, rounded down, for any divisor but 0. Built from 32-bit divisions: in the
// 32-bit program, the compiler's 64-bit division would link the runtime library's routines and
// their unwind tables for the two places that divide.
uint64_t DivideWide(uint64_t dividend, uint32_t divisor);

}  // namespace kst
