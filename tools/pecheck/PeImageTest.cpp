// The PE reader on images built in memory: what it reads from sound ones, and a clean error, never
// a crash, for damaged ones. Built with AddressSanitizer, so a read outside the file fails too.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "PeImage.h"
#include "TestImage.h"

namespace kst::pecheck {
namespace {

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

CTestImageSpec SampleSpec(bool pe32Plus) {
  CTestImageSpec layout;
  layout.pe32Plus = pe32Plus;
  layout.machine = pe32Plus ? kMachineAmd64 : kMachineI386;
  layout.imports = {"KERNEL32.dll", "USER32.dll", "gdiplus.dll"};
  layout.delayImports = {"WININET.dll"};
  layout.resources = {
      {CResourceKey::Id(kResourceManifest), CResourceKey::Id(1), 0x409, Bytes("<assembly/>")},
      {CResourceKey::Name("PNG"), CResourceKey::Id(152), 0x804, Bytes("png 152")},
      {CResourceKey::Name("PNG"), CResourceKey::Name("LOGO"), 0x804, Bytes("logo")},
      {CResourceKey::Id(kResourceDialog), CResourceKey::Id(2000), 0x804, Bytes("zh")},
      {CResourceKey::Id(kResourceDialog), CResourceKey::Id(2000), 0x409, Bytes("en")},
      {CResourceKey::Id(kResourceString), CResourceKey::Id(9), 0x804, {}},
  };
  return layout;
}

std::vector<uint8_t> DataOf(const CPeImage& image, const CResourceKey& type,
                            const CResourceKey& name) {
  const CResource* resource = image.FindResource(type, name);
  return resource ? image.Data(*resource) : std::vector<uint8_t>{0xDE, 0xAD};
}

TEST(CPeImage, ReadsHeadersImportsAndResourcesOfBothFormats) {
  for (bool pe32Plus : {false, true}) {
    SCOPED_TRACE(pe32Plus ? "PE32+" : "PE32");
    const CTestImageSpec layout = SampleSpec(pe32Plus);
    CPeImage image;
    std::string error;
    ASSERT_TRUE(image.Parse(BuildTestImage(layout).bytes, &error)) << error;

    EXPECT_EQ(image.Machine(), layout.machine);
    EXPECT_EQ(image.IsPe32Plus(), pe32Plus);
    EXPECT_EQ(image.Subsystem(), kSubsystemWindowsGui);
    EXPECT_EQ(image.MajorSubsystemVersion(), 5);
    EXPECT_EQ(image.MinorSubsystemVersion(), 1);
    EXPECT_EQ(image.ImportedDlls(), layout.imports);
    EXPECT_EQ(image.DelayImportedDlls(), layout.delayImports);

    ASSERT_EQ(image.Resources().size(), layout.resources.size());
    EXPECT_EQ(DataOf(image, CResourceKey::Id(kResourceManifest), CResourceKey::Id(1)),
              Bytes("<assembly/>"));
    // Named keys match without regard to case, as FindResource does.
    EXPECT_EQ(DataOf(image, CResourceKey::Name("png"), CResourceKey::Id(152)), Bytes("png 152"));
    EXPECT_EQ(DataOf(image, CResourceKey::Name("PNG"), CResourceKey::Name("Logo")), Bytes("logo"));
    EXPECT_EQ(DataOf(image, CResourceKey::Id(kResourceString), CResourceKey::Id(9)),
              std::vector<uint8_t>());
    const CResource* dialog =
        image.FindResource(CResourceKey::Id(kResourceDialog), CResourceKey::Id(2000));
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->language, 0x804);

    EXPECT_FALSE(image.FindResource(CResourceKey::Name("PNG"), CResourceKey::Id(153)));
    EXPECT_FALSE(image.FindResource(CResourceKey::Name("PNGX"), CResourceKey::Id(152)));
    EXPECT_FALSE(image.FindResource(CResourceKey::Id(152), CResourceKey::Id(152)));
    EXPECT_FALSE(image.FindResource(CResourceKey::Name("PNG"), CResourceKey::Name("LOG")));
  }
}

TEST(CPeImage, AnImageWithoutImportsOrResourcesIsSound) {
  CTestImageSpec layout;
  CPeImage image;
  std::string error;
  ASSERT_TRUE(image.Parse(BuildTestImage(layout).bytes, &error)) << error;
  EXPECT_TRUE(image.ImportedDlls().empty());
  EXPECT_TRUE(image.DelayImportedDlls().empty());
  EXPECT_TRUE(image.Resources().empty());
}

TEST(CPeImage, RejectsDamagedImagesWithAReason) {
  using Damage = std::function<void(CTestImage&)>;
  const uint32_t rootEntry = 16;  // the first entry of the resource root, from the section start
  struct Case {
    const char* what;
    Damage damage;
    const char* error;
  } cases[] = {
      {"empty file", [](CTestImage& i) { i.bytes.clear(); }, "too short for a DOS header"},
      {"no MZ", [](CTestImage& i) { i.bytes[0] = 'X'; }, "no MZ signature"},
      {"PE offset past the end",
       [](CTestImage& i) { Put32(&i.bytes, 0x3C, static_cast<uint32_t>(i.bytes.size()) - 8); },
       "lies outside the file"},
      {"PE offset at 4 GB", [](CTestImage& i) { Put32(&i.bytes, 0x3C, 0xFFFFFFF0); },
       "lies outside the file"},
      {"no PE signature", [](CTestImage& i) { i.bytes[i.peOffset + 1] = 'X'; }, "no PE signature"},
      {"optional header past the end",
       [](CTestImage& i) { Put16(&i.bytes, i.peOffset + 20, 0xFFFF); }, "runs past the file"},
      {"unknown magic", [](CTestImage& i) { Put16(&i.bytes, i.optionalHeader, 0x107); },
       "unknown optional header magic 0x107"},
      {"optional header too short", [](CTestImage& i) { Put16(&i.bytes, i.peOffset + 20, 64); },
       "optional header too short"},
      {"too many data directories",
       [](CTestImage& i) { Put32(&i.bytes, i.dataDirectories - 4, 17); }, "do not fit"},
      {"section table past the end", [](CTestImage& i) { Put16(&i.bytes, i.peOffset + 6, 0xFFFF); },
       "section table"},
      {"section data past the end",
       [](CTestImage& i) { Put32(&i.bytes, i.sectionTable + 40 + 20, 0xFFFFFF00); },
       "raw data of section 1 lies outside the file"},
      {"section size past the end",
       [](CTestImage& i) { Put32(&i.bytes, i.sectionTable + 16, 0x7FFFFFFF); },
       "raw data of section 0 lies outside the file"},
      {"import directory in no section",
       [](CTestImage& i) { Put32(&i.bytes, i.dataDirectories + 8, 0x90000); }, "has no end"},
      {"import table without its end inside the section",
       [](CTestImage& i) {
         Put32(&i.bytes, i.dataDirectories + 8, i.importSectionRva + i.importSectionSize - 10);
       },
       "has no end"},
      {"import name in no section",
       [](CTestImage& i) { Put32(&i.bytes, i.importDescriptors + 12, 0x90000); },
       "import 0 has no readable DLL name"},
      {"import name without its end",
       [](CTestImage& i) {
         std::fill(i.bytes.begin() + i.dllNames,
                   i.bytes.begin() + i.importSection + i.importSectionSize, 'A');
       },
       "import 0 has no readable DLL name"},
      {"delay-import name as an address below the image base",
       [](CTestImage& i) { Put32(&i.bytes, i.delayDescriptors, 0); },
       "delay import 0 has no readable DLL name"},
      {"delay-import directory in no section",
       [](CTestImage& i) { Put32(&i.bytes, i.dataDirectories + 8 * 13, 0x90000); },
       "delay-import directory"},
      {"resource directory in no section",
       [](CTestImage& i) { Put32(&i.bytes, i.dataDirectories + 16, 0x90000); },
       "outside the resource section"},
      {"resource entries past the section",
       [](CTestImage& i) { Put16(&i.bytes, i.resourceSection + 14, 0xFFFF); },
       "run past the resource section"},
      {"resource subdirectory past the section",
       [&](CTestImage& i) { Put32(&i.bytes, i.resourceSection + rootEntry + 4, 0x80FFFFF0); },
       "outside the resource section"},
      {"resource tree that ends at the type level",
       [&](CTestImage& i) { Put32(&i.bytes, i.resourceSection + rootEntry + 4, 0x10); },
       "ends above the language level"},
      {"resource subdirectory pointing back at the root",
       [&](CTestImage& i) { Put32(&i.bytes, i.resourceSection + rootEntry + 4, 0x80000000); },
       "where its language belongs"},
      {"resource id above 16 bits",
       [&](CTestImage& i) { Put32(&i.bytes, i.resourceSection + rootEntry, 0x10018); },
       "does not fit 16 bits"},
      {"resource name past the section",
       [](CTestImage& i) { Put16(&i.bytes, i.firstResourceName, 0xFFFF); },
       "runs past the resource section"},
      {"empty resource name", [](CTestImage& i) { Put16(&i.bytes, i.firstResourceName, 0); },
       "is empty"},
      {"resource data in no section",
       [](CTestImage& i) { Put32(&i.bytes, i.firstDataEntry, 0xFFFFFFF0); },
       "lies outside the file's sections"},
      {"resource data size past the section",
       [](CTestImage& i) { Put32(&i.bytes, i.firstDataEntry + 4, 0xFFFFFFFF); },
       "lies outside the file's sections"},
  };
  for (const Case& c : cases) {
    CTestImage image = BuildTestImage(SampleSpec(false));
    c.damage(image);
    CPeImage parsed;
    std::string error;
    EXPECT_FALSE(parsed.Parse(image.bytes, &error)) << c.what;
    EXPECT_NE(error.find(c.error), std::string::npos) << c.what << ": " << error;
  }
}

TEST(CPeImage, EveryTruncationIsRejected) {
  const std::vector<uint8_t> whole = BuildTestImage(SampleSpec(true)).bytes;
  for (size_t size = 0; size < whole.size(); ++size) {
    CPeImage image;
    std::string error;
    EXPECT_FALSE(image.Parse(std::vector<uint8_t>(whole.begin(), whole.begin() + size), &error))
        << size;
    EXPECT_FALSE(error.empty()) << size;
  }
}

TEST(CPeImage, NoSingleDamagedByteMakesTheReaderFailWithoutAReason) {
  const std::vector<uint8_t> whole = BuildTestImage(SampleSpec(false)).bytes;
  for (size_t at = 0; at < whole.size(); ++at) {
    for (uint8_t value : {0x00, 0x80, 0xFF}) {
      std::vector<uint8_t> damaged = whole;
      damaged[at] = value;
      CPeImage image;
      std::string error;
      if (!image.Parse(damaged, &error)) {
        EXPECT_FALSE(error.empty()) << at;
      }
    }
  }
}

// Directories that share their subdirectories make a small section describe a huge tree.
TEST(CPeImage, RejectsAResourceTreeOfSharedDirectoriesThatWouldNeverEnd) {
  CTestImageSpec layout;
  layout.resources = {{CResourceKey::Id(1), CResourceKey::Id(1), 0, std::vector<uint8_t>(8192)}};
  CTestImage image = BuildTestImage(layout);
  const uint32_t entries = 400;
  const uint32_t table = 16 + 8 * entries;
  const uint32_t types = image.resourceSection;
  const uint32_t names = types + table;
  const uint32_t languages = names + table;
  for (uint32_t level : {types, names}) {
    Put16(&image.bytes, level + 14, entries);
    for (uint32_t i = 0; i < entries; ++i) {
      Put32(&image.bytes, level + 16 + 8 * i, i + 1);
      Put32(&image.bytes, level + 16 + 8 * i + 4,
            0x80000000u | (level == types ? table : 2 * table));
    }
  }
  // One language, whose data entry follows its table and holds the section's first byte.
  const uint32_t dataEntry = languages + 24;
  Put16(&image.bytes, languages + 14, 1);
  Put32(&image.bytes, languages + 16, 0);
  Put32(&image.bytes, languages + 20, dataEntry - image.resourceSection);
  Put32(&image.bytes, dataEntry, image.resourceSectionRva);
  Put32(&image.bytes, dataEntry + 4, 1);

  CPeImage parsed;
  std::string error;
  EXPECT_FALSE(parsed.Parse(image.bytes, &error));
  EXPECT_NE(error.find("more than"), std::string::npos) << error;
}

TEST(LoadPeFile, NamesTheFileThatIsMissing) {
  CPeImage image;
  std::string error;
  EXPECT_FALSE(LoadPeFile("/nonexistent/instkst.exe", &image, &error));
  EXPECT_NE(error.find("/nonexistent/instkst.exe"), std::string::npos) << error;
}

}  // namespace
}  // namespace kst::pecheck
