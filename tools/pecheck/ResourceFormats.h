// The formats inside the resources that the checks look at: string tables, icon groups, PNG
// headers and the manifest's XML. Like the PE reader, each reports malformed data as an error.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "PeImage.h"

namespace kst::pecheck {

// Entry `index` (0..15) of a string table block: sixteen UTF-16 strings, each after its length.
bool ReadStringTableEntry(const std::vector<uint8_t>& block, unsigned index, std::u16string* text,
                          std::string* error);
// String `id` of the image, from block id / 16 + 1 as LoadString finds it.
bool LoadStringResource(const CPeImage& image, uint16_t id, std::u16string* text,
                        std::string* error);

struct CIconEntry {
  uint32_t width = 0;  // 256 is stored as 0
  uint32_t height = 0;
  uint16_t bitCount = 0;
  uint16_t iconId = 0;  // the RT_ICON resource with the pixels
};
bool ParseGroupIcon(const std::vector<uint8_t>& data, std::vector<CIconEntry>* entries,
                    std::string* error);

// The size from a PNG file's IHDR chunk.
bool ReadPngSize(const std::vector<uint8_t>& data, uint32_t* width, uint32_t* height,
                 std::string* error);

// An element of an XML document with its attributes. Names are local names (a namespace prefix
// such as "asmv3:" removed); entity references in values are left as written.
struct CXmlElement {
  std::string name;
  std::map<std::string, std::string> attributes;
  std::vector<std::string> ancestors;  // local names, the root first
};
// Every element in document order. Checks that tags nest and close and that there is one root,
// which is what Windows needs to accept a manifest; no DTDs, no entity expansion.
bool ScanXmlElements(const std::string& xml, std::vector<CXmlElement>* elements,
                     std::string* error);

}  // namespace kst::pecheck
