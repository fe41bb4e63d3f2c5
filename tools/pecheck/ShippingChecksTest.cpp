// The shipping installer, KST_SHIPPING_EXE, passes the static checks; a copy of it with one
// property broken on purpose fails that check alone; damaged and foreign files fail with a message.
#include <stdlib.h>

#include <algorithm>
#include <memory>
#include <string>

#include "tools/pecheck/ShippingChecks.h"
#include <gtest/gtest.h>

namespace kst::pecheck {
namespace {

namespace pe = LIEF::PE;
using pe::Binary;

Bytes ShippingFile() {
  Bytes file;
  std::string error;
  const char* path = getenv("KST_SHIPPING_EXE");
  EXPECT_TRUE(path && ReadWholeFile(path, &file, &error))
      << "set KST_SHIPPING_EXE to the shipping installer " << error;
  return file;
}

std::string Utf16(const std::string& ascii) {
  std::string wide;
  for (char c : ascii) wide += {c, '\0'};
  return wide;
}

// The offset of the one occurrence of `text` in file; the file's size when there is not one.
size_t Find(const Bytes& file, const std::string& text) {
  const Bytes bytes(text.begin(), text.end());
  auto first = std::search(file.begin(), file.end(), bytes.begin(), bytes.end());
  const bool once = first != file.end() &&
                    std::search(first + 1, file.end(), bytes.begin(), bytes.end()) == file.end();
  EXPECT_TRUE(once) << text << " is not in the file exactly once";
  return once ? static_cast<size_t>(first - file.begin()) : file.size();
}

// Writes `to` over the one occurrence of `from`, zero-padded to its length.
void Replace(Bytes* file, const std::string& from, std::string to) {
  const size_t at = Find(*file, from);
  to.resize(from.size(), '\0');
  if (at < file->size()) std::copy(to.begin(), to.end(), file->begin() + at);
}

uint32_t Read32(const Bytes& file, size_t at) {
  return static_cast<uint32_t>(file[at]) | static_cast<uint32_t>(file[at + 1]) << 8 |
         static_cast<uint32_t>(file[at + 2]) << 16 | static_cast<uint32_t>(file[at + 3]) << 24;
}

// Adds to a field of the section's entry in the section table (field: its offset in the entry).
void AddToSectionField(Bytes* file, const std::string& section, size_t field, int64_t change) {
  const size_t at = Find(*file, section) + field;
  const uint32_t value = static_cast<uint32_t>(Read32(*file, at) + change);
  for (int i = 0; i < 4; ++i) (*file)[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

void EditManifest(Binary* image, const std::string& from, const std::string& to) {
  pe::ResourcesManager resources = image->resources_manager();
  std::string manifest = resources.manifest();
  ASSERT_NE(manifest.find(from), std::string::npos) << from;
  resources.manifest(manifest.replace(manifest.find(from), from.size(), to));
}

void DeleteResource(Binary* image, uint32_t type, uint32_t id) {
  for (pe::ResourceNode& node : image->resources().childs()) {
    if (!node.has_name() && node.id() == type) node.delete_child(id);
  }
}

bool Mentions(const std::vector<std::string>& findings, const std::string& text) {
  return std::any_of(findings.begin(), findings.end(), [&](const std::string& finding) {
    return finding.find(text) != std::string::npos;
  });
}

struct Breakage {
  const char* what;
  void (*breakFile)(Bytes* file);
  void (*breakImage)(Binary* image);
  const char* finding;
};

const Breakage kBreakages[] = {
    {"64-bit machine", nullptr,
     [](Binary* image) { image->header().machine(pe::MACHINE_TYPES::IMAGE_FILE_MACHINE_AMD64); },
     "the machine is \"AMD64\", expected \"I386\""},
    {"PE32+ optional header", nullptr,
     [](Binary* image) { image->optional_header().magic(pe::PE_TYPE::PE32_PLUS); },
     "the optional header is \"PE32_PLUS\", expected \"PE32\""},
    {"console subsystem", nullptr,
     [](Binary* image) {
       image->optional_header().subsystem(pe::SUBSYSTEM::IMAGE_SUBSYSTEM_WINDOWS_CUI);
     },
     "the subsystem is \"WINDOWS_CUI\", expected \"WINDOWS_GUI\""},
    {"subsystem version of Vista", nullptr,
     [](Binary* image) {
       image->optional_header().major_subsystem_version(6);
       image->optional_header().minor_subsystem_version(0);
     },
     "is \"6.00\", expected \"5.01\""},
    {"a DLL Windows looks for beside the program",
     [](Bytes* file) { Replace(file, "SHLWAPI.dll", "WININET.dll"); }, nullptr,
     "imports WININET.dll, which is not a system DLL"},
    {"a function Vista added",
     [](Bytes* file) { Replace(file, "GetModuleFileNameW", "GetTickCount64"); }, nullptr,
     "imports KERNEL32.dll!GetTickCount64, which is not available on Windows XP SP3"},
    {"delay-load imports", nullptr,
     [](Binary* image) {
       image->data_directory(pe::DATA_DIRECTORY::DELAY_IMPORT_DESCRIPTOR).size(64);
     },
     "has delay-load imports"},
    {"manifest that runs as the invoker", nullptr,
     [](Binary* image) { EditManifest(image, "requireAdministrator", "asInvoker"); },
     "requestedExecutionLevel\']/@level) is \"asInvoker\", expected \"requireAdministrator\""},
    {"manifest without Common-Controls 6", nullptr,
     [](Binary* image) { EditManifest(image, "version=\"6.0.0.0\"", "version=\"5.82.0.0\""); },
     "Common-Controls\']/@version) is \"5.82.0.0\", expected \"6.0.0.0\""},
    {"manifest naming another GDI+", nullptr,
     [](Binary* image) {
       EditManifest(image, "GdiPlus\" version=\"1.0.0.0\"", "GdiPlus\" version=\"1.1.0.0\"");
     },
     "GdiPlus\']/@version) is \"1.1.0.0\", expected \"1.0.0.0\""},
    {"manifest aware of the DPI only system-wide", nullptr,
     [](Binary* image) { EditManifest(image, ">PerMonitorV2, System<", ">System<"); },
     "2016/WindowsSettings']) is \"System\", expected \"PerMonitorV2, System\""},
    {"manifest with the per-monitor awareness in the older namespace", nullptr,
     [](Binary* image) {
       EditManifest(image, "SMI/2016/WindowsSettings", "SMI/2005/WindowsSettings");
     },
     "2016/WindowsSettings']) is \"\", expected \"PerMonitorV2, System\""},
    {"manifest unaware of the DPI before Windows 10", nullptr,
     [](Binary* image) { EditManifest(image, ">true</dpiAware>", ">false</dpiAware>"); },
     "2005/WindowsSettings']) is \"false\", expected \"true\""},
    {"manifest cut short", nullptr, [](Binary* image) { EditManifest(image, "</assembly>", ""); },
     "no well-formed XML: Start-end tags mismatch"},
    {"manifest with two root elements", nullptr,
     [](Binary* image) { EditManifest(image, "</assembly>", "</assembly><assembly/>"); },
     "count(/*) is \"2\", expected \"1\""},
    {"another title",
     [](Bytes* file) { Replace(file, Utf16("Kestrel Installer"), Utf16("Kestrel Installed")); },
     nullptr, "the window title, is \"Kestrel Installed\", expected \"Kestrel Installer\""},
    {"string table missing", nullptr, [](Binary* image) { DeleteResource(image, 6, 9); },
     "the window title, is \"(missing)\""},
    {"dialog template missing", nullptr, [](Binary* image) { DeleteResource(image, 5, 2000); },
     "no dialog template 2000"},
    {"16-pixel icon missing", nullptr, [](Binary* image) { DeleteResource(image, 3, 1); },
     "icon group 169 is \"32x32\", expected \"16x16 32x32\""},
    {"skin image of another size",
     [](Bytes* file) {
       Replace(file, std::string("IHDR\0\0\0\xC8\0\0\0\x90", 12),
               std::string("IHDR\0\0\0\xC9\0\0\0\x90", 12));
     },
     nullptr, "the size of PNG 6008 is \"201x144\", expected \"200x144\""},
    {"slot missing", [](Bytes* file) { Replace(file, ".kslot8", ".kslotX"); }, nullptr,
     "has no slot for filelist"},
    {"slot with another file's marker",
     [](Bytes* file) { Replace(file, "@@@@[filelist]", "@@@@[fileliXt]"); }, nullptr,
     "does not begin with the marker \"@@@@[filelist]\""},
    {"slot of another capacity", [](Bytes* file) { AddToSectionField(file, ".kslot8", 8, 0x1000); },
     nullptr, "the slot of filelist in the executable has room for"},
    {"slot's file data cut inside its record",
     [](Bytes* file) { AddToSectionField(file, ".kslot11", 16, -0x200); }, nullptr,
     "the file data of the slot of easylistchina.txt ends inside its record"},
    {"bytes behind a record",
     [](Bytes* file) {
       const size_t header = Find(*file, ".kslot6");
       const uint32_t end = Read32(*file, header + 20) + Read32(*file, header + 16);
       (*file)[end - 1] = 1;
     },
     nullptr, "the slot of Kestrel_Global.config holds bytes other than zeros behind its record"},
    {"slot writable", [](Bytes* file) { AddToSectionField(file, ".kslot6", 36, 0x80000000); },
     nullptr, "the slot of Kestrel_Global.config is not read-only initialised data"},
    {"slot not packed",
     [](Bytes* file) {
       const size_t record = Find(*file, "@@@@[filelist]") + 18;  // behind the marker's gap
       if (record + 8 <= file->size()) std::fill_n(file->begin() + record, 8, 0);
     },
     nullptr, "the slot of filelist holds no packed file"},
};

TEST(ShippingChecks, ShippingExecutablePasses) {
  EXPECT_EQ(CheckShippingImage(ShippingFile()), std::vector<std::string>());
}

TEST(ShippingChecks, FailACopyWithOnePropertyBroken) {
  const Bytes shipping = ShippingFile();
  ASSERT_FALSE(shipping.empty());
  for (const Breakage& breakage : kBreakages) {
    SCOPED_TRACE(breakage.what);
    Bytes file = shipping;
    if (breakage.breakFile) breakage.breakFile(&file);
    std::unique_ptr<Binary> image = ReadImage(file, "broken.exe");
    if (breakage.breakImage) breakage.breakImage(image.get());
    const std::vector<std::string> findings = CheckShippingImage(*image, file);
    EXPECT_EQ(findings.size(), 1u) << ::testing::PrintToString(findings);
    EXPECT_TRUE(Mentions(findings, breakage.finding)) << ::testing::PrintToString(findings);
  }
}

TEST(ShippingChecks, DamagedOrForeignFilesFailWithAMessage) {
  const Bytes shipping = ShippingFile();
  ASSERT_GT(shipping.size(), 100000u);
  const struct {
    const char* what;
    Bytes file;
    const char* finding;
  } cases[] = {
      {"empty", {}, "cannot be read as a PE image"},
      {"MZ without a PE header", {'M', 'Z', 0x90, 0}, "cannot be read as a PE image"},
      {"cut inside the headers", Bytes(shipping.begin(), shipping.begin() + 300), "is damaged"},
      {"cut inside the sections", Bytes(shipping.begin(), shipping.begin() + 100000),
       "has no resources"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<std::string> findings = CheckShippingImage(c.file);
    EXPECT_TRUE(Mentions(findings, c.finding)) << ::testing::PrintToString(findings);
  }
}

}  // namespace
}  // namespace kst::pecheck
