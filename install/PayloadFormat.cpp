#include "install/PayloadFormat.h"

namespace kst {

namespace {

uint32_t ReadLittleEndian32(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

void WriteLittleEndian32(uint8_t* bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

// Offset of the stream in the slot, or 0 when there is no record.
size_t StreamOffset(const uint8_t* slot, size_t capacity) {
  const uint8_t* record = LocatePayloadRecord(slot, capacity);
  return record == nullptr ? 0 : static_cast<size_t>(record - slot) + kPayloadRecordHeaderSize;
}

}  // namespace

const uint8_t* LocatePayloadRecord(const uint8_t* slot, size_t capacity) {
  size_t marker = 0;
  while (marker < capacity && slot[marker] != 0) ++marker;
  if (capacity - marker < kPayloadMarkerGap + kPayloadRecordHeaderSize) return nullptr;
  return slot + marker + kPayloadMarkerGap;
}

bool ReadPayloadRecord(const uint8_t* slot, size_t capacity, PayloadRecordView* out) {
  size_t stream = StreamOffset(slot, capacity);
  if (stream == 0) return false;
  uint32_t inflatedSize = ReadLittleEndian32(slot + stream - kPayloadRecordHeaderSize);
  uint32_t packedSize = ReadLittleEndian32(slot + stream - 4);
  if (inflatedSize > kMaxInflatedSize || packedSize > capacity - stream) return false;
  out->inflatedSize = inflatedSize;
  out->packedSize = packedSize;
  out->stream = slot + stream;
  return true;
}

size_t PayloadStreamRoom(const uint8_t* slot, size_t capacity) {
  size_t stream = StreamOffset(slot, capacity);
  return stream == 0 ? 0 : capacity - stream;
}

bool WritePayloadRecord(uint8_t* slot, size_t capacity, uint64_t inflatedSize,
                        const uint8_t* stream, size_t packedSize) {
  size_t offset = StreamOffset(slot, capacity);
  if (offset == 0 || packedSize > capacity - offset || inflatedSize > kMaxInflatedSize) {
    return false;
  }
  uint8_t* record = slot + offset - kPayloadRecordHeaderSize;
  for (uint8_t* gap = record - kPayloadMarkerGap; gap < record; ++gap) *gap = 0;
  WriteLittleEndian32(record, static_cast<uint32_t>(inflatedSize));
  WriteLittleEndian32(record + 4, static_cast<uint32_t>(packedSize));
  for (size_t i = 0; i < packedSize; ++i) slot[offset + i] = stream[i];
  for (size_t i = offset + packedSize; i < capacity; ++i) slot[i] = 0;
  return true;
}

}  // namespace kst
