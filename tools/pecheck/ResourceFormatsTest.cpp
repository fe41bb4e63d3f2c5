// String tables, icon groups, PNG headers and the manifest XML, sound and damaged.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ResourceFormats.h"
#include "TestImage.h"

namespace kst::pecheck {
namespace {

std::vector<uint8_t> StringBlock(const std::vector<std::u16string>& strings) {
  std::vector<uint8_t> block;
  for (const std::u16string& text : strings) {
    Put16(&block, static_cast<uint32_t>(block.size()), static_cast<uint16_t>(text.size()));
    for (char16_t c : text) Put16(&block, static_cast<uint32_t>(block.size()), c);
  }
  return block;
}

std::vector<std::u16string> FullBlock(const std::u16string& first, const std::u16string& last) {
  std::vector<std::u16string> strings(16);
  strings.front() = first;
  strings.back() = last;
  strings[2] = u"安装";
  return strings;
}

TEST(ReadStringTableEntry, FindsEachEntryAfterTheOnesBeforeIt) {
  const std::vector<uint8_t> block = StringBlock(FullBlock(u"Kestrel Installer", u"last"));
  struct Case {
    unsigned index;
    std::u16string text;
  } cases[] = {{0, u"Kestrel Installer"}, {1, u""}, {2, u"安装"}, {15, u"last"}};
  for (const Case& c : cases) {
    std::u16string text = u"unset";
    std::string error;
    ASSERT_TRUE(ReadStringTableEntry(block, c.index, &text, &error)) << c.index << error;
    EXPECT_EQ(text, c.text) << c.index;
  }
}

TEST(ReadStringTableEntry, RejectsDamagedBlocks) {
  const std::vector<uint8_t> block = StringBlock(FullBlock(u"Kestrel Installer", u"last"));
  struct Case {
    const char* what;
    std::vector<uint8_t> block;
    unsigned index;
    const char* error;
  } cases[] = {
      {"index 16", block, 16, "16 entries"},
      {"cut inside the first string", std::vector<uint8_t>(block.begin(), block.begin() + 10), 0,
       "runs past its block"},
      {"cut before entry 5", StringBlock({u"a", u"b", u"c"}), 5, "ends before entry 3"},
      {"empty block", {}, 0, "ends before entry 0"},
  };
  for (const Case& c : cases) {
    std::u16string text;
    std::string error;
    EXPECT_FALSE(ReadStringTableEntry(c.block, c.index, &text, &error)) << c.what;
    EXPECT_NE(error.find(c.error), std::string::npos) << c.what << ": " << error;
  }
}

TEST(LoadStringResource, LooksInBlockIdOver16PlusOne) {
  CTestImageSpec layout;
  layout.resources = {
      {CResourceKey::Id(kResourceString), CResourceKey::Id(9), 0x804,
       StringBlock(FullBlock(u"Kestrel Installer", u"string 143"))},
  };
  CPeImage image;
  std::string error;
  ASSERT_TRUE(image.Parse(BuildTestImage(layout).bytes, &error)) << error;

  std::u16string text;
  ASSERT_TRUE(LoadStringResource(image, 128, &text, &error)) << error;
  EXPECT_EQ(text, u"Kestrel Installer");
  ASSERT_TRUE(LoadStringResource(image, 143, &text, &error)) << error;
  EXPECT_EQ(text, u"string 143");
  EXPECT_FALSE(LoadStringResource(image, 144, &text, &error));
  EXPECT_NE(error.find("no string table block 10"), std::string::npos) << error;
}

std::vector<uint8_t> GroupIcon(const std::vector<CIconEntry>& entries) {
  std::vector<uint8_t> data;
  Put16(&data, 0, 0);
  Put16(&data, 2, 1);
  Put16(&data, 4, static_cast<uint16_t>(entries.size()));
  for (const CIconEntry& entry : entries) {
    const uint32_t at = static_cast<uint32_t>(data.size());
    data.resize(at + 14);
    data[at] = static_cast<uint8_t>(entry.width);
    data[at + 1] = static_cast<uint8_t>(entry.height);
    Put16(&data, at + 4, 1);
    Put16(&data, at + 6, entry.bitCount);
    Put32(&data, at + 8, 1000);
    Put16(&data, at + 12, entry.iconId);
  }
  return data;
}

TEST(ParseGroupIcon, ReadsEachEntryWithZeroMeaning256) {
  std::vector<CIconEntry> entries;
  std::string error;
  ASSERT_TRUE(
      ParseGroupIcon(GroupIcon({{16, 16, 32, 1}, {32, 32, 8, 2}, {0, 0, 32, 3}}), &entries, &error))
      << error;
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].width, 16u);
  EXPECT_EQ(entries[0].bitCount, 32);
  EXPECT_EQ(entries[1].height, 32u);
  EXPECT_EQ(entries[1].iconId, 2);
  EXPECT_EQ(entries[2].width, 256u);
  EXPECT_EQ(entries[2].height, 256u);
}

TEST(ParseGroupIcon, RejectsDamagedGroups) {
  std::vector<uint8_t> sound = GroupIcon({{16, 16, 32, 1}, {32, 32, 32, 2}});
  std::vector<uint8_t> cursorType = sound;
  Put16(&cursorType, 2, 2);
  struct Case {
    const char* what;
    std::vector<uint8_t> data;
    const char* error;
  } cases[] = {
      {"empty", {}, "not an icon group header"},
      {"cursor group", cursorType, "not an icon group header"},
      {"cut inside the second entry", std::vector<uint8_t>(sound.begin(), sound.end() - 1),
       "cut short"},
  };
  for (const Case& c : cases) {
    std::vector<CIconEntry> entries;
    std::string error;
    EXPECT_FALSE(ParseGroupIcon(c.data, &entries, &error)) << c.what;
    EXPECT_NE(error.find(c.error), std::string::npos) << c.what << ": " << error;
  }
}

std::vector<uint8_t> PngHeader(uint32_t width, uint32_t height) {
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0,
                              13,   'I', 'H', 'D', 'R',  0,    0,    0,    0, 0, 0,
                              0,    0,   8,   6,   0,    0,    0,    0,    0, 0, 0};
  for (int i = 0; i < 4; ++i) {
    png[16 + i] = static_cast<uint8_t>(width >> (24 - 8 * i));
    png[20 + i] = static_cast<uint8_t>(height >> (24 - 8 * i));
  }
  return png;
}

TEST(ReadPngSize, ReadsTheBigEndianSizeFromIhdr) {
  uint32_t width = 0;
  uint32_t height = 0;
  std::string error;
  ASSERT_TRUE(ReadPngSize(PngHeader(1081, 45), &width, &height, &error)) << error;
  EXPECT_EQ(width, 1081u);
  EXPECT_EQ(height, 45u);
  ASSERT_TRUE(ReadPngSize(PngHeader(0x01020304, 1), &width, &height, &error)) << error;
  EXPECT_EQ(width, 0x01020304u);
}

TEST(ReadPngSize, RejectsWhatIsNoPng) {
  std::vector<uint8_t> badSignature = PngHeader(1, 1);
  badSignature[1] = 'J';
  std::vector<uint8_t> otherChunk = PngHeader(1, 1);
  otherChunk[12] = 'g';
  const std::vector<uint8_t> sound = PngHeader(1, 1);
  struct Case {
    const char* what;
    std::vector<uint8_t> data;
    const char* error;
  } cases[] = {
      {"empty", {}, "no PNG signature"},
      {"bad signature", badSignature, "no PNG signature"},
      {"cut inside IHDR", std::vector<uint8_t>(sound.begin(), sound.begin() + 23), "cut short"},
      {"another chunk first", otherChunk, "not IHDR"},
  };
  for (const Case& c : cases) {
    uint32_t width = 0;
    uint32_t height = 0;
    std::string error;
    EXPECT_FALSE(ReadPngSize(c.data, &width, &height, &error)) << c.what;
    EXPECT_NE(error.find(c.error), std::string::npos) << c.what << ": " << error;
  }
}

TEST(ScanXmlElements, ReadsElementsAttributesAndAncestorsOfAManifest) {
  const std::string manifest =
      "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
      "<!-- the application manifest -->\n"
      "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion='1.0'>\n"
      "  <asmv3:trustInfo xmlns:asmv3=\"urn:schemas-microsoft-com:asm.v3\">\n"
      "    <asmv3:security><asmv3:requestedPrivileges>\n"
      "      <asmv3:requestedExecutionLevel level=\"requireAdministrator\" uiAccess = \"false\"/>\n"
      "    </asmv3:requestedPrivileges></asmv3:security>\n"
      "  </asmv3:trustInfo>\n"
      "  <dependency><dependentAssembly>\n"
      "    <assemblyIdentity type=\"win32\" name=\"Microsoft.Windows.Common-Controls\"\n"
      "        version=\"6.0.0.0\" processorArchitecture=\"x86\"></assemblyIdentity>\n"
      "  </dependentAssembly></dependency>\n"
      "</assembly>\n";
  std::vector<CXmlElement> elements;
  std::string error;
  ASSERT_TRUE(ScanXmlElements(manifest, &elements, &error)) << error;
  std::vector<std::string> names;
  for (const CXmlElement& element : elements) names.push_back(element.name);
  EXPECT_EQ(names,
            (std::vector<std::string>{"assembly", "trustInfo", "security", "requestedPrivileges",
                                      "requestedExecutionLevel", "dependency", "dependentAssembly",
                                      "assemblyIdentity"}));
  EXPECT_EQ(elements[0].attributes.at("manifestVersion"), "1.0");
  EXPECT_TRUE(elements[0].ancestors.empty());
  EXPECT_EQ(elements[4].attributes.at("level"), "requireAdministrator");
  EXPECT_EQ(elements[4].attributes.at("uiAccess"), "false");
  EXPECT_EQ(elements[4].ancestors,
            (std::vector<std::string>{"assembly", "trustInfo", "security", "requestedPrivileges"}));
  EXPECT_EQ(elements[7].attributes.at("processorArchitecture"), "x86");
  EXPECT_EQ(elements[7].ancestors,
            (std::vector<std::string>{"assembly", "dependency", "dependentAssembly"}));
}

TEST(ScanXmlElements, RejectsMalformedDocuments) {
  struct Case {
    const char* xml;
    const char* error;
  } cases[] = {
      {"", "no root element"},
      {"<!-- only a comment -->", "no root element"},
      {"<a><b></a>", "</a> closes <b>"},
      {"<a></b>", "</b> closes <a>"},
      {"</a>", "closes nothing"},
      {"<a>", "<a> is not closed"},
      {"<a/><b/>", "more than one root element"},
      {"<a><!-- open comment </a>", "unterminated comment"},
      {"<a x=1/>", "unquoted value of x"},
      {"<a x=\"1/>", "unterminated value of x"},
      {"<a x=\"1\" x='2'/>", "attribute x twice"},
      {"<a x/>", "malformed attribute"},
      {"<a", "unterminated <a"},
      {"< a/>", "a tag without a name"},
      {"<a></a", "unterminated </a"},
  };
  for (const Case& c : cases) {
    std::vector<CXmlElement> elements;
    std::string error;
    EXPECT_FALSE(ScanXmlElements(c.xml, &elements, &error)) << c.xml;
    EXPECT_NE(error.find(c.error), std::string::npos) << c.xml << ": " << error;
  }
}

}  // namespace
}  // namespace kst::pecheck
