#include "TestImage.h"

#include <algorithm>

namespace kst::pecheck {
namespace {

constexpr uint32_t kFileAlignment = 0x200;
constexpr uint32_t kSectionAlignment = 0x1000;
constexpr uint32_t kHeadersSize = 0x400;
constexpr uint32_t kDirectoryCount = 16;

uint32_t AlignUp(uint32_t value, uint32_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

void PutBytes(std::vector<uint8_t>* bytes, uint32_t offset, const void* data, size_t size) {
  if (bytes->size() < offset + size) bytes->resize(offset + size);
  const auto* source = static_cast<const uint8_t*>(data);
  std::copy(source, source + size, bytes->begin() + offset);
}

// Lays out a resource tree (type, name, language) the way resource compilers do: all directory
// tables first, then the name strings, the data entries and the data.
class CResourceSectionWriter {
 public:
  CResourceSectionWriter(const std::vector<CTestResource>& resources, uint32_t sectionRva)
      : resources_(resources), sectionRva_(sectionRva) {}

  std::vector<uint8_t> Write(uint32_t* firstName, uint32_t* firstDataEntry) {
    Group();
    uint32_t next = Table(types_.size());
    std::vector<uint32_t> typeTables;
    std::vector<std::vector<uint32_t>> nameTables(types_.size());
    for (size_t t = 0; t < types_.size(); ++t) {
      typeTables.push_back(next);
      next += Table(types_[t].names.size());
    }
    for (size_t t = 0; t < types_.size(); ++t) {
      for (const CName& name : types_[t].names) {
        nameTables[t].push_back(next);
        next += Table(name.resources.size());
      }
    }
    *firstName = 0;
    auto placeString = [&](const CResourceKey& key) -> uint32_t {
      if (key.name.empty()) return key.id;
      const uint32_t at = next;
      if (*firstName == 0) *firstName = at;
      Put16(&section_, at, static_cast<uint16_t>(key.name.size()));
      for (size_t i = 0; i < key.name.size(); ++i) Put16(&section_, at + 2 + 2 * i, key.name[i]);
      next = AlignUp(at + 2 + 2 * static_cast<uint32_t>(key.name.size()), 4);
      return 0x80000000u | at;
    };
    std::vector<uint32_t> typeKeys;
    std::vector<std::vector<uint32_t>> nameKeys(types_.size());
    for (size_t t = 0; t < types_.size(); ++t) {
      typeKeys.push_back(placeString(types_[t].key));
      for (const CName& name : types_[t].names) nameKeys[t].push_back(placeString(name.key));
    }
    uint32_t dataEntries = next;
    *firstDataEntry = dataEntries;
    uint32_t data = AlignUp(dataEntries + 16 * static_cast<uint32_t>(resources_.size()), 4);

    WriteTable(0, types_.size());
    for (size_t t = 0; t < types_.size(); ++t) {
      PutEntry(0, t, typeKeys[t], 0x80000000u | typeTables[t]);
      WriteTable(typeTables[t], types_[t].names.size());
      for (size_t n = 0; n < types_[t].names.size(); ++n) {
        const CName& name = types_[t].names[n];
        PutEntry(typeTables[t], n, nameKeys[t][n], 0x80000000u | nameTables[t][n]);
        WriteTable(nameTables[t][n], name.resources.size());
        for (size_t l = 0; l < name.resources.size(); ++l) {
          const CTestResource& resource = resources_[name.resources[l]];
          PutEntry(nameTables[t][n], l, resource.language, dataEntries);
          Put32(&section_, dataEntries, sectionRva_ + data);
          Put32(&section_, dataEntries + 4, static_cast<uint32_t>(resource.data.size()));
          PutBytes(&section_, data, resource.data.data(), resource.data.size());
          dataEntries += 16;
          data = AlignUp(data + static_cast<uint32_t>(resource.data.size()), 4);
        }
      }
    }
    section_.resize(AlignUp(std::max<uint32_t>(data, 1), kFileAlignment));
    return section_;
  }

 private:
  struct CName {
    CResourceKey key;
    std::vector<size_t> resources;
  };
  struct CType {
    CResourceKey key;
    std::vector<CName> names;
  };

  void Group() {
    for (size_t i = 0; i < resources_.size(); ++i) {
      const CTestResource& resource = resources_[i];
      CType* type = nullptr;
      for (CType& known : types_) {
        if (known.key.Matches(resource.type)) type = &known;
      }
      if (!type) type = &types_.emplace_back(CType{resource.type, {}});
      CName* name = nullptr;
      for (CName& known : type->names) {
        if (known.key.Matches(resource.name)) name = &known;
      }
      if (!name) name = &type->names.emplace_back(CName{resource.name, {}});
      name->resources.push_back(i);
    }
  }

  static uint32_t Table(size_t entries) { return 16 + 8 * static_cast<uint32_t>(entries); }

  void WriteTable(uint32_t at, size_t entries) {
    if (section_.size() < at + Table(entries)) section_.resize(at + Table(entries));
    Put16(&section_, at + 14, static_cast<uint16_t>(entries));  // all counted as id entries
  }

  void PutEntry(uint32_t table, size_t index, uint32_t key, uint32_t target) {
    const uint32_t entry = table + 16 + 8 * static_cast<uint32_t>(index);
    Put32(&section_, entry, key);
    Put32(&section_, entry + 4, target);
  }

  const std::vector<CTestResource>& resources_;
  const uint32_t sectionRva_;
  std::vector<CType> types_;
  std::vector<uint8_t> section_;
};

}  // namespace

void Put16(std::vector<uint8_t>* bytes, uint32_t offset, uint16_t value) {
  const uint8_t data[2] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
  PutBytes(bytes, offset, data, 2);
}

void Put32(std::vector<uint8_t>* bytes, uint32_t offset, uint32_t value) {
  Put16(bytes, offset, static_cast<uint16_t>(value));
  Put16(bytes, offset + 2, static_cast<uint16_t>(value >> 16));
}

CTestImage BuildTestImage(const CTestImageSpec& layout) {
  CTestImage image;
  std::vector<uint8_t>& bytes = image.bytes;
  bytes.assign(kHeadersSize, 0);
  bytes[0] = 'M';
  bytes[1] = 'Z';
  image.peOffset = 0x80;
  Put32(&bytes, 0x3C, image.peOffset);
  PutBytes(&bytes, image.peOffset, "PE\0\0", 4);
  const uint32_t coff = image.peOffset + 4;
  const uint16_t optionalSize = layout.pe32Plus ? 240 : 224;
  Put16(&bytes, coff, layout.machine);
  Put16(&bytes, coff + 2, 2);
  Put16(&bytes, coff + 16, optionalSize);
  Put16(&bytes, coff + 18, 0x0102);  // executable, 32-bit words

  const uint32_t optional = image.optionalHeader = coff + 20;
  Put16(&bytes, optional, layout.pe32Plus ? 0x20B : 0x10B);
  if (layout.pe32Plus) {
    Put32(&bytes, optional + 24, 0x40000000);
    Put32(&bytes, optional + 28, 0x1);  // image base 0x140000000
  } else {
    Put32(&bytes, optional + 28, 0x400000);
  }
  Put32(&bytes, optional + 32, kSectionAlignment);
  Put32(&bytes, optional + 36, kFileAlignment);
  Put16(&bytes, optional + 48, layout.majorSubsystemVersion);
  Put16(&bytes, optional + 50, layout.minorSubsystemVersion);
  Put32(&bytes, optional + 60, kHeadersSize);
  Put16(&bytes, optional + 68, layout.subsystem);
  const uint32_t directoryStart = layout.pe32Plus ? 112 : 96;
  Put32(&bytes, optional + directoryStart - 4, kDirectoryCount);
  image.dataDirectories = optional + directoryStart;
  image.sectionTable = optional + optionalSize;

  // .idata: import descriptors, delay-import descriptors, then the DLL names.
  std::vector<uint8_t> idata;
  const uint32_t idataRva = kSectionAlignment;
  const uint32_t importSize = 20 * static_cast<uint32_t>(layout.imports.size() + 1);
  const uint32_t delaySize = 32 * static_cast<uint32_t>(layout.delayImports.size() + 1);
  idata.resize(importSize + delaySize);
  for (size_t i = 0; i < layout.imports.size() + layout.delayImports.size(); ++i) {
    const bool delayed = i >= layout.imports.size();
    const std::string& name =
        delayed ? layout.delayImports[i - layout.imports.size()] : layout.imports[i];
    const uint32_t nameRva = idataRva + static_cast<uint32_t>(idata.size());
    PutBytes(&idata, static_cast<uint32_t>(idata.size()), name.c_str(), name.size() + 1);
    if (delayed) {
      const uint32_t descriptor = importSize + 32 * static_cast<uint32_t>(i - layout.imports.size());
      Put32(&idata, descriptor, 1);  // RVAs, not addresses
      Put32(&idata, descriptor + 4, nameRva);
    } else {
      Put32(&idata, 20 * static_cast<uint32_t>(i) + 12, nameRva);
    }
  }
  idata.resize(AlignUp(static_cast<uint32_t>(idata.size()), kFileAlignment));
  if (!layout.imports.empty()) {
    Put32(&bytes, image.dataDirectories + 8 * 1, idataRva);
    Put32(&bytes, image.dataDirectories + 8 * 1 + 4, importSize);
  }
  if (!layout.delayImports.empty()) {
    Put32(&bytes, image.dataDirectories + 8 * 13, idataRva + importSize);
    Put32(&bytes, image.dataDirectories + 8 * 13 + 4, delaySize);
  }

  const uint32_t rsrcRva =
      idataRva + AlignUp(static_cast<uint32_t>(idata.size()), kSectionAlignment);
  uint32_t firstName = 0;
  uint32_t firstDataEntry = 0;
  std::vector<uint8_t> rsrc =
      CResourceSectionWriter(layout.resources, rsrcRva).Write(&firstName, &firstDataEntry);
  if (!layout.resources.empty()) {
    Put32(&bytes, image.dataDirectories + 8 * 2, rsrcRva);
    Put32(&bytes, image.dataDirectories + 8 * 2 + 4, static_cast<uint32_t>(rsrc.size()));
  }

  struct {
    const char* name;
    uint32_t rva;
    const std::vector<uint8_t>& data;
  } sections[] = {{".idata", idataRva, idata}, {".rsrc", rsrcRva, rsrc}};
  uint32_t fileOffset = kHeadersSize;
  for (size_t i = 0; i < 2; ++i) {
    const uint32_t header = image.sectionTable + 40 * static_cast<uint32_t>(i);
    PutBytes(&bytes, header, sections[i].name, std::string(sections[i].name).size());
    Put32(&bytes, header + 8, static_cast<uint32_t>(sections[i].data.size()));
    Put32(&bytes, header + 12, sections[i].rva);
    Put32(&bytes, header + 16, static_cast<uint32_t>(sections[i].data.size()));
    Put32(&bytes, header + 20, fileOffset);
    PutBytes(&bytes, fileOffset, sections[i].data.data(), sections[i].data.size());
    fileOffset += static_cast<uint32_t>(sections[i].data.size());
  }
  Put32(&bytes, optional + 56,
        rsrcRva + AlignUp(static_cast<uint32_t>(rsrc.size()), kSectionAlignment));

  image.importSection = kHeadersSize;
  image.importSectionRva = idataRva;
  image.importSectionSize = static_cast<uint32_t>(idata.size());
  image.importDescriptors = kHeadersSize;
  image.delayDescriptors = kHeadersSize + importSize;
  image.dllNames = kHeadersSize + importSize + delaySize;
  image.resourceSection = kHeadersSize + static_cast<uint32_t>(idata.size());
  image.resourceSectionRva = rsrcRva;
  image.resourceSectionSize = static_cast<uint32_t>(rsrc.size());
  image.firstResourceName = firstName ? image.resourceSection + firstName : 0;
  image.firstDataEntry = image.resourceSection + firstDataEntry;
  return image;
}

}  // namespace kst::pecheck
