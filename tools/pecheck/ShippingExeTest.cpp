// Static checks of the shipping installer: what Windows and the user get from the file before
// any of its code runs. The executable is the program's argument, or KST_SHIPPING_EXE.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <iostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "PeImage.h"
#include "ResourceFormats.h"

namespace kst::pecheck {
namespace {

std::string shippingExePath;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string Attribute(const CXmlElement& element, const std::string& name) {
  auto found = element.attributes.find(name);
  return found == element.attributes.end() ? "(missing)" : found->second;
}

class ShippingExe : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (shippingExePath.empty())
      loadError = "no executable to check: pass its path or set KST_SHIPPING_EXE";
    else
      LoadPeFile(shippingExePath, &image, &loadError);
  }

  void SetUp() override { ASSERT_TRUE(loadError.empty()) << loadError; }

  // The resource's data; a test failure naming it when it is missing.
  static std::vector<uint8_t> ResourceData(const CResourceKey& type, const CResourceKey& name) {
    const CResource* resource = image.FindResource(type, name);
    if (!resource) {
      ADD_FAILURE() << "no resource " << type.ToString() << "/" << name.ToString();
      return {};
    }
    return image.Data(*resource);
  }

  static CPeImage image;
  static std::string loadError;
};

CPeImage ShippingExe::image;
std::string ShippingExe::loadError;

TEST_F(ShippingExe, IsA32BitWindowsGuiProgramThatStartsOnXp) {
  EXPECT_EQ(image.Machine(), kMachineI386);
  EXPECT_FALSE(image.IsPe32Plus());
  EXPECT_EQ(image.Subsystem(), kSubsystemWindowsGui);
  EXPECT_EQ(image.MajorSubsystemVersion(), 5);
  EXPECT_EQ(image.MinorSubsystemVersion(), 1);
}

// A DLL from the compiler's runtime (libgcc, libstdc++, winpthread) or from zlib would have to be
// shipped next to the installer, which is a single file. And the installer runs elevated from a
// downloads folder: it imports only DLLs that Windows always takes from the system (the KnownDLLs
// of every version it supports), and comctl32, which its manifest redirects to the side-by-side
// store. msimg32, gdiplus, wininet and rasapi32 are loaded by full path at run time instead.
TEST_F(ShippingExe, ImportsOnlyDllsWindowsAlwaysTakesFromTheSystem) {
  const std::set<std::string> allowed = {
      "kernel32.dll", "user32.dll",   "gdi32.dll",    "advapi32.dll", "shell32.dll",
      "ole32.dll",    "oleaut32.dll", "comctl32.dll", "shlwapi.dll",  "msvcrt.dll"};
  std::vector<std::string> imports = image.ImportedDlls();
  for (const std::string& dll : image.DelayImportedDlls()) imports.push_back(dll + " (delayed)");
  std::string list;
  for (const std::string& dll : imports) list += (list.empty() ? "" : ", ") + dll;
  std::cout << "imports: " << list << "\n";

  EXPECT_FALSE(image.ImportedDlls().empty());
  std::vector<std::string> foreign;
  for (const std::string& dll : image.ImportedDlls()) {
    if (!allowed.count(Lower(dll))) foreign.push_back(dll);
  }
  for (const std::string& dll : image.DelayImportedDlls()) {
    if (!allowed.count(Lower(dll))) foreign.push_back(dll);
  }
  EXPECT_TRUE(foreign.empty()) << "imports outside the system DLLs: "
                               << ::testing::PrintToString(foreign);
}

TEST_F(ShippingExe, ManifestAsksForAdministratorAndCommonControls6) {
  const std::vector<uint8_t> data =
      ResourceData(CResourceKey::Id(kResourceManifest), CResourceKey::Id(1));
  ASSERT_FALSE(data.empty());
  std::vector<CXmlElement> elements;
  std::string error;
  ASSERT_TRUE(ScanXmlElements(std::string(data.begin(), data.end()), &elements, &error)) << error;
  ASSERT_EQ(elements.front().name, "assembly");
  EXPECT_EQ(Attribute(elements.front(), "manifestVersion"), "1.0");

  std::vector<const CXmlElement*> levels;
  std::vector<const CXmlElement*> commonControls;
  for (const CXmlElement& element : elements) {
    const auto& ancestors = element.ancestors;
    if (element.name == "requestedExecutionLevel" &&
        std::find(ancestors.begin(), ancestors.end(), "trustInfo") != ancestors.end())
      levels.push_back(&element);
    if (element.name == "assemblyIdentity" && !ancestors.empty() &&
        ancestors.back() == "dependentAssembly" &&
        Attribute(element, "name") == "Microsoft.Windows.Common-Controls")
      commonControls.push_back(&element);
  }
  ASSERT_EQ(levels.size(), 1u) << "requestedExecutionLevel inside trustInfo";
  EXPECT_EQ(Attribute(*levels[0], "level"), "requireAdministrator");
  EXPECT_EQ(Attribute(*levels[0], "uiAccess"), "false");

  ASSERT_EQ(commonControls.size(), 1u) << "dependency on Microsoft.Windows.Common-Controls";
  const CXmlElement& identity = *commonControls[0];
  EXPECT_EQ(Attribute(identity, "version"), "6.0.0.0");
  EXPECT_EQ(Attribute(identity, "processorArchitecture"), "x86");
  // Without these two Windows finds no such assembly and refuses to start the program.
  EXPECT_EQ(Attribute(identity, "type"), "win32");
  EXPECT_EQ(Lower(Attribute(identity, "publicKeyToken")), "6595b64144ccf1df");
}

TEST_F(ShippingExe, String128IsTheWindowTitle) {
  std::u16string title;
  std::string error;
  ASSERT_TRUE(LoadStringResource(image, 128, &title, &error)) << error;
  EXPECT_EQ(title, u"Kestrel Installer");
}

TEST_F(ShippingExe, IconGroup169HasA16And32PixelImage) {
  std::vector<CIconEntry> entries;
  std::string error;
  ASSERT_TRUE(ParseGroupIcon(
      ResourceData(CResourceKey::Id(kResourceGroupIcon), CResourceKey::Id(169)), &entries, &error))
      << error;
  std::set<std::pair<uint32_t, uint32_t>> sizes;
  for (const CIconEntry& entry : entries) {
    sizes.insert({entry.width, entry.height});
    EXPECT_TRUE(image.FindResource(CResourceKey::Id(kResourceIcon), CResourceKey::Id(entry.iconId)))
        << "the group names icon " << entry.iconId << ", which is missing";
  }
  EXPECT_EQ(sizes, (std::set<std::pair<uint32_t, uint32_t>>{{16, 16}, {32, 32}}));
}

TEST_F(ShippingExe, HasDialogTemplate2000) {
  // The smallest template header (DLGTEMPLATE) is 18 bytes.
  EXPECT_GE(ResourceData(CResourceKey::Id(kResourceDialog), CResourceKey::Id(2000)).size(), 18u);
}

TEST_F(ShippingExe, SkinImagesArePngsOfTheirSizes) {
  struct Case {
    uint16_t id;
    uint32_t width;
    uint32_t height;
  } cases[] = {{152, 486, 267}, {153, 560, 337}, {6006, 154, 48}, {160, 80, 16},
               {162, 1081, 45}, {172, 154, 48},  {176, 580, 321}, {177, 496, 260},
               {173, 496, 260}, {6008, 200, 144}};
  for (const Case& c : cases) {
    SCOPED_TRACE("PNG " + std::to_string(c.id));
    uint32_t width = 0;
    uint32_t height = 0;
    std::string error;
    if (!ReadPngSize(ResourceData(CResourceKey::Name("PNG"), CResourceKey::Id(c.id)), &width,
                     &height, &error)) {
      ADD_FAILURE() << error;
      continue;
    }
    EXPECT_EQ(width, c.width);
    EXPECT_EQ(height, c.height);
  }
}

}  // namespace
}  // namespace kst::pecheck

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc > 1) {
    kst::pecheck::shippingExePath = argv[1];
  } else if (const char* path = std::getenv("KST_SHIPPING_EXE")) {
    kst::pecheck::shippingExePath = path;
  }
  return RUN_ALL_TESTS();
}
