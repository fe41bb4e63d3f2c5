#include <string>
#include <vector>

#include "install/PayloadFormat.h"
#include <gtest/gtest.h>

namespace kst {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr char kMarker[] = "@@@@[sample.txt]@@@";  // 19 characters, so the record is at 23
constexpr size_t kRecord = sizeof(kMarker) - 1 + kPayloadMarkerGap;
constexpr size_t kStream = kRecord + kPayloadRecordHeaderSize;

void Put32(Bytes* slot, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) (*slot)[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

// A slot of capacity bytes: the marker, then the two sizes as given.
Bytes MakeSlot(size_t capacity, uint32_t inflatedSize, uint32_t packedSize) {
  Bytes slot(capacity, 0);
  std::copy(kMarker, kMarker + sizeof(kMarker) - 1, slot.begin());
  if (capacity >= kStream) {
    Put32(&slot, kRecord, inflatedSize);
    Put32(&slot, kRecord + 4, packedSize);
  }
  return slot;
}

struct ReadCase {
  const char* what;
  size_t capacity;
  uint32_t inflatedSize;
  uint32_t packedSize;
  bool sound;
};

// Sizes at and just past each bound: the slot's end for the stream, and the 32-bit wrap of the
// extraction buffer (inflated size + 8).
const ReadCase kReadCases[] = {
    {"ordinary record", 100, 500, 40, true},
    {"stream ends exactly at the slot's end", 100, 500, 100 - kStream, true},
    {"stream runs one byte past the slot's end", 100, 500, 100 - kStream + 1, false},
    {"packed size that wraps an offset sum", 100, 500, 0xFFFFFFFFu, false},
    {"empty stream behind a record at the very end", kStream, 0, 0, true},
    {"sizes would not fit behind the marker", kStream - 1, 0, 0, false},
    {"largest inflated size whose buffer fits 32 bits", 100, kMaxInflatedSize, 10, true},
    {"inflated size whose buffer wraps", 100, kMaxInflatedSize + 1, 10, false},
    {"inflated size 0xFFFFFFFF", 100, 0xFFFFFFFFu, 10, false},
};

TEST(PayloadFormat, ReadsRecordsThatFitTheirSlotAndRefusesTheRest) {
  for (const ReadCase& test : kReadCases) {
    SCOPED_TRACE(test.what);
    Bytes slot = MakeSlot(test.capacity, test.inflatedSize, test.packedSize);
    PayloadRecordView record = {};
    ASSERT_EQ(test.sound, ReadPayloadRecord(slot.data(), slot.size(), &record));
    if (!test.sound) continue;
    EXPECT_EQ(test.inflatedSize, record.inflatedSize);
    EXPECT_EQ(test.packedSize, record.packedSize);
    EXPECT_EQ(slot.data() + kStream, record.stream);
  }
}

TEST(PayloadFormat, MarkerWithoutTerminatorInsideTheSlotHasNoRecord) {
  Bytes slot(64, '@');
  PayloadRecordView record;
  EXPECT_EQ(nullptr, LocatePayloadRecord(slot.data(), slot.size()));
  EXPECT_FALSE(ReadPayloadRecord(slot.data(), slot.size(), &record));
  EXPECT_EQ(0u, PayloadStreamRoom(slot.data(), slot.size()));
  // The zero right behind the capacity does not count.
  slot.push_back(0);
  EXPECT_FALSE(ReadPayloadRecord(slot.data(), slot.size() - 1, &record));
}

TEST(PayloadFormat, RecordLiesFourBytesBehindTheTerminatorWhateverTheGapHolds) {
  Bytes slot = MakeSlot(100, 7, 3);
  slot[kRecord - 3] = 0xAA;  // the three bytes after the terminator are never read
  slot[kRecord - 1] = 0xBB;
  EXPECT_EQ(slot.data() + kRecord, LocatePayloadRecord(slot.data(), slot.size()));
  PayloadRecordView record;
  ASSERT_TRUE(ReadPayloadRecord(slot.data(), slot.size(), &record));
  EXPECT_EQ(7u, record.inflatedSize);
  EXPECT_EQ(3u, record.packedSize);
}

TEST(PayloadFormat, WriterPutsTheRecordBehindTheMarkerAndClearsTheRestOfTheSlot) {
  Bytes slot = MakeSlot(80, 0, 0);
  std::fill(slot.begin() + sizeof(kMarker), slot.end(), 0xEE);  // an older, longer record
  const uint8_t stream[] = {0x78, 0xDA, 1, 2, 3};
  ASSERT_TRUE(WritePayloadRecord(slot.data(), slot.size(), 0x01020304, stream, sizeof(stream)));

  EXPECT_EQ(std::string(kMarker), std::string(reinterpret_cast<char*>(slot.data())));
  Bytes expected = MakeSlot(80, 0x01020304, sizeof(stream));
  std::copy(stream, stream + sizeof(stream), expected.begin() + kStream);
  EXPECT_EQ(expected, slot);
  EXPECT_EQ(0x04, slot[kRecord]);  // little-endian
  EXPECT_EQ(80 - kStream, PayloadStreamRoom(slot.data(), slot.size()));
}

TEST(PayloadFormat, WriterRefusesWhatCannotBeReadBackAndLeavesTheSlot) {
  const Bytes stream(100 - kStream + 1, 0x55);
  struct {
    const char* what;
    size_t packedSize;
    uint64_t inflatedSize;
  } cases[] = {
      {"stream one byte too long", stream.size(), 10},
      {"inflated size whose buffer wraps", 10, uint64_t{kMaxInflatedSize} + 1},
      {"inflated size beyond 32 bits", 10, uint64_t{1} << 32},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.what);
    Bytes slot = MakeSlot(100, 1, 1);
    const Bytes before = slot;
    EXPECT_FALSE(WritePayloadRecord(slot.data(), slot.size(), test.inflatedSize, stream.data(),
                                    test.packedSize));
    EXPECT_EQ(before, slot);
  }
  Bytes slot = MakeSlot(100, 1, 1);
  EXPECT_TRUE(WritePayloadRecord(slot.data(), slot.size(), 10, stream.data(), stream.size() - 1));
}

}  // namespace
}  // namespace kst
