// The installer's inflater against streams that zlib packs: what it gives for each kind of block,
// and that a stream that does not fit its room or is damaged is refused as zlib's uncompress
// refused it.
#include <zlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/Inflate.h"
#include <gtest/gtest.h>

namespace kst {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Pack(const Bytes& content, int level) {
  uLongf size = compressBound(static_cast<uLong>(content.size()));
  Bytes packed(size);
  EXPECT_EQ(compress2(packed.data(), &size, content.data(), content.size(), level), Z_OK);
  packed.resize(size);
  return packed;
}

Bytes WithBitFlipped(Bytes bytes, size_t at, uint8_t bit) {
  bytes[at] ^= bit;
  return bytes;
}

// Text that packs well, then bytes that do not, so that a stream mixes kinds of blocks; more than
// one stored block's 65535 bytes.
Bytes Content() {
  Bytes content;
  for (int line = 0; content.size() < 60000; ++line) {
    const std::string text = "||ads.example" + std::to_string(line % 700) + ".cn^\n";
    content.insert(content.end(), text.begin(), text.end());
  }
  uint32_t state = 12345;
  for (int i = 0; i < 40000; ++i) {
    state = state * 1103515245u + 12345u;
    content.push_back(static_cast<uint8_t>(state >> 24));
  }
  return content;
}

TEST(InflateZlibStream, GivesWhatZlibPackedAtEachLevel) {
  const Bytes content = Content();
  for (int level : {0, 1, 6, 9}) {
    SCOPED_TRACE(level);
    const Bytes packed = Pack(content, level);
    for (size_t room : {content.size(), content.size() + 8}) {
      Bytes out(room, 0xEE);
      size_t produced = 0;
      EXPECT_EQ(InflateZlibStream(packed.data(), packed.size(), out.data(), room, &produced),
                InflateResult::kDone);
      ASSERT_EQ(produced, content.size());
      EXPECT_TRUE(std::equal(content.begin(), content.end(), out.begin()));
    }
  }
}

TEST(InflateZlibStream, TakesStreamsThatDoNotFillTheRoomOrCarryBytesAfterTheirEnd) {
  struct {
    const char* what;
    Bytes content;
    Bytes after;
  } const cases[] = {
      {"empty", {}, {}},
      {"one byte", {0x5A}, {}},
      {"bytes after the check value", {'a', 'b', 'c'}, {0x00, 0xFF, 0x78, 0xDA}},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.what);
    Bytes packed = Pack(test.content, 9);
    packed.insert(packed.end(), test.after.begin(), test.after.end());
    Bytes out(test.content.size() + 100);
    size_t produced = 1234;
    EXPECT_EQ(InflateZlibStream(packed.data(), packed.size(), out.data(), out.size(), &produced),
              InflateResult::kDone);
    EXPECT_EQ(produced, test.content.size());
    EXPECT_TRUE(std::equal(test.content.begin(), test.content.end(), out.begin()));
  }
}

TEST(InflateZlibStream, RefusesStreamsThatAreDamagedOrLongerThanTheRoom) {
  const Bytes content = Content();
  const Bytes packed = Pack(content, 9);
  struct {
    const char* what;
    Bytes stream;
    size_t room;
  } const cases[] = {
      {"one byte longer than the room", packed, content.size() - 1},
      {"no room", packed, 0},
      {"check value wrong", WithBitFlipped(packed, packed.size() - 1, 0x01), content.size()},
      {"check value cut short", Bytes(packed.begin(), packed.end() - 1), content.size()},
      {"cut in the middle", Bytes(packed.begin(), packed.begin() + packed.size() / 2),
       content.size()},
      {"a bit of the deflate data changed", WithBitFlipped(packed, packed.size() / 3, 0x20),
       content.size()},
      {"header of no zlib stream", WithBitFlipped(packed, 1, 0x01), content.size()},
      {"nothing", {}, content.size()},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.what);
    Bytes out(test.room + 1);
    size_t produced = 0;
    EXPECT_EQ(
        InflateZlibStream(test.stream.data(), test.stream.size(), out.data(), test.room, &produced),
        InflateResult::kDamaged);
  }
}

}  // namespace
}  // namespace kst
