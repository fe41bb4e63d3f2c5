// The record behind each slot's marker, read and written without any platform code, so that the
// installer and the packing tool share one definition of a sound record.
//
// Slot layout: marker text, its terminating zero, 3 more zero bytes, then the record: inflated
// size and packed size (unsigned 32-bit, little-endian) and the zlib stream of packed size bytes.
// Zero bytes fill the rest of the slot.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace kst {

// Bytes between the marker's terminating zero and the record (the zero included).
constexpr size_t kPayloadMarkerGap = 4;
// The two sizes in front of the stream.
constexpr size_t kPayloadRecordHeaderSize = 8;
// Extraction allocates the inflated size plus 8 bytes; that sum must not wrap in 32 bits, the
// width of a size on the shipping build.
constexpr uint32_t kMaxInflatedSize = UINT32_MAX - 8;

struct PayloadRecordView {
  uint32_t inflatedSize;
  uint32_t packedSize;
  const uint8_t* stream;  // packedSize bytes, all inside the slot
};

// The record of a slot of capacity bytes: 4 bytes behind the first zero byte. nullptr when the
// marker has no terminator within the slot or the two sizes would not fit behind it.
const uint8_t* LocatePayloadRecord(const uint8_t* slot, size_t capacity);

// Reads the slot's record; false when it cannot be right: no marker terminator, a stream that
// runs past the slot's end, or an inflated size above kMaxInflatedSize.
bool ReadPayloadRecord(const uint8_t* slot, size_t capacity, PayloadRecordView* out);

// Bytes a stream may take in this slot; 0 when the marker has no room for a record behind it.
size_t PayloadStreamRoom(const uint8_t* slot, size_t capacity);

// Writes a record behind the slot's marker and zero-fills the rest of the slot, so that nothing
// of an earlier record stays behind. False, the slot unchanged, when the record would not fit or
// the inflated size is above kMaxInflatedSize.
bool WritePayloadRecord(uint8_t* slot, size_t capacity, uint64_t inflatedSize,
                        const uint8_t* stream, size_t packedSize);

}  // namespace kst
