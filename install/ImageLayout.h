// Where a part of the program's image in memory lies in its file, platform-free: the section
// table of the file's own headers maps each address relative to the image to a file offset. The
// packing tool reads the same headers with these functions.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace kst {

// The little-endian 32-bit field at `at`; false where the file does not hold it.
bool ReadField32(const uint8_t* file, size_t size, size_t at, uint32_t& value);

// Where the headers of a PE image lie in its file.
struct PeHeaders {
  size_t optionalHeader;
  uint32_t optionalHeaderSize;
  size_t sectionTable;
  uint32_t sectionCount;
};

// False when the file does not begin with a PE image's headers whose section table it holds whole.
bool ReadPeHeaders(const uint8_t* file, size_t size, PeHeaders& headers);

struct PeSection {
  char name[8];  // NUL-padded, not NUL-terminated when all 8 are used
  uint32_t virtualSize;
  uint32_t virtualAddress;
  uint32_t rawSize;
  uint32_t rawOffset;
  uint32_t characteristics;
  size_t headerOffset;  // of its entry in the section table
};

// Entry `index` (below headers.sectionCount) of the section table that ReadPeHeaders found whole.
PeSection ReadPeSection(const uint8_t* file, size_t size, const PeHeaders& headers, uint32_t index);

// Where the length bytes at rva (relative to the image's base) come from in the executable file
// held in file (size bytes): the first held of them from the file at offset, the rest from the
// zeros the loader fills a section with behind its file data. False when the headers are not
// those of a PE image, or no section holds the whole range in memory.
bool FileOffsetOfImageRange(const uint8_t* file, size_t size, uint32_t rva, size_t length,
                            size_t& offset, size_t& held);

}  // namespace kst
