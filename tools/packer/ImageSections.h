// The section table of a PE image as the packing tool reads and rewrites it: each product file's
// slot is a section of its own (".kslot<n>", n its place in the table), whose virtual size is the
// slot's capacity while its file data may be shorter; the loader fills the rest with zeros.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "install/ImageLayout.h"

namespace kst {

using Bytes = std::vector<uint8_t>;

struct ImageSections {
  uint32_t fileAlignment;
  size_t checksumOffset;
  size_t initializedDataOffset;  // SizeOfInitializedData in the optional header
  std::vector<PeSection> sections;
};

// Slots are read-only initialised data in memory.
constexpr uint32_t kSlotCharacteristics = 0x40000040;  // CNT_INITIALIZED_DATA | MEM_READ

std::string SlotSectionName(size_t index);

// False when the bytes are not a PE image whose section table lies whole in the file.
bool ReadImageSections(const Bytes& image, ImageSections* out);

// The section of that name, or null.
const PeSection* FindSection(const ImageSections& layout, const std::string& name);

// The section as the loader lays it out in memory: its file data, then zeros up to its virtual
// size. False when its file data does not lie in the file.
bool SectionInMemory(const Bytes& image, const PeSection& section, Bytes* memory);

// The image written anew with the file data of each slot section cut to rawSizes[index] bytes
// (rounded up to the file alignment) from slots[index], the other sections moved after them in
// their order, and every field that depends on where data lies in the file made right: the
// sections' file offsets and sizes, the size of the initialised data and the checksum.
Bytes LayOutImage(const Bytes& image, const ImageSections& layout,
                  const std::vector<const PeSection*>& slotSections,
                  const std::vector<Bytes>& slots, const std::vector<size_t>& rawSizes);

// The image checksum as the system computes it, with the checksum field taken as zero.
uint32_t ImageChecksum(const Bytes& image, size_t checksumOffset);

}  // namespace kst
