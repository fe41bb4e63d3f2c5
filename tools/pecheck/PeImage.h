// Reads what the checks of a Windows executable need from a PE file: the headers, the imported
// DLLs and the resource tree. Every offset is checked against the file before it is followed, so
// a damaged file gives an error message, never a crash or a read outside the file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kst::pecheck {

constexpr uint16_t kMachineI386 = 0x14C;
constexpr uint16_t kMachineAmd64 = 0x8664;
constexpr uint16_t kSubsystemWindowsGui = 2;

constexpr uint16_t kResourceIcon = 3;
constexpr uint16_t kResourceDialog = 5;
constexpr uint16_t kResourceString = 6;
constexpr uint16_t kResourceGroupIcon = 14;
constexpr uint16_t kResourceManifest = 24;

// A resource type or name: a number, or a string compared without regard to ASCII case, as
// FindResource does.
struct CResourceKey {
  uint16_t id = 0;
  std::u16string name;  // a named key when not empty

  static CResourceKey Id(uint16_t id);
  static CResourceKey Name(const std::string& ascii);
  bool Matches(const CResourceKey& other) const;
  std::string ToString() const;
};

struct CResource {
  CResourceKey type;
  CResourceKey name;
  uint16_t language = 0;
  uint32_t fileOffset = 0;  // the data, known to lie inside the file
  uint32_t size = 0;
};

class CPeImage {
 public:
  // Reads the headers, the section table, the import and delay-import directories and the whole
  // resource tree. False, with the reason in `error`, for anything malformed.
  bool Parse(std::vector<uint8_t> file, std::string* error);

  uint16_t Machine() const { return machine_; }
  bool IsPe32Plus() const { return pe32Plus_; }
  uint16_t Subsystem() const { return subsystem_; }
  uint16_t MajorSubsystemVersion() const { return majorSubsystemVersion_; }
  uint16_t MinorSubsystemVersion() const { return minorSubsystemVersion_; }

  // DLL names as written in the file, in directory order.
  const std::vector<std::string>& ImportedDlls() const { return importedDlls_; }
  const std::vector<std::string>& DelayImportedDlls() const { return delayImportedDlls_; }

  const std::vector<CResource>& Resources() const { return resources_; }
  // The first resource of that type and name in any language, or null.
  const CResource* FindResource(const CResourceKey& type, const CResourceKey& name) const;
  std::vector<uint8_t> Data(const CResource& resource) const;

 private:
  struct CSection {
    uint32_t virtualAddress;
    uint32_t rawSize;
    uint32_t rawOffset;
  };
  struct CDirectory {
    uint32_t rva = 0;
    uint32_t size = 0;
  };

  bool ParseHeaders(std::string* error);
  bool ParseImports(const CDirectory& directory, std::string* error);
  bool ParseDelayImports(const CDirectory& directory, std::string* error);
  bool ParseResources(const CDirectory& directory, std::string* error);
  bool ParseResourceDirectory(uint32_t root, uint32_t offset, int level, CResource* path,
                              std::string* error);
  bool ReadResourceName(uint32_t root, uint32_t offset, std::u16string* name, std::string* error);

  // The file offset of `size` bytes at `rva`, all inside one section's raw data.
  bool Map(uint32_t rva, uint32_t size, uint32_t* offset) const;
  bool ReadName(uint32_t rva, std::string* name) const;
  bool Has(uint64_t offset, uint64_t size) const;
  uint16_t U16(uint32_t offset) const;
  uint32_t U32(uint32_t offset) const;
  uint64_t U64(uint32_t offset) const;

  std::vector<uint8_t> file_;
  uint16_t machine_ = 0;
  bool pe32Plus_ = false;
  uint64_t imageBase_ = 0;
  uint16_t subsystem_ = 0;
  uint16_t majorSubsystemVersion_ = 0;
  uint16_t minorSubsystemVersion_ = 0;
  std::vector<CDirectory> directories_;
  std::vector<CSection> sections_;
  std::vector<std::string> importedDlls_;
  std::vector<std::string> delayImportedDlls_;
  std::vector<CResource> resources_;
  uint32_t resourceEntriesSeen_ = 0;
};

// Reads and parses a file; false with the reason for a missing, unreadable or malformed file.
bool LoadPeFile(const std::string& path, CPeImage* image, std::string* error);

}  // namespace kst::pecheck
