#include "tools/packer/ImageSections.h"

#include <string.h>

#include <algorithm>

namespace kst {
namespace {

constexpr uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr size_t kFileHeaderSize = 20;
constexpr size_t kSectionHeaderSize = 40;
constexpr uint32_t kInitializedData = 0x00000040;

bool Read32(const Bytes& image, size_t at, uint32_t& value) {
  if (at > image.size() || image.size() - at < 4) return false;
  value = static_cast<uint32_t>(image[at]) | static_cast<uint32_t>(image[at + 1]) << 8 |
          static_cast<uint32_t>(image[at + 2]) << 16 | static_cast<uint32_t>(image[at + 3]) << 24;
  return true;
}

bool Read16(const Bytes& image, size_t at, uint32_t& value) {
  if (at > image.size() || image.size() - at < 2) return false;
  value = static_cast<uint32_t>(image[at]) | static_cast<uint32_t>(image[at + 1]) << 8;
  return true;
}

void Write32(Bytes& image, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) image[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

size_t AlignUp(size_t value, uint32_t alignment) {
  return alignment == 0 ? value : (value + alignment - 1) / alignment * alignment;
}

}  // namespace

std::string SlotSectionName(size_t index) { return ".kslot" + std::to_string(index); }

bool ReadImageSections(const Bytes& image, ImageSections* out) {
  uint32_t headers = 0;
  uint32_t signature = 0;
  uint32_t count = 0;
  uint32_t optionalSize = 0;
  if (image.size() < 2 || image[0] != 'M' || image[1] != 'Z' || !Read32(image, 0x3c, headers) ||
      !Read32(image, headers, signature) || signature != kPeSignature ||
      !Read16(image, size_t{headers} + 6, count) ||
      !Read16(image, size_t{headers} + 20, optionalSize))
    return false;
  const size_t optional = size_t{headers} + 4 + kFileHeaderSize;
  const size_t table = optional + optionalSize;
  // SizeOfInitializedData, FileAlignment and CheckSum lie at the same places in PE32 and PE32+.
  if (optionalSize < 68 || table > image.size() ||
      count > (image.size() - table) / kSectionHeaderSize ||
      !Read32(image, optional + 36, out->fileAlignment))
    return false;
  out->checksumOffset = optional + 64;
  out->initializedDataOffset = optional + 8;
  out->sections.clear();
  for (uint32_t i = 0; i < count; ++i) {
    const size_t at = table + i * kSectionHeaderSize;
    ImageSection section;
    const char* name = reinterpret_cast<const char*>(image.data() + at);
    section.name.assign(name, strnlen(name, 8));
    Read32(image, at + 8, section.virtualSize);
    Read32(image, at + 12, section.virtualAddress);
    Read32(image, at + 16, section.rawSize);
    Read32(image, at + 20, section.rawOffset);
    Read32(image, at + 36, section.characteristics);
    section.headerOffset = at;
    out->sections.push_back(section);
  }
  return true;
}

const ImageSection* FindSection(const ImageSections& layout, const std::string& name) {
  for (const ImageSection& section : layout.sections)
    if (section.name == name) return &section;
  return nullptr;
}

bool SectionInMemory(const Bytes& image, const ImageSection& section, Bytes* memory) {
  if (section.rawOffset > image.size() || image.size() - section.rawOffset < section.rawSize)
    return false;
  const size_t held = std::min<size_t>(section.rawSize, section.virtualSize);
  memory->assign(image.begin() + section.rawOffset, image.begin() + section.rawOffset + held);
  memory->resize(section.virtualSize, 0);
  return true;
}

Bytes LayOutImage(const Bytes& image, const ImageSections& layout,
                  const std::vector<const ImageSection*>& slotSections,
                  const std::vector<Bytes>& slots, const std::vector<size_t>& rawSizes) {
  std::vector<const ImageSection*> order;
  size_t dataStart = image.size();
  size_t dataEnd = 0;
  for (const ImageSection& section : layout.sections) {
    if (section.rawSize == 0) continue;
    order.push_back(&section);
    dataStart = std::min<size_t>(dataStart, section.rawOffset);
    dataEnd = std::max<size_t>(dataEnd, size_t{section.rawOffset} + section.rawSize);
  }
  std::sort(order.begin(), order.end(), [](const ImageSection* a, const ImageSection* b) {
    return a->rawOffset < b->rawOffset;
  });
  Bytes out(image.begin(), image.begin() + std::min(dataStart, image.size()));
  uint32_t initializedData = 0;
  for (const ImageSection* section : order) {
    out.resize(AlignUp(out.size(), layout.fileAlignment), 0);
    const uint32_t rawOffset = static_cast<uint32_t>(out.size());
    auto slot = std::find(slotSections.begin(), slotSections.end(), section);
    if (slot != slotSections.end()) {
      const size_t index = static_cast<size_t>(slot - slotSections.begin());
      const Bytes& data = slots[index];
      const size_t rawSize = std::min(AlignUp(rawSizes[index], layout.fileAlignment), data.size());
      out.insert(out.end(), data.begin(), data.begin() + rawSize);
      out.resize(AlignUp(out.size(), layout.fileAlignment), 0);
      Write32(out, section->headerOffset + 36, kSlotCharacteristics);
    } else {
      out.insert(out.end(), image.begin() + section->rawOffset,
                 image.begin() + section->rawOffset + section->rawSize);
    }
    const uint32_t rawSize = static_cast<uint32_t>(out.size()) - rawOffset;
    Write32(out, section->headerOffset + 16, rawSize);
    Write32(out, section->headerOffset + 20, rawOffset);
    uint32_t characteristics = 0;
    Read32(out, section->headerOffset + 36, characteristics);
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
