// KST_CHECK(condition): an invariant the program relies on. In the trees built with the tests
// (KST_BUILD_TESTS, and the native rules) a broken one stops the program where it broke, so that
// a test sees it instead of a quietly wrong window; in the shipping build the condition is not
// evaluated and costs nothing, as the program has nowhere to report it.
#pragma once

#if defined(KST_TRAP_BROKEN_CHECKS)
#define KST_CHECK(condition)            \
  do {                                  \
    if (!(condition)) __builtin_trap(); \
  } while (false)
#else
// Still compiled, so that the condition keeps naming what exists.
#define KST_CHECK(condition) static_cast<void>(sizeof(!(condition)))
#endif
