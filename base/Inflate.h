// Inflating a whole zlib stream (RFC 1950) in one call, with libdeflate: what the payload's
// records and the skin's pictures are packed as.
#pragma once

#include <stddef.h>

namespace kst {

enum class InflateResult {
  kDone,
  kOutOfMemory,  // no memory for the inflater's tables
  kDamaged,      // not a zlib stream, damaged, its check value wrong, or longer than the room
};

// Inflates the stream into out, which has room for capacity bytes, and sets *produced to the
// bytes it gave. A stream that ends early is done, with fewer bytes; bytes after its end are
// ignored, as zlib's uncompress does.
InflateResult InflateZlibStream(const void* stream, size_t streamSize, void* out, size_t capacity,
                                size_t* produced);

}  // namespace kst
