// Any bytes as a slot: reading the record must never step outside the slot, and inflating what
// it accepts must either succeed or fail cleanly. A record written into a slot reads back as
// written.
#include <stddef.h>
#include <stdint.h>
#include <string.h>
#include <zlib.h>

#include <algorithm>
#include <vector>

#include "install/PayloadFormat.h"

namespace {

// The installer allocates the whole inflated size; here it is capped so that a record that
// claims gigabytes does not make the fuzzer run out of memory.
constexpr uint32_t kInflateCap = 1u << 20;

void ReadAndInflate(const uint8_t* slot, size_t capacity) {
  kst::PayloadRecordView record;
  if (!kst::ReadPayloadRecord(slot, capacity, &record)) return;
  if (record.stream < slot || record.packedSize > capacity ||
      record.stream + record.packedSize > slot + capacity)
    __builtin_trap();
  uLongf produced = std::min(record.inflatedSize, kInflateCap);
  std::vector<Bytef> buffer(static_cast<size_t>(produced) + 8);
  if (uncompress(buffer.data(), &produced, record.stream, record.packedSize) == Z_OK &&
      produced > std::min(record.inflatedSize, kInflateCap))
    __builtin_trap();
}

void WriteAndReadBack(const uint8_t* data, size_t size) {
  if (size < 4) return;
  uint32_t inflated;
  memcpy(&inflated, data, sizeof(inflated));
  const uint8_t* stream = data + 4;
  size_t packed = size - 4;
  std::vector<uint8_t> slot(64 + (packed % 300) + packed / 2);
  static const char kMarker[] = "@@@@[fuzz.bin]@@";
  memcpy(slot.data(), kMarker, sizeof(kMarker));
  if (!kst::WritePayloadRecord(slot.data(), slot.size(), inflated, stream, packed)) return;
  kst::PayloadRecordView record;
  if (!kst::ReadPayloadRecord(slot.data(), slot.size(), &record) ||
      record.inflatedSize != inflated || record.packedSize != packed ||
      memcmp(record.stream, stream, packed) != 0)
    __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Exactly the given bytes, so that the sanitizer sees any read past them.
  std::vector<uint8_t> slot(data, data + size);
  ReadAndInflate(slot.data(), slot.size());
  WriteAndReadBack(data, size);
  return 0;
}
