#include "install/ImageLayout.h"

namespace kst {
namespace {

bool Read16(const uint8_t* file, size_t size, size_t at, uint32_t& value) {
  if (at > size || size - at < 2) return false;
  value = static_cast<uint32_t>(file[at]) | static_cast<uint32_t>(file[at + 1]) << 8;
  return true;
}

constexpr uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr size_t kFileHeaderSize = 20;
constexpr size_t kSectionHeaderSize = 40;

}  // namespace

bool ReadField32(const uint8_t* file, size_t size, size_t at, uint32_t& value) {
  if (at > size || size - at < 4) return false;
  value = static_cast<uint32_t>(file[at]) | static_cast<uint32_t>(file[at + 1]) << 8 |
          static_cast<uint32_t>(file[at + 2]) << 16 | static_cast<uint32_t>(file[at + 3]) << 24;
  return true;
}

bool ReadPeHeaders(const uint8_t* file, size_t size, PeHeaders& headers) {
  uint32_t peHeader = 0;
  uint32_t signature = 0;
  if (size < 2 || file[0] != 'M' || file[1] != 'Z' || !ReadField32(file, size, 0x3c, peHeader) ||
      !ReadField32(file, size, peHeader, signature) || signature != kPeSignature ||
      !Read16(file, size, size_t{peHeader} + 6, headers.sectionCount) ||
      !Read16(file, size, size_t{peHeader} + 20, headers.optionalHeaderSize))
    return false;
  headers.optionalHeader = size_t{peHeader} + 4 + kFileHeaderSize;
  headers.sectionTable = headers.optionalHeader + headers.optionalHeaderSize;
  return headers.sectionTable <= size &&
         headers.sectionCount <= (size - headers.sectionTable) / kSectionHeaderSize;
}

PeSection ReadPeSection(const uint8_t* file, size_t size, const PeHeaders& headers,
                        uint32_t index) {
  PeSection section = {};
  section.headerOffset = headers.sectionTable + index * kSectionHeaderSize;
  for (size_t i = 0; i < sizeof(section.name); ++i)
    section.name[i] = static_cast<char>(file[section.headerOffset + i]);
  ReadField32(file, size, section.headerOffset + 8, section.virtualSize);
  ReadField32(file, size, section.headerOffset + 12, section.virtualAddress);
  ReadField32(file, size, section.headerOffset + 16, section.rawSize);
  ReadField32(file, size, section.headerOffset + 20, section.rawOffset);
  ReadField32(file, size, section.headerOffset + 36, section.characteristics);
  return section;
}

bool FileOffsetOfImageRange(const uint8_t* file, size_t size, uint32_t rva, size_t length,
                            size_t& offset, size_t& held) {
  PeHeaders headers;
  if (!ReadPeHeaders(file, size, headers)) return false;
  for (uint32_t i = 0; i < headers.sectionCount; ++i) {
    const PeSection section = ReadPeSection(file, size, headers, i);
    const uint32_t extent =
        section.virtualSize > section.rawSize ? section.virtualSize : section.rawSize;
    const uint32_t address = section.virtualAddress;
    if (rva < address || rva - address > extent || length > extent - (rva - address)) continue;
    const uint32_t into = rva - address;
    const size_t inFile = into < section.rawSize ? section.rawSize - into : 0;
    const size_t start =
        size_t{section.rawOffset} + (into < section.rawSize ? into : section.rawSize);
    held = length < inFile ? length : inFile;
    if (start > size || held > size - start) return false;
    offset = start;
    return true;
  }
  return false;
}

}  // namespace kst
