#include "install/ImageLayout.h"

namespace kst {
namespace {

// Little-endian fields of the headers, read only where the file has them.
bool Read32(const uint8_t* file, size_t size, size_t at, uint32_t& value) {
  if (at > size || size - at < 4) return false;
  value = static_cast<uint32_t>(file[at]) | static_cast<uint32_t>(file[at + 1]) << 8 |
          static_cast<uint32_t>(file[at + 2]) << 16 | static_cast<uint32_t>(file[at + 3]) << 24;
  return true;
}

bool Read16(const uint8_t* file, size_t size, size_t at, uint32_t& value) {
  if (at > size || size - at < 2) return false;
  value = static_cast<uint32_t>(file[at]) | static_cast<uint32_t>(file[at + 1]) << 8;
  return true;
}

constexpr uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr size_t kFileHeaderSize = 20;
constexpr size_t kSectionHeaderSize = 40;

}  // namespace

bool FileOffsetOfImageRange(const uint8_t* file, size_t size, uint32_t rva, size_t length,
                            size_t& offset, size_t& held) {
  uint32_t headers = 0;
  uint32_t signature = 0;
  uint32_t sections = 0;
  uint32_t optionalSize = 0;
  if (size < 2 || file[0] != 'M' || file[1] != 'Z' || !Read32(file, size, 0x3c, headers) ||
      !Read32(file, size, headers, signature) || signature != kPeSignature ||
      !Read16(file, size, size_t{headers} + 6, sections) ||
      !Read16(file, size, size_t{headers} + 20, optionalSize))
    return false;
  const size_t table = size_t{headers} + 4 + kFileHeaderSize + optionalSize;
  if (table > size || sections > (size - table) / kSectionHeaderSize) return false;
  for (uint32_t i = 0; i < sections; ++i) {
    const size_t at = table + i * kSectionHeaderSize;
    uint32_t virtualSize = 0;
    uint32_t address = 0;
    uint32_t rawSize = 0;
    uint32_t rawOffset = 0;
    Read32(file, size, at + 8, virtualSize);
    Read32(file, size, at + 12, address);
    Read32(file, size, at + 16, rawSize);
    Read32(file, size, at + 20, rawOffset);
    const uint32_t extent = virtualSize > rawSize ? virtualSize : rawSize;
    if (rva < address || rva - address > extent || length > extent - (rva - address)) continue;
    const uint32_t into = rva - address;
    const size_t inFile = into < rawSize ? rawSize - into : 0;
    const size_t start = size_t{rawOffset} + (into < rawSize ? into : rawSize);
    held = length < inFile ? length : inFile;
    if (start > size || held > size - start) return false;
    offset = start;
    return true;
  }
  return false;
}

}  // namespace kst
