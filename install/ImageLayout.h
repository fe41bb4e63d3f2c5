// Where a part of the program's image in memory lies in its file, platform-free: the section
// table of the file's own headers maps each address relative to the image to a file offset.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace kst {

// Where the length bytes at rva (relative to the image's base) come from in the executable file
// held in file (size bytes): the first held of them from the file at offset, the rest from the
// zeros the loader fills a section with behind its file data. False when the headers are not
// those of a PE image, or no section holds the whole range in memory.
bool FileOffsetOfImageRange(const uint8_t* file, size_t size, uint32_t rva, size_t length,
                            size_t& offset, size_t& held);

}  // namespace kst
