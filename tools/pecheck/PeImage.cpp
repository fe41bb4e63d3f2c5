#include "PeImage.h"

#include <cstdio>
#include <fstream>
#include <iterator>

namespace kst::pecheck {
namespace {

constexpr uint32_t kDosHeaderSize = 64;
constexpr uint32_t kCoffHeaderSize = 20;
constexpr uint32_t kSectionHeaderSize = 40;
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr size_t kImportDirectory = 1;
constexpr size_t kResourceDirectory = 2;
constexpr size_t kDelayImportDirectory = 13;
constexpr uint32_t kImportDescriptorSize = 20;
constexpr uint32_t kDelayDescriptorSize = 32;
constexpr uint32_t kMaxDescriptors = 4096;
constexpr uint32_t kMaxNameLength = 512;
constexpr uint32_t kHighBit = 0x80000000u;
// Shared subdirectories could make a small tree enormous; no real program comes near this.
constexpr uint32_t kMaxResourceEntries = 100000;

std::string Hex(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
  return text;
}

char16_t FoldAscii(char16_t c) { return c >= u'a' && c <= u'z' ? c - u'a' + u'A' : c; }

}  // namespace

CResourceKey CResourceKey::Id(uint16_t id) {
  CResourceKey key;
  key.id = id;
  return key;
}

CResourceKey CResourceKey::Name(const std::string& ascii) {
  CResourceKey key;
  key.name.assign(ascii.begin(), ascii.end());
  return key;
}

bool CResourceKey::Matches(const CResourceKey& other) const {
  if (name.empty() || other.name.empty())
    return name.empty() && other.name.empty() && id == other.id;
  if (name.size() != other.name.size()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    if (FoldAscii(name[i]) != FoldAscii(other.name[i])) return false;
  }
  return true;
}

std::string CResourceKey::ToString() const {
  if (name.empty()) return std::to_string(id);
  std::string text = "\"";
  for (char16_t c : name) text += c < 0x80 ? static_cast<char>(c) : '?';
  return text + "\"";
}

bool CPeImage::Parse(std::vector<uint8_t> file, std::string* error) {
  *this = CPeImage();
  file_ = std::move(file);
  if (!ParseHeaders(error)) return false;
  auto directory = [this](size_t index) {
    return index < directories_.size() ? directories_[index] : CDirectory();
  };
  return ParseImports(directory(kImportDirectory), error) &&
         ParseDelayImports(directory(kDelayImportDirectory), error) &&
         ParseResources(directory(kResourceDirectory), error);
}

bool CPeImage::ParseHeaders(std::string* error) {
  if (!Has(0, kDosHeaderSize)) {
    *error = "file too short for a DOS header (" + std::to_string(file_.size()) + " bytes)";
    return false;
  }
  if (file_[0] != 'M' || file_[1] != 'Z') {
    *error = "no MZ signature";
    return false;
  }
  const uint32_t peOffset = U32(0x3C);
  if (!Has(peOffset, 4 + kCoffHeaderSize)) {
    *error = "PE header offset " + Hex(peOffset) + " lies outside the file";
    return false;
  }
  if (U32(peOffset) != 0x00004550) {
    *error = "no PE signature at " + Hex(peOffset);
    return false;
  }
  const uint32_t coff = peOffset + 4;
  machine_ = U16(coff);
  const uint16_t sectionCount = U16(coff + 2);
  const uint16_t optionalSize = U16(coff + 16);
  const uint32_t optional = coff + kCoffHeaderSize;
  if (!Has(optional, optionalSize) || optionalSize < 2) {
    *error = "optional header (" + std::to_string(optionalSize) + " bytes) runs past the file";
    return false;
  }
  const uint16_t magic = U16(optional);
  if (magic != kPe32Magic && magic != kPe32PlusMagic) {
    *error = "unknown optional header magic " + Hex(magic);
    return false;
  }
  pe32Plus_ = magic == kPe32PlusMagic;
  const uint32_t directoryStart = pe32Plus_ ? 112 : 96;
  if (optionalSize < directoryStart) {
    *error = "optional header too short: " + std::to_string(optionalSize) + " bytes";
    return false;
  }
  imageBase_ = pe32Plus_ ? U64(optional + 24) : U32(optional + 28);
  subsystem_ = U16(optional + 68);
  majorSubsystemVersion_ = U16(optional + 48);
  minorSubsystemVersion_ = U16(optional + 50);
  const uint32_t directoryCount = U32(optional + directoryStart - 4);
  if (directoryCount > (optionalSize - directoryStart) / 8u) {
    *error = std::to_string(directoryCount) + " data directories do not fit the optional header";
    return false;
  }
  for (uint32_t i = 0; i < directoryCount; ++i) {
    const uint32_t entry = optional + directoryStart + 8 * i;
    directories_.push_back({U32(entry), U32(entry + 4)});
  }

  const uint32_t sectionTable = optional + optionalSize;
  if (!Has(sectionTable, uint64_t{sectionCount} * kSectionHeaderSize)) {
    *error = "section table (" + std::to_string(sectionCount) + " sections) runs past the file";
    return false;
  }
  for (uint16_t i = 0; i < sectionCount; ++i) {
    const uint32_t header = sectionTable + i * kSectionHeaderSize;
    CSection section{U32(header + 12), U32(header + 16), U32(header + 20)};
    if (section.rawSize != 0 && !Has(section.rawOffset, section.rawSize)) {
      *error = "raw data of section " + std::to_string(i) + " lies outside the file";
      return false;
    }
    sections_.push_back(section);
  }
  return true;
}

bool CPeImage::ParseImports(const CDirectory& directory, std::string* error) {
  if (directory.rva == 0) return true;
  for (uint32_t i = 0;; ++i) {
    uint32_t descriptor = 0;
    if (i == kMaxDescriptors ||
        !Map(directory.rva + i * kImportDescriptorSize, kImportDescriptorSize, &descriptor)) {
      *error = "import directory at " + Hex(directory.rva) + " has no end inside its section";
      return false;
    }
    const uint32_t nameRva = U32(descriptor + 12);
    if (nameRva == 0) return true;
    std::string name;
    if (!ReadName(nameRva, &name)) {
      *error = "import " + std::to_string(i) + " has no readable DLL name at " + Hex(nameRva);
      return false;
    }
    importedDlls_.push_back(name);
  }
}

bool CPeImage::ParseDelayImports(const CDirectory& directory, std::string* error) {
  if (directory.rva == 0) return true;
  for (uint32_t i = 0;; ++i) {
    uint32_t descriptor = 0;
    if (i == kMaxDescriptors ||
        !Map(directory.rva + i * kDelayDescriptorSize, kDelayDescriptorSize, &descriptor)) {
      *error = "delay-import directory at " + Hex(directory.rva) + " has no end inside its section";
      return false;
    }
    uint64_t name = U32(descriptor + 4);
    if (name == 0) return true;
    // Old linkers wrote addresses instead of RVAs and said so by clearing bit 0 of the attributes.
    if ((U32(descriptor) & 1) == 0) name = name >= imageBase_ ? name - imageBase_ : UINT64_MAX;
    std::string dll;
    if (name > UINT32_MAX || !ReadName(static_cast<uint32_t>(name), &dll)) {
      *error = "delay import " + std::to_string(i) + " has no readable DLL name";
      return false;
    }
    delayImportedDlls_.push_back(dll);
  }
}

bool CPeImage::ParseResources(const CDirectory& directory, std::string* error) {
  if (directory.rva == 0) return true;
  CResource path;
  return ParseResourceDirectory(directory.rva, 0, 0, &path, error);
}

// Levels: 0 type, 1 name, 2 language; offsets are relative to the resource directory's start.
bool CPeImage::ParseResourceDirectory(uint32_t root, uint32_t offset, int level, CResource* path,
                                      std::string* error) {
  uint32_t table = 0;
  if (offset & kHighBit || !Map(root + offset, 16, &table)) {
    *error = "resource directory at " + Hex(offset) + " lies outside the resource section";
    return false;
  }
  const uint32_t entryCount = uint32_t{U16(table + 12)} + U16(table + 14);
  uint32_t entries = 0;
  if (!Map(root + offset + 16, entryCount * 8, &entries)) {
    *error = "the " + std::to_string(entryCount) + " entries of resource directory " + Hex(offset) +
             " run past the resource section";
    return false;
  }
  for (uint32_t i = 0; i < entryCount; ++i) {
    if (++resourceEntriesSeen_ > kMaxResourceEntries) {
      *error = "resource tree has more than " + std::to_string(kMaxResourceEntries) + " entries";
      return false;
    }
    const uint32_t nameField = U32(entries + 8 * i);
    const uint32_t target = U32(entries + 8 * i + 4);
    CResourceKey key;
    if (nameField & kHighBit) {
      if (!ReadResourceName(root, nameField & ~kHighBit, &key.name, error)) return false;
    } else if (nameField > 0xFFFF) {
      *error = "resource id " + Hex(nameField) + " does not fit 16 bits";
      return false;
    } else {
      key.id = static_cast<uint16_t>(nameField);
    }

    if (level < 2) {
      if (!(target & kHighBit)) {
        *error = "resource tree ends above the language level";
        return false;
      }
      (level == 0 ? path->type : path->name) = key;
      if (!ParseResourceDirectory(root, target & ~kHighBit, level + 1, path, error)) return false;
      continue;
    }
    if (target & kHighBit || !key.name.empty()) {
      *error = "resource " + path->type.ToString() + "/" + path->name.ToString() +
               " has a directory or a name where its language belongs";
      return false;
    }
    uint32_t dataEntry = 0;
    if (!Map(root + target, 16, &dataEntry)) {
      *error = "data entry of resource " + path->type.ToString() + "/" + path->name.ToString() +
               " lies outside the resource section";
      return false;
    }
    CResource resource = *path;
    resource.language = key.id;
    resource.size = U32(dataEntry + 4);
    if (!Map(U32(dataEntry), resource.size, &resource.fileOffset)) {
      *error = "data of resource " + path->type.ToString() + "/" + path->name.ToString() +
               " lies outside the file's sections";
      return false;
    }
    resources_.push_back(resource);
  }
  return true;
}

bool CPeImage::ReadResourceName(uint32_t root, uint32_t offset, std::u16string* name,
                                std::string* error) {
  uint32_t start = 0;
  uint32_t characters = 0;
  if (Map(root + offset, 2, &start) && (Map(root + offset + 2, U16(start) * 2u, &characters))) {
    for (uint16_t i = 0; i < U16(start); ++i) name->push_back(U16(characters + 2 * i));
    if (!name->empty()) return true;
  }
  *error = "resource name at " + Hex(offset) + " is empty or runs past the resource section";
  return false;
}

const CResource* CPeImage::FindResource(const CResourceKey& type, const CResourceKey& name) const {
  for (const CResource& resource : resources_) {
    if (resource.type.Matches(type) && resource.name.Matches(name)) return &resource;
  }
  return nullptr;
}

std::vector<uint8_t> CPeImage::Data(const CResource& resource) const {
  if (!Has(resource.fileOffset, resource.size)) return {};
  return std::vector<uint8_t>(file_.begin() + resource.fileOffset,
                              file_.begin() + resource.fileOffset + resource.size);
}

bool CPeImage::Map(uint32_t rva, uint32_t size, uint32_t* offset) const {
  for (const CSection& section : sections_) {
    if (rva < section.virtualAddress) continue;
    const uint64_t start = uint64_t{rva} - section.virtualAddress;
    if (start + size > section.rawSize) continue;
    *offset = static_cast<uint32_t>(section.rawOffset + start);
    return true;
  }
  return false;
}

bool CPeImage::ReadName(uint32_t rva, std::string* name) const {
  name->clear();
  for (uint32_t i = 0; i < kMaxNameLength; ++i) {
    uint32_t offset = 0;
    if (rva + i < rva || !Map(rva + i, 1, &offset)) return false;
    if (file_[offset] == 0) return !name->empty();
    name->push_back(static_cast<char>(file_[offset]));
  }
  return false;
}

bool CPeImage::Has(uint64_t offset, uint64_t size) const {
  return offset <= file_.size() && size <= file_.size() - offset;
}

uint16_t CPeImage::U16(uint32_t offset) const {
  return static_cast<uint16_t>(file_[offset] | file_[offset + 1] << 8);
}

uint32_t CPeImage::U32(uint32_t offset) const {
  return U16(offset) | static_cast<uint32_t>(U16(offset + 2)) << 16;
}

uint64_t CPeImage::U64(uint32_t offset) const {
  return U32(offset) | static_cast<uint64_t>(U32(offset + 4)) << 32;
}

bool LoadPeFile(const std::string& path, CPeImage* image, std::string* error) {
  std::ifstream stream(path, std::ios::binary);
  if (!stream) {
    *error = "cannot open " + path;
    return false;
  }
  std::vector<uint8_t> file((std::istreambuf_iterator<char>(stream)),
                            std::istreambuf_iterator<char>());
  if (stream.bad()) {
    *error = "cannot read " + path;
    return false;
  }
  if (!image->Parse(std::move(file), error)) {
    *error = path + ": " + *error;
    return false;
  }
  return true;
}

}  // namespace kst::pecheck
