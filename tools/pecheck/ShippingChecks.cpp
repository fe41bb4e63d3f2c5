#include "tools/pecheck/ShippingChecks.h"

#include <ctype.h>
#include <string.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "install/PayloadFiles.h"
#include "install/PayloadFormat.h"
#include "tools/packer/ImageSections.h"
#include <pugixml.hpp>

namespace kst::pecheck {
namespace {

namespace pe = LIEF::PE;
using Findings = std::vector<std::string>;

void Expect(Findings* findings, const std::string& what, const std::string& actual,
            const std::string& expected) {
  if (actual != expected)
    findings->push_back(what + " is \"" + actual + "\", expected \"" + expected + "\"");
}

void CheckHeaders(const pe::Binary& image, Findings* findings) {
  const pe::OptionalHeader& optional = image.optional_header();
  const uint16_t minor = optional.minor_subsystem_version();
  const std::string version = std::to_string(optional.major_subsystem_version()) +
                              (minor < 10 ? ".0" : ".") + std::to_string(minor);
  Expect(findings, "the machine", pe::to_string(image.header().machine()), "I386");
  Expect(findings, "the optional header", pe::to_string(optional.magic()), "PE32");
  Expect(findings, "the subsystem", pe::to_string(optional.subsystem()), "WINDOWS_GUI");
  Expect(findings, "the subsystem version (the oldest Windows that starts it)", version, "5.01");
}

// allowed-imports.txt: per DLL in lower case, the functions the installer may import from it.
std::map<std::string, std::set<std::string>> ReadAllowedImports(Findings* findings) {
  std::map<std::string, std::set<std::string>> allowed;
  std::ifstream stream(KST_ALLOWED_IMPORTS);
  if (!stream) findings->push_back("cannot read " KST_ALLOWED_IMPORTS);
  std::string line;
  while (std::getline(stream, line)) {
    std::istringstream words(line);
    std::string dll, function;
    if (!(words >> dll) || dll[0] == '#') continue;
    for (std::set<std::string>& functions = allowed[dll]; words >> function;)
      functions.insert(function);
  }
  return allowed;
}

void CheckImports(const pe::Binary& image, Findings* findings) {
  std::map<std::string, std::set<std::string>> allowed = ReadAllowedImports(findings);
  if (image.imports().size() == 0) findings->push_back("imports no DLL");
  for (const pe::Import& import : image.imports()) {
    std::string dll = import.name();
    for (char& c : dll) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    if (!allowed.count(dll)) {
      findings->push_back("imports " + import.name() + ", which is not a system DLL");
      continue;
    }
    for (const pe::ImportEntry& entry : import.entries()) {
      const std::string name =
          entry.is_ordinal() ? "#" + std::to_string(entry.ordinal()) : entry.name();
      if (!allowed[dll].count(name))
        findings->push_back("imports " + import.name() + "!" + name +
                            ", which is not available on Windows XP SP3 (allowed-imports.txt)");
    }
  }
  // LIEF 0.9 does not list delay-load imports, so there must be none to hide a DLL.
  if (image.data_directory(pe::DATA_DIRECTORY::DELAY_IMPORT_DESCRIPTOR).size() != 0)
    findings->push_back("has delay-load imports; load such DLLs by full path at run time");
}

// The data of resource `id` of `type` in its first language, empty when it is missing. A type is
// a number or a name such as "PNG".
Bytes FindResource(const pe::Binary& image, const std::string& type, uint32_t id) {
  for (const pe::ResourceNode& kind : image.resources().childs()) {
    if ((kind.has_name() ? LIEF::u16tou8(kind.name()) : std::to_string(kind.id())) != type)
      continue;
    for (const pe::ResourceNode& name : kind.childs()) {
      if (name.has_name() || name.id() != id) continue;
      for (const pe::ResourceNode& language : name.childs()) {
        if (language.is_data()) return static_cast<const pe::ResourceData&>(language).content();
      }
    }
  }
  return {};
}

void CheckManifest(const pe::Binary& image, Findings* findings) {
  const Bytes data = FindResource(image, "24", 1);
  pugi::xml_document manifest;
  const pugi::xml_parse_result parsed = manifest.load_buffer(data.data(), data.size());
  if (!parsed) {
    findings->push_back(
        "the manifest is missing or no well-formed XML: " + std::string(parsed.description()) +
        " at byte " + std::to_string(parsed.offset));
    return;
  }
  // Windows ignores the namespace prefixes, so the paths go by local names.
  const std::string level =
      "//*[local-name()='trustInfo']//*[local-name()='requestedExecutionLevel']";
  std::vector<std::pair<std::string, std::string>> expectations = {
      {"local-name(/*)", "assembly"},
      {"count(/*)", "1"},  // pugixml takes a second root element; Windows does not
      {"string(/*/@manifestVersion)", "1.0"},
      {"count(" + level + ")", "1"},
      {"string(" + level + "/@level)", "requireAdministrator"},
      {"string(" + level + "/@uiAccess)", "false"},
  };
  // Common controls 6, and GDI+ from the side-by-side store, never from a folder. Without the
  // type and the key token Windows finds no such assembly and refuses to start the program.
  const std::pair<const char*, const char*> kDependencies[] = {
      {"Microsoft.Windows.Common-Controls", "6.0.0.0"}, {"Microsoft.Windows.GdiPlus", "1.0.0.0"}};
  for (const auto& [name, version] : kDependencies) {
    const std::string identity =
        "//*[local-name()='dependentAssembly']/*[local-name()='assemblyIdentity'][@name='" +
        std::string(name) + "']";
    expectations.insert(
        expectations.end(),
        {{"count(" + identity + ")", "1"},
         {"string(" + identity + "/@version)", version},
         {"string(" + identity + "/@processorArchitecture)", "x86"},
         {"string(" + identity + "/@type)", "win32"},
         {"translate(" + identity + "/@publicKeyToken, 'ABCDEF', 'abcdef')", "6595b64144ccf1df"}});
  }
  // Aware of the DPI, so that Windows does not stretch the finished window: per monitor (v2) from
  // Windows 10 version 1703 on, system-wide before, also on version 1607, which reads the list of
  // awareness modes but does not know v2. Windows reads each setting only in its own namespace,
  // inside the application element of the v3 one.
  const std::pair<const char*, const char*> kWindowsSettings[] = {
      {"dpiAware' and namespace-uri()='http://schemas.microsoft.com/SMI/2005/WindowsSettings",
       "true"},
      {"dpiAwareness' and namespace-uri()='http://schemas.microsoft.com/SMI/2016/WindowsSettings",
       "PerMonitorV2, System"}};
  for (const auto& [setting, value] : kWindowsSettings) {
    expectations.push_back(
        {"normalize-space(/*/*[local-name()='application' and "
         "namespace-uri()='urn:schemas-microsoft-com:asm.v3']/*[local-name()='windowsSettings']/"
         "*[local-name()='" +
             std::string(setting) + "'])",
         value});
  }
  for (const auto& [path, expected] : expectations) {
    Expect(findings, "in the manifest, " + path,
           pugi::xpath_query(path.c_str()).evaluate_string(manifest), expected);
  }
}

// String `id` where LoadString finds it: entry id % 16 of block id / 16 + 1, each entry a length
// and that many UTF-16 units. LIEF 0.9 does not read string tables.
std::string LoadString(const pe::Binary& image, uint32_t id) {
  const Bytes data = FindResource(image, "6", id / 16 + 1);
  for (size_t at = 0, entry = 0; at + 2 <= data.size(); ++entry) {
    const size_t length = data[at] | data[at + 1] << 8;
    at += 2;
    if (entry == id % 16) {
      std::u16string text;
      for (; text.size() < length && at + 2 <= data.size(); at += 2)
        text += static_cast<char16_t>(data[at] | data[at + 1] << 8);
      return LIEF::u16tou8(text);
    }
    at += 2 * length;
  }
  return "(missing)";
}

void CheckResources(const pe::Binary& image, Findings* findings) {
  Expect(findings, "string 128, the window title,", LoadString(image, 128), "Kestrel Installer");
  // The smallest template header (DLGTEMPLATE) is 18 bytes.
  if (FindResource(image, "5", 2000).size() < 18) findings->push_back("no dialog template 2000");

  // LIEF reads the icons of every group; the installer has the one.
  const pe::ResourcesManager manager = image.resources_manager();
  std::string sizes;
  if (!FindResource(image, "14", 169).empty() && manager.has_icons()) {
    for (const pe::ResourceIcon& icon : manager.icons())
      sizes += (sizes.empty() ? "" : " ") + std::to_string(icon.width()) + "x" +
               std::to_string(icon.height());
  }
  Expect(findings, "the image sizes of icon group 169", sizes, "16x16 32x32");

  const std::pair<uint32_t, const char*> kSkinImages[] = {
      {152, "486x267"}, {153, "560x337"}, {6006, "154x48"}, {160, "80x16"},   {162, "1081x45"},
      {172, "154x48"},  {176, "580x321"}, {177, "496x260"}, {173, "496x260"}, {6008, "200x144"}};
  // The PNG signature, then the IHDR chunk: its length, type, width and height, big-endian.
  static const uint8_t kPngStart[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n',
                                      0,    0,   0,   13,  'I',  'H',  'D',  'R'};
  for (const auto& [id, size] : kSkinImages) {
    const Bytes png = FindResource(image, "PNG", id);
    auto be32 = [&](size_t at) {
      return std::to_string(uint32_t{png[at]} << 24 | png[at + 1] << 16 | png[at + 2] << 8 |
                            png[at + 3]);
    };
    const bool isPng = png.size() >= 24 && memcmp(png.data(), kPngStart, sizeof kPngStart) == 0;
    Expect(findings, "the size of PNG " + std::to_string(id),
           isPng ? be32(16) + "x" + be32(20) : "(no PNG image)", size);
  }
}

// Each slot a section of its own: its capacity in memory, its file data holding the whole record
// and nothing but zeros behind it, so that the program reads exactly the record in the slot.
void CheckSlots(const Bytes& file, Findings* findings) {
  ImageSections layout;
  if (!ReadImageSections(file, &layout)) {
    findings->push_back("has no section table that lies in the file");
    return;
  }
  for (size_t index = 0; index < kPayloadFileCount; ++index) {
    const std::string name = kPayloadFiles[index].name;
    const PeSection* section = nullptr;
    Bytes slot;
    std::string error;
    if (!ReadSlot(file, layout, index, "the executable", &section, &slot, &error)) {
      findings->push_back(error);
      continue;
    }
    if (section->characteristics != kSlotCharacteristics)
      findings->push_back("the slot of " + name + " is not read-only initialised data");
    PayloadRecordView record;
    Bytes packed;
    const bool recorded = ReadPayloadRecord(slot.data(), slot.size(), &record);
    const size_t used =
        recorded ? static_cast<size_t>(record.stream - slot.data()) + record.packedSize : 0;
    if (recorded && section->rawSize < used)
      findings->push_back("the file data of the slot of " + name + " ends inside its record (" +
                          std::to_string(section->rawSize) + " of " + std::to_string(used) +
                          " bytes)");
    else if (!recorded || !UnpackSlot(slot.data(), slot.size(), &packed))
      findings->push_back("the slot of " + name +
                          " holds no packed file; pack the executable with kstpack");
    else if (std::any_of(slot.begin() + used, slot.end(), [](uint8_t byte) { return byte != 0; }))
      findings->push_back("the slot of " + name +
                          " holds bytes other than zeros behind its record");
  }
}

}  // namespace

std::vector<std::string> CheckShippingImage(const pe::Binary& image, const Bytes& file) {
  Findings findings;
  CheckHeaders(image, &findings);
  CheckImports(image, &findings);
  if (image.has_resources()) {
    CheckManifest(image, &findings);
    CheckResources(image, &findings);
  } else {
    findings.push_back("has no resources");
  }
  CheckSlots(file, &findings);
  return findings;
}

std::unique_ptr<pe::Binary> ReadImage(const Bytes& file, const std::string& name) {
  constexpr size_t kLeafSize = 16;
  Bytes padded = file;
  padded.resize(file.size() + kLeafSize);
  return pe::Parser::parse(padded, name);
}

std::vector<std::string> CheckShippingImage(const Bytes& file) {
  try {
    return CheckShippingImage(*ReadImage(file, "instkst.exe"), file);
  } catch (const std::exception& failure) {
    return {std::string("cannot be read as a PE image, or is damaged: ") + failure.what()};
  }
}

}  // namespace kst::pecheck
