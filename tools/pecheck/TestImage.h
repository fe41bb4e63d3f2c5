// Builds small PE images in memory for the reader's tests: headers, one section with import and
// delay-import tables and one with a resource tree, laid out the way linkers do.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "PeImage.h"

namespace kst::pecheck {

struct CTestResource {
  CResourceKey type;
  CResourceKey name;
  uint16_t language = 0;
  std::vector<uint8_t> data;
};

struct CTestImageSpec {
  bool pe32Plus = false;
  uint16_t machine = kMachineI386;
  uint16_t subsystem = kSubsystemWindowsGui;
  uint16_t majorSubsystemVersion = 5;
  uint16_t minorSubsystemVersion = 1;
  std::vector<std::string> imports;
  std::vector<std::string> delayImports;
  std::vector<CTestResource> resources;
};

// The image and the file offsets of the parts that tests damage.
struct CTestImage {
  std::vector<uint8_t> bytes;
  uint32_t peOffset = 0;
  uint32_t optionalHeader = 0;
  uint32_t dataDirectories = 0;  // 16 entries of RVA and size
  uint32_t sectionTable = 0;     // .idata, then .rsrc
  uint32_t importSection = 0;
  uint32_t importSectionRva = 0;
  uint32_t importSectionSize = 0;
  uint32_t importDescriptors = 0;
  uint32_t delayDescriptors = 0;
  uint32_t dllNames = 0;  // the first DLL name; the others follow it up to the section's end
  uint32_t resourceSection = 0;
  uint32_t resourceSectionRva = 0;
  uint32_t resourceSectionSize = 0;
  uint32_t firstResourceName = 0;  // the length word of the first named key, 0 when none
  uint32_t firstDataEntry = 0;
};

CTestImage BuildTestImage(const CTestImageSpec& layout);

void Put16(std::vector<uint8_t>* bytes, uint32_t offset, uint16_t value);
void Put32(std::vector<uint8_t>* bytes, uint32_t offset, uint32_t value);

}  // namespace kst::pecheck
