#include "base/Inflate.h"

#include <libdeflate.h>

#include <memory>

namespace kst {
namespace {

struct DecompressorDeleter {
  void operator()(libdeflate_decompressor* decompressor) const {
    libdeflate_free_decompressor(decompressor);
  }
};

}  // namespace

InflateResult InflateZlibStream(const void* stream, size_t streamSize, void* out, size_t capacity,
                                size_t* produced) {
  // Its decode tables take some 12 KB; held for one call, as nothing inflates often enough to
  // gain from keeping them.
  std::unique_ptr<libdeflate_decompressor, DecompressorDeleter> decompressor(
      libdeflate_alloc_decompressor());
  if (!decompressor) return InflateResult::kOutOfMemory;
  return libdeflate_zlib_decompress(decompressor.get(), stream, streamSize, out, capacity,
                                    produced) == LIBDEFLATE_SUCCESS
             ? InflateResult::kDone
             : InflateResult::kDamaged;
}

}  // namespace kst
