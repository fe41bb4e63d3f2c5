#include "tools/packer/ImageSections.h"

#include <string.h>

#include <algorithm>

#include "install/ImageLayout.h"

namespace kst {
namespace {

constexpr uint32_t kInitializedData = 0x00000040;

void Write32(Bytes& image, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) image[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

size_t AlignUp(size_t value, uint32_t alignment) {
  return alignment == 0 ? value : (value + alignment - 1) / alignment * alignment;
}

}  // namespace

std::string SlotSectionName(size_t index) { return ".kslot" + std::to_string(index); }

bool ReadImageSections(const Bytes& image, ImageSections* out) {
  PeHeaders headers;
  // SizeOfInitializedData, FileAlignment and CheckSum lie at the same places in PE32 and PE32+.
  if (!ReadPeHeaders(image.data(), image.size(), headers) || headers.optionalHeaderSize < 68 ||
      !ReadField32(image.data(), image.size(), headers.optionalHeader + 36, out->fileAlignment))
    return false;
  out->checksumOffset = headers.optionalHeader + 64;
  out->initializedDataOffset = headers.optionalHeader + 8;
  out->sections.clear();
  for (uint32_t i = 0; i < headers.sectionCount; ++i) {
    out->sections.push_back(ReadPeSection(image.data(), image.size(), headers, i));
  }
  return true;
}

const PeSection* FindSection(const ImageSections& layout, const std::string& name) {
  for (const PeSection& section : layout.sections)
    if (name.compare(0, std::string::npos, section.name,
                     strnlen(section.name, sizeof(section.name))) == 0)
      return &section;
  return nullptr;
}

bool SectionInMemory(const Bytes& image, const PeSection& section, Bytes* memory) {
  if (section.rawOffset > image.size() || image.size() - section.rawOffset < section.rawSize)
    return false;
  const size_t held = std::min<size_t>(section.rawSize, section.virtualSize);
  memory->assign(image.begin() + section.rawOffset, image.begin() + section.rawOffset + held);
  memory->resize(section.virtualSize, 0);
  return true;
}

Bytes LayOutImage(const Bytes& image, const ImageSections& layout,
                  const std::vector<const PeSection*>& slotSections,
                  const std::vector<Bytes>& slots, const std::vector<size_t>& rawSizes) {
  std::vector<const PeSection*> order;
  size_t dataStart = image.size();
  size_t dataEnd = 0;
  for (const PeSection& section : layout.sections) {
    if (section.rawSize == 0) continue;
    order.push_back(&section);
    dataStart = std::min<size_t>(dataStart, section.rawOffset);
    dataEnd = std::max<size_t>(dataEnd, size_t{section.rawOffset} + section.rawSize);
  }
  std::sort(order.begin(), order.end(),
            [](const PeSection* a, const PeSection* b) { return a->rawOffset < b->rawOffset; });
  Bytes out(image.begin(), image.begin() + std::min(dataStart, image.size()));
  uint32_t initializedData = 0;
  for (const PeSection* section : order) {
    out.resize(AlignUp(out.size(), layout.fileAlignment), 0);
    const uint32_t rawOffset = static_cast<uint32_t>(out.size());
    uint32_t characteristics = section->characteristics;
    auto slot = std::find(slotSections.begin(), slotSections.end(), section);
    if (slot != slotSections.end()) {
      const size_t index = static_cast<size_t>(slot - slotSections.begin());
      const Bytes& data = slots[index];
      const size_t rawSize = std::min(AlignUp(rawSizes[index], layout.fileAlignment), data.size());
      out.insert(out.end(), data.begin(), data.begin() + rawSize);
      out.resize(AlignUp(out.size(), layout.fileAlignment), 0);
      Write32(out, section->headerOffset + 36, kSlotCharacteristics);
      characteristics = kSlotCharacteristics;
    } else {
      out.insert(out.end(), image.begin() + section->rawOffset,
                 image.begin() + section->rawOffset + section->rawSize);
    }
    const uint32_t rawSize = static_cast<uint32_t>(out.size()) - rawOffset;
    Write32(out, section->headerOffset + 16, rawSize);
    Write32(out, section->headerOffset + 20, rawOffset);
    if (characteristics & kInitializedData) initializedData += rawSize;
  }
  // Whatever follows the sections' data in the file comes along behind them.
  if (dataEnd < image.size()) out.insert(out.end(), image.begin() + dataEnd, image.end());
  Write32(out, layout.initializedDataOffset, initializedData);
  Write32(out, layout.checksumOffset, ImageChecksum(out, layout.checksumOffset));
  return out;
}

uint32_t ImageChecksum(const Bytes& image, size_t checksumOffset) {
  uint64_t sum = 0;
  for (size_t at = 0; at < image.size(); at += 2) {
    if (at == checksumOffset || at == checksumOffset + 2) continue;
    uint32_t word = image[at];
    if (at + 1 < image.size()) word |= static_cast<uint32_t>(image[at + 1]) << 8;
    sum += word;
    sum = (sum & 0xffff) + (sum >> 16);
  }
  sum = (sum & 0xffff) + (sum >> 16);
  return static_cast<uint32_t>(sum + image.size());
}

}  // namespace kst
