// The frame window's class name, apart so that the tests and benchmarks can use it alone.
#pragma once

namespace kst {

// Programs outside the installer find its window by this name (FindWindow), the end-to-end tests
// and the benchmarks here among them, so it stays what the first release called it, odd as it
// reads.
inline constexpr wchar_t kFrameClassName[] = L"WTL_RedeRerizeduSample";

}  // namespace kst
