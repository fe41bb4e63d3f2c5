#include "skin/PngDecoder.h"

#include <string.h>

#include <memory>

#include "base/Inflate.h"

namespace kst {
namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint32_t kLargestSide = 8192;
constexpr size_t kChunkFrame = 12;  // length, type and checksum around a chunk's data

enum ColourType : uint8_t { kGrey = 0, kRgb = 2, kPalette = 3, kGreyAlpha = 4, kRgba = 6 };

uint32_t BigEndian32(const uint8_t* at) {
  return uint32_t{at[0]} << 24 | uint32_t{at[1]} << 16 | uint32_t{at[2]} << 8 | at[3];
}

constexpr uint32_t ChunkType(const char (&name)[5]) {
  return uint32_t{static_cast<uint8_t>(name[0])} << 24 |
         uint32_t{static_cast<uint8_t>(name[1])} << 16 |
         uint32_t{static_cast<uint8_t>(name[2])} << 8 | static_cast<uint8_t>(name[3]);
}

struct Chunk {
  uint32_t type = 0;
  uint32_t length = 0;
  const uint8_t* data = nullptr;
};

// The chunks after the signature, one a call; none past the first that does not fit the file.
class CChunkReader {
 public:
  CChunkReader(const uint8_t* png, size_t size) : at_(png + sizeof kSignature), end_(png + size) {}

  bool Next(Chunk* chunk) {
    const size_t left = static_cast<size_t>(end_ - at_);
    if (left < kChunkFrame || BigEndian32(at_) > left - kChunkFrame) return false;
    chunk->length = BigEndian32(at_);
    chunk->type = BigEndian32(at_ + 4);
    chunk->data = at_ + 8;
    at_ += kChunkFrame + chunk->length;
    return true;
  }

 private:
  const uint8_t* at_;
  const uint8_t* end_;
};

struct Header {
  PngSize size;
  uint8_t bitDepth = 0;
  uint8_t colourType = 0;
};

unsigned ChannelCount(uint8_t colourType) {
  switch (colourType) {
    case kGrey:
    case kPalette:
      return 1;
    case kGreyAlpha:
      return 2;
    case kRgb:
      return 3;
    case kRgba:
      return 4;
  }
  return 0;
}

bool ReadHeader(const uint8_t* png, size_t size, Header* header) {
  if (png == nullptr || size < sizeof kSignature || memcmp(png, kSignature, sizeof kSignature) != 0)
    return false;
  CChunkReader chunks(png, size);
  Chunk first;
  if (!chunks.Next(&first) || first.type != ChunkType("IHDR") || first.length != 13) return false;
  const uint8_t* data = first.data;
  header->size.width = BigEndian32(data);
  header->size.height = BigEndian32(data + 4);
  header->bitDepth = data[8];
  header->colourType = data[9];
  const bool narrowDepth =
      (header->colourType == kGrey || header->colourType == kPalette) &&
      (header->bitDepth == 1 || header->bitDepth == 2 || header->bitDepth == 4);
  const bool compressionFilterInterlace = data[10] == 0 && data[11] == 0 && data[12] == 0;
  return header->size.width >= 1 && header->size.width <= kLargestSide &&
         header->size.height >= 1 && header->size.height <= kLargestSide &&
         ChannelCount(header->colourType) != 0 && (header->bitDepth == 8 || narrowDepth) &&
         compressionFilterInterlace;
}

uint8_t Paeth(int left, int up, int upLeft) {
  const int estimate = left + up - upLeft;
  const int toLeft = estimate > left ? estimate - left : left - estimate;
  const int toUp = estimate > up ? estimate - up : up - estimate;
  const int toUpLeft = estimate > upLeft ? estimate - upLeft : upLeft - estimate;
  if (toLeft <= toUp && toLeft <= toUpLeft) return static_cast<uint8_t>(left);
  return static_cast<uint8_t>(toUp <= toUpLeft ? up : upLeft);
}

// Undoes each row's filter in place: every row is its filter byte and rowBytes bytes, each
// predicted from the byte a pixel to the left (pixelBytes back) and the one above.
bool Unfilter(uint8_t* rows, uint32_t height, size_t rowBytes, size_t pixelBytes) {
  const uint8_t* above = nullptr;
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t filter = rows[y * (rowBytes + 1)];
    uint8_t* line = rows + y * (rowBytes + 1) + 1;
    if (filter > 4) return false;
    for (size_t x = 0; x < rowBytes && filter != 0; ++x) {
      const int left = x >= pixelBytes ? line[x - pixelBytes] : 0;
      const int up = above != nullptr ? above[x] : 0;
      const int upLeft = above != nullptr && x >= pixelBytes ? above[x - pixelBytes] : 0;
      const int prediction = filter == 1   ? left
                             : filter == 2 ? up
                             : filter == 3 ? (left + up) / 2
                                           : Paeth(left, up, upLeft);
      line[x] = static_cast<uint8_t>(line[x] + prediction);
    }
    above = line;
  }
  return true;
}

// Sample `index` of a row whose samples are `depth` bits wide, first sample in the high bits.
unsigned Sample(const uint8_t* line, size_t index, unsigned depth) {
  if (depth == 8) return line[index];
  const size_t bit = index * depth;
  return (line[bit / 8] >> (8 - depth - bit % 8)) & ((1u << depth) - 1);
}

struct Extras {
  Chunk palette;
  Chunk transparency;
};

// One decoded row to straight-alpha BGRA.
bool ConvertRow(const Header& header, const Extras& extras, const uint8_t* line, uint8_t* bgra) {
  const unsigned depth = header.bitDepth;
  const Chunk& keys = extras.transparency;
  for (uint32_t x = 0; x < header.size.width; ++x, bgra += 4) {
    uint8_t red = 0, green = 0, blue = 0, alpha = 255;
    switch (header.colourType) {
      case kGrey: {
        const unsigned grey = Sample(line, x, depth);
        red = green = blue = static_cast<uint8_t>(grey * 255 / ((1u << depth) - 1));
        if (keys.length >= 2 && grey == (unsigned{keys.data[0]} << 8 | keys.data[1])) alpha = 0;
        break;
      }
      case kPalette: {
        const unsigned index = Sample(line, x, depth);
        if (index >= extras.palette.length / 3) return false;
        red = extras.palette.data[3 * index];
        green = extras.palette.data[3 * index + 1];
        blue = extras.palette.data[3 * index + 2];
        if (index < keys.length) alpha = keys.data[index];
        break;
      }
      case kGreyAlpha:
        red = green = blue = line[2 * x];
        alpha = line[2 * x + 1];
        break;
      case kRgb:
        red = line[3 * x];
        green = line[3 * x + 1];
        blue = line[3 * x + 2];
        if (keys.length >= 6 && keys.data[0] == 0 && keys.data[1] == red && keys.data[2] == 0 &&
            keys.data[3] == green && keys.data[4] == 0 && keys.data[5] == blue)
          alpha = 0;
        break;
      case kRgba:
        red = line[4 * x];
        green = line[4 * x + 1];
        blue = line[4 * x + 2];
        alpha = line[4 * x + 3];
        break;
    }
    bgra[0] = blue;
    bgra[1] = green;
    bgra[2] = red;
    bgra[3] = alpha;
  }
  return true;
}

}  // namespace

bool ReadPngSize(const uint8_t* png, size_t size, PngSize* pictureSize) {
  Header header;
  if (!ReadHeader(png, size, &header)) return false;
  *pictureSize = header.size;
  return true;
}

bool DecodePng(const uint8_t* png, size_t size, uint8_t* bgra) {
  Header header;
  if (!ReadHeader(png, size, &header)) return false;

  Extras extras;
  size_t packedSize = 0;
  CChunkReader chunks(png, size);
  for (Chunk chunk; chunks.Next(&chunk);) {
    if (chunk.type == ChunkType("PLTE")) extras.palette = chunk;
    if (chunk.type == ChunkType("tRNS")) extras.transparency = chunk;
    if (chunk.type == ChunkType("IDAT")) packedSize += chunk.length;
  }
  if (header.colourType == kPalette && extras.palette.data == nullptr) return false;

  // The picture's data may be spread over several chunks; the inflater wants it in one piece.
  std::unique_ptr<uint8_t[]> packed(new uint8_t[packedSize != 0 ? packedSize : 1]);
  if (!packed) return false;
  size_t gathered = 0;
  chunks = CChunkReader(png, size);
  for (Chunk chunk; chunks.Next(&chunk);) {
    if (chunk.type != ChunkType("IDAT")) continue;
    memcpy(packed.get() + gathered, chunk.data, chunk.length);
    gathered += chunk.length;
  }

  const size_t bitsPerPixel = size_t{ChannelCount(header.colourType)} * header.bitDepth;
  const size_t rowBytes = (header.size.width * bitsPerPixel + 7) / 8;
  const size_t pixelBytes = bitsPerPixel >= 8 ? bitsPerPixel / 8 : 1;
  const size_t rowsSize = header.size.height * (rowBytes + 1);
  std::unique_ptr<uint8_t[]> rows(new uint8_t[rowsSize]);
  if (!rows) return false;
  size_t inflated = 0;
  if (InflateZlibStream(packed.get(), packedSize, rows.get(), rowsSize, &inflated) !=
          InflateResult::kDone ||
      inflated != rowsSize || !Unfilter(rows.get(), header.size.height, rowBytes, pixelBytes))
    return false;

  const size_t stride = size_t{header.size.width} * 4;
  for (uint32_t y = 0; y < header.size.height; ++y) {
    if (!ConvertRow(header, extras, rows.get() + y * (rowBytes + 1) + 1, bgra + y * stride))
      return false;
  }
  return true;
}

}  // namespace kst
