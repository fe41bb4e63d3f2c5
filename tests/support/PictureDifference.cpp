#include "tests/support/PictureDifference.h"

#include <algorithm>
#include <cstdlib>

namespace kst::test {
namespace {

int Channel(uint32_t pixel, int shift) { return static_cast<int>((pixel >> shift) & 0xFF); }

uint32_t Dimmed(uint32_t pixel) {
  const int grey = (Channel(pixel, 0) + Channel(pixel, 8) + Channel(pixel, 16)) / 9;
  return static_cast<uint32_t>(grey * 0x010101);
}

}  // namespace

CPictureDifference ComparePictures(const CPicture& reference, const CPicture& actual) {
  constexpr int kBlock = CPictureDifference::kBlockSize;
  CPictureDifference difference;
  difference.sameSize = reference.width == actual.width && reference.height == actual.height;
  if (!difference.sameSize) return difference;
  difference.map = actual;
  for (int top = 0; top < actual.height; top += kBlock) {
    for (int left = 0; left < actual.width; left += kBlock) {
      const int bottom = std::min(top + kBlock, actual.height);
      const int right = std::min(left + kBlock, actual.width);
      int sums[3] = {};
      for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
          const uint32_t want = reference.At(x, y);
          const uint32_t got = actual.At(x, y);
          for (int c = 0; c < 3; ++c) sums[c] += Channel(got, 8 * c) - Channel(want, 8 * c);
          uint32_t& shown = difference.map.pixels[static_cast<size_t>(y) * actual.width + x];
          shown = want == got ? Dimmed(got) : 0xFFFF00;
        }
      }
      const int count = (bottom - top) * (right - left);
      int blockDifference = 0;
      for (int sum : sums) blockDifference = std::max(blockDifference, std::abs(sum) / count);
      ++difference.blocks;
      difference.largestDifference = std::max(difference.largestDifference, blockDifference);
      if (blockDifference <= CPictureDifference::kBlockTolerance) continue;
      ++difference.differingBlocks;
      for (int y = top; y < bottom; ++y)
        std::fill_n(&difference.map.pixels[static_cast<size_t>(y) * actual.width + left],
                    right - left, 0xFF0000u);
    }
  }
  return difference;
}

}  // namespace kst::test
