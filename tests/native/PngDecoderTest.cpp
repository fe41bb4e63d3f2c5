// The skin's PNG decoder on small pictures made here: each colour type and bit depth it reads,
// each row filter undone, transparency from palettes and colour keys, and the pictures it leaves
// to GDI+ or refuses as damaged.
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "skin/PngDecoder.h"
#include <gtest/gtest.h>

namespace kst {
namespace {

using Bytes = std::vector<uint8_t>;

void PutBigEndian32(Bytes& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void PutChunk(Bytes& out, const char* type, const Bytes& data) {
  PutBigEndian32(out, static_cast<uint32_t>(data.size()));
  const size_t typeAt = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutBigEndian32(out, static_cast<uint32_t>(crc32(0, out.data() + typeAt, data.size() + 4)));
}

struct Picture {
  uint32_t width = 0, height = 0;
  uint8_t depth = 8, colour = 6, interlace = 0;
  Bytes rows;  // unfiltered samples, rowBytes a row
  Bytes palette, transparency;
  uint8_t filter = 0;
  size_t idatPieces = 1;
};

Picture Make(uint32_t width, uint32_t height, uint8_t depth, uint8_t colour, Bytes rows,
             Bytes palette = {}, Bytes transparency = {}) {
  Picture picture;
  picture.width = width;
  picture.height = height;
  picture.depth = depth;
  picture.colour = colour;
  picture.rows = std::move(rows);
  picture.palette = std::move(palette);
  picture.transparency = std::move(transparency);
  return picture;
}

size_t RowBytes(const Picture& p) {
  const unsigned channels[] = {1, 0, 3, 1, 2, 0, 4};
  return (p.width * channels[p.colour] * p.depth + 7) / 8;
}

uint8_t Predict(uint8_t filter, int left, int up, int upLeft) {
  switch (filter) {
    case 1:
      return static_cast<uint8_t>(left);
    case 2:
      return static_cast<uint8_t>(up);
    case 3:
      return static_cast<uint8_t>((left + up) / 2);
    case 4: {
      const int p = left + up - upLeft;
      const int a = std::abs(p - left), b = std::abs(p - up), c = std::abs(p - upLeft);
      return static_cast<uint8_t>(a <= b && a <= c ? left : b <= c ? up : upLeft);
    }
  }
  return 0;
}

// The picture as an encoder writes it: every row filtered with the picture's filter.
Bytes Encode(const Picture& p) {
  const size_t rowBytes = RowBytes(p);
  const unsigned channels[] = {1, 0, 3, 1, 2, 0, 4};
  const size_t pixelBytes = std::max<size_t>(1, channels[p.colour] * p.depth / 8);
  Bytes filtered;
  for (uint32_t y = 0; y < p.height; ++y) {
    filtered.push_back(p.filter);
    for (size_t x = 0; x < rowBytes; ++x) {
      const uint8_t* row = p.rows.data() + y * rowBytes;
      const int left = x >= pixelBytes ? row[x - pixelBytes] : 0;
      const int up = y > 0 ? row[x - rowBytes] : 0;
      const int upLeft = y > 0 && x >= pixelBytes ? row[x - rowBytes - pixelBytes] : 0;
      filtered.push_back(static_cast<uint8_t>(row[x] - Predict(p.filter, left, up, upLeft)));
    }
  }
  uLongf packedSize = compressBound(static_cast<uLong>(filtered.size()));
  Bytes packed(packedSize);
  EXPECT_EQ(compress(packed.data(), &packedSize, filtered.data(), filtered.size()), Z_OK);
  packed.resize(packedSize);

  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes header;
  PutBigEndian32(header, p.width);
  PutBigEndian32(header, p.height);
  header.insert(header.end(), {p.depth, p.colour, 0, 0, p.interlace});
  PutChunk(png, "IHDR", header);
  if (!p.palette.empty()) PutChunk(png, "PLTE", p.palette);
  if (!p.transparency.empty()) PutChunk(png, "tRNS", p.transparency);
  const size_t piece = (packed.size() + p.idatPieces - 1) / p.idatPieces;
  for (size_t at = 0; at < packed.size(); at += piece)
    PutChunk(png, "IDAT",
             Bytes(packed.begin() + at, packed.begin() + std::min(packed.size(), at + piece)));
  PutChunk(png, "IEND", {});
  return png;
}

Bytes Decode(const Bytes& png, bool* decoded) {
  PngSize size;
  *decoded = ReadPngSize(png.data(), png.size(), &size);
  Bytes bgra(size_t{size.width} * size.height * 4);
  if (*decoded) *decoded = DecodePng(png.data(), png.size(), bgra.data());
  return bgra;
}

TEST(DecodePng, ReadsEachColourTypeAndDepthToStraightBgra) {
  struct Case {
    const char* what;
    Picture picture;
    Bytes bgra;
  } const cases[] = {
      {"RGBA",
       Make(2, 1, 8, 6, {10, 20, 30, 40, 50, 60, 70, 255}),
       {30, 20, 10, 40, 70, 60, 50, 255}},
      {"RGB with a colour key",
       Make(2, 1, 8, 2, {1, 2, 3, 4, 5, 6}, {}, {0, 4, 0, 5, 0, 6}),
       {3, 2, 1, 255, 6, 5, 4, 0}},
      {"grey and alpha", Make(2, 1, 8, 4, {9, 128, 200, 0}), {9, 9, 9, 128, 200, 200, 200, 0}},
      {"grey at 2 bits with a key",
       Make(5, 1, 2, 0, {0x1B, 0x40}, {}, {0, 2}),
       {0, 0, 0, 255, 85, 85, 85, 255, 170, 170, 170, 0, 255, 255, 255, 255, 85, 85, 85, 255}},
      // One bit a pixel across a byte's end; entry 0 transparent, entry 1 opaque (no alpha given).
      {"palette at 1 bit",
       Make(9, 1, 1, 3, {0xAA, 0x80}, {1, 2, 3, 200, 100, 50}, {0}),
       {50,  100, 200, 255, 3, 2, 1,  0,   50,  100, 200, 255, 3, 2, 1,  0,   50,  100,
        200, 255, 3,   2,   1, 0, 50, 100, 200, 255, 3,   2,   1, 0, 50, 100, 200, 255}},
      {"palette at 4 bits",
       Make(3, 1, 4, 3, {0x21, 0x00}, {0, 0, 0, 7, 8, 9, 4, 5, 6}, {255, 0, 99}),
       {6, 5, 4, 99, 9, 8, 7, 0, 0, 0, 0, 255}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    bool decoded = false;
    EXPECT_EQ(Decode(Encode(c.picture), &decoded), c.bgra);
    EXPECT_TRUE(decoded);
  }
}

TEST(DecodePng, UndoesEveryRowFilterOverSeveralDataChunks) {
  // Enough varied bytes that every predictor, and each of Paeth's ties, comes up.
  constexpr uint32_t kSide = 24;
  Bytes rows;
  uint32_t state = 12345;
  for (uint32_t i = 0; i < kSide * kSide * 3; ++i) {
    state = state * 1103515245 + 12345;
    rows.push_back(static_cast<uint8_t>((state >> 16) % 6 * 51));
  }
  Picture picture = Make(kSide, kSide, 8, 2, rows);
  picture.idatPieces = 3;
  for (uint8_t filter = 0; filter <= 4; ++filter) {
    SCOPED_TRACE("filter " + std::to_string(filter));
    picture.filter = filter;
    bool decoded = false;
    const Bytes bgra = Decode(Encode(picture), &decoded);
    ASSERT_TRUE(decoded);
    Bytes expected;
    for (size_t at = 0; at < rows.size(); at += 3)
      expected.insert(expected.end(), {rows[at + 2], rows[at + 1], rows[at], 255});
    EXPECT_TRUE(bgra == expected);
  }
}

TEST(DecodePng, RefusesWhatItDoesNotReadAndDamage) {
  const Picture good = Make(2, 2, 8, 6, Bytes(16, 7));
  auto with = [&](auto change) {
    Picture picture = good;
    change(picture);
    return Encode(picture);
  };
  Bytes badSignature = Encode(good);
  badSignature[1] = 'Q';
  Bytes cut = Encode(good);
  cut.resize(cut.size() - 20);  // into the data chunk
  Bytes tall = Encode(good);
  tall[23] = 3;  // the header's height, low byte: a row more than the data holds
  struct Case {
    const char* what;
    Bytes png;
  } const cases[] = {
      {"no PNG signature", badSignature},
      {"16 bits a sample", with([](Picture& p) { p.depth = 16, p.rows = Bytes(32, 7); })},
      {"interlaced", with([](Picture& p) { p.interlace = 1; })},
      {"RGB at 4 bits", with([](Picture& p) { p.colour = 2, p.depth = 4, p.rows = Bytes(6, 7); })},
      {"no width", with([](Picture& p) { p.width = 0, p.rows.clear(); })},
      {"wider than 8192",
       with([](Picture& p) { p.width = 8193, p.height = 1, p.rows = Bytes(8193 * 4); })},
      {"a palette picture without palette",
       with([](Picture& p) { p.colour = 3, p.rows = Bytes(4, 0); })},
      {"a palette index past the palette",
       with([](Picture& p) { p.colour = 3, p.rows = {0, 1, 1, 0}, p.palette = {1, 2, 3}; })},
      {"an unknown row filter", with([](Picture& p) { p.filter = 5; })},
      {"a data chunk cut short", cut},
      {"rows missing", tall},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    bool decoded = true;
    Decode(c.png, &decoded);
    EXPECT_FALSE(decoded);
  }
}

}  // namespace
}  // namespace kst
