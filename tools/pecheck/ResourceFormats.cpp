#include "ResourceFormats.h"

#include <cstring>
#include <utility>

namespace kst::pecheck {
namespace {

constexpr unsigned kStringsPerBlock = 16;
constexpr size_t kGroupIconHeaderSize = 6;
constexpr size_t kGroupIconEntrySize = 14;
constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint16_t Le16(const std::vector<uint8_t>& data, size_t offset) {
  return static_cast<uint16_t>(data[offset] | data[offset + 1] << 8);
}

uint32_t Be32(const std::vector<uint8_t>& data, size_t offset) {
  return uint32_t{data[offset]} << 24 | uint32_t{data[offset + 1]} << 16 |
         uint32_t{data[offset + 2]} << 8 | data[offset + 3];
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string LocalName(const std::string& name) {
  size_t colon = name.find(':');
  return colon == std::string::npos ? name : name.substr(colon + 1);
}

// The XML scanner's position in the document, with the element stack.
class CXmlScanner {
 public:
  explicit CXmlScanner(const std::string& xml) : xml_(xml) {}

  bool Scan(std::vector<CXmlElement>* elements, std::string* error) {
    if (xml_.compare(0, 3, "\xEF\xBB\xBF") == 0) pos_ = 3;
    int roots = 0;
    while (pos_ < xml_.size()) {
      if (xml_[pos_] != '<') {
        ++pos_;
        continue;
      }
      const int skipped = SkipMarkup();
      if (skipped < 0) return Fail("unterminated comment or declaration", error);
      if (skipped > 0) continue;
      if (xml_.compare(pos_, 2, "</") == 0) {
        if (!CloseElement(error)) return false;
        continue;
      }
      if (open_.empty() && ++roots > 1) return Fail("more than one root element", error);
      if (!OpenElement(elements, error)) return false;
    }
    if (!open_.empty()) return Fail("element <" + open_.back() + "> is not closed", error);
    if (roots == 0) return Fail("no root element", error);
    return true;
  }

 private:
  // Comments, declarations and CDATA hold no elements and are skipped whole. 1: skipped one,
  // 0: none starts here, -1: one starts here and does not end.
  int SkipMarkup() {
    static const std::pair<const char*, const char*> kKinds[] = {
        {"<!--", "-->"}, {"<![CDATA[", "]]>"}, {"<?", "?>"}, {"<!", ">"}};
    for (const auto& [start, end] : kKinds) {
      if (xml_.compare(pos_, std::strlen(start), start) != 0) continue;
      const size_t found = xml_.find(end, pos_ + std::strlen(start));
      if (found == std::string::npos) return -1;
      pos_ = found + std::strlen(end);
      return 1;
    }
    return 0;
  }

  std::string ReadName() {
    size_t start = pos_;
    while (pos_ < xml_.size() && !IsSpace(xml_[pos_]) && xml_[pos_] != '>' && xml_[pos_] != '/' &&
           xml_[pos_] != '=')
      ++pos_;
    return xml_.substr(start, pos_ - start);
  }

  void SkipSpaces() {
    while (pos_ < xml_.size() && IsSpace(xml_[pos_])) ++pos_;
  }

  bool CloseElement(std::string* error) {
    pos_ += 2;
    std::string name = ReadName();
    SkipSpaces();
    if (pos_ >= xml_.size() || xml_[pos_] != '>') return Fail("unterminated </" + name, error);
    ++pos_;
    if (open_.empty() || open_.back() != name)
      return Fail(
          "</" + name + "> closes " + (open_.empty() ? "nothing" : "<" + open_.back() + ">"),
          error);
    open_.pop_back();
    return true;
  }

  bool OpenElement(std::vector<CXmlElement>* elements, std::string* error) {
    ++pos_;
    std::string name = ReadName();
    if (name.empty()) return Fail("a tag without a name", error);
    CXmlElement element;
    element.name = LocalName(name);
    for (const std::string& open : open_) element.ancestors.push_back(LocalName(open));
    for (;;) {
      SkipSpaces();
      if (pos_ >= xml_.size()) return Fail("unterminated <" + name, error);
      if (xml_.compare(pos_, 2, "/>") == 0) {
        pos_ += 2;
        elements->push_back(element);
        return true;
      }
      if (xml_[pos_] == '>') {
        ++pos_;
        elements->push_back(element);
        open_.push_back(name);
        return true;
      }
      std::string attribute = ReadName();
      SkipSpaces();
      if (attribute.empty() || pos_ >= xml_.size() || xml_[pos_] != '=')
        return Fail("malformed attribute in <" + name + ">", error);
      ++pos_;
      SkipSpaces();
      if (pos_ >= xml_.size() || (xml_[pos_] != '"' && xml_[pos_] != '\''))
        return Fail("unquoted value of " + attribute + " in <" + name + ">", error);
      size_t end = xml_.find(xml_[pos_], pos_ + 1);
      if (end == std::string::npos)
        return Fail("unterminated value of " + attribute + " in <" + name + ">", error);
      if (!element.attributes.emplace(attribute, xml_.substr(pos_ + 1, end - pos_ - 1)).second)
        return Fail("attribute " + attribute + " twice in <" + name + ">", error);
      pos_ = end + 1;
    }
  }

  static bool Fail(const std::string& reason, std::string* error) {
    *error = reason;
    return false;
  }

  const std::string& xml_;
  size_t pos_ = 0;
  std::vector<std::string> open_;  // qualified names, as the closing tags must repeat them
};

}  // namespace

bool ReadStringTableEntry(const std::vector<uint8_t>& block, unsigned index, std::u16string* text,
                          std::string* error) {
  if (index >= kStringsPerBlock) {
    *error = "a string table block has 16 entries, not " + std::to_string(index + 1);
    return false;
  }
  size_t offset = 0;
  for (unsigned i = 0;; ++i) {
    if (offset + 2 > block.size()) {
      *error = "string table block ends before entry " + std::to_string(i);
      return false;
    }
    const size_t length = Le16(block, offset);
    offset += 2;
    if (length * 2 > block.size() - offset) {
      *error = "string " + std::to_string(i) + " runs past its block";
      return false;
    }
    if (i == index) {
      text->clear();
      for (size_t c = 0; c < length; ++c) text->push_back(Le16(block, offset + 2 * c));
      return true;
    }
    offset += length * 2;
  }
}

bool LoadStringResource(const CPeImage& image, uint16_t id, std::u16string* text,
                        std::string* error) {
  const uint16_t blockId = static_cast<uint16_t>(id / kStringsPerBlock + 1);
  const CResource* block =
      image.FindResource(CResourceKey::Id(kResourceString), CResourceKey::Id(blockId));
  if (!block) {
    *error = "no string table block " + std::to_string(blockId);
    return false;
  }
  return ReadStringTableEntry(image.Data(*block), id % kStringsPerBlock, text, error);
}

bool ParseGroupIcon(const std::vector<uint8_t>& data, std::vector<CIconEntry>* entries,
                    std::string* error) {
  if (data.size() < kGroupIconHeaderSize || Le16(data, 0) != 0 || Le16(data, 2) != 1) {
    *error = "not an icon group header";
    return false;
  }
  const size_t count = Le16(data, 4);
  if (data.size() < kGroupIconHeaderSize + count * kGroupIconEntrySize) {
    *error = "icon group of " + std::to_string(count) + " entries is cut short";
    return false;
  }
  entries->clear();
  for (size_t i = 0; i < count; ++i) {
    const size_t entry = kGroupIconHeaderSize + i * kGroupIconEntrySize;
    CIconEntry icon;
    icon.width = data[entry] ? data[entry] : 256;
    icon.height = data[entry + 1] ? data[entry + 1] : 256;
    icon.bitCount = Le16(data, entry + 6);
    icon.iconId = Le16(data, entry + 12);
    entries->push_back(icon);
  }
  return true;
}

bool ReadPngSize(const std::vector<uint8_t>& data, uint32_t* width, uint32_t* height,
                 std::string* error) {
  // Signature, then the IHDR chunk: length 13, type, width and height big-endian.
  if (data.size() < sizeof kPngSignature ||
      std::memcmp(data.data(), kPngSignature, sizeof kPngSignature) != 0) {
    *error = "no PNG signature";
    return false;
  }
  if (data.size() < 24) {
    *error = "PNG cut short before its size";
    return false;
  }
  if (Be32(data, 8) != 13 || std::memcmp(data.data() + 12, "IHDR", 4) != 0) {
    *error = "the first PNG chunk is not IHDR";
    return false;
  }
  *width = Be32(data, 16);
  *height = Be32(data, 20);
  return true;
}

bool ScanXmlElements(const std::string& xml, std::vector<CXmlElement>* elements,
                     std::string* error) {
  elements->clear();
  return CXmlScanner(xml).Scan(elements, error);
}

}  // namespace kst::pecheck
