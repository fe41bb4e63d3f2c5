// Where a range of the image lies in the executable file: the section table's mapping, and the
// headers and files that must not be trusted.
#include <stdint.h>

#include <vector>

#include "install/ImageLayout.h"
#include <gtest/gtest.h>

namespace kst {
namespace {

void Put32(std::vector<uint8_t>& file, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) file[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

void Put16(std::vector<uint8_t>& file, size_t at, uint32_t value) {
  file[at] = static_cast<uint8_t>(value);
  file[at + 1] = static_cast<uint8_t>(value >> 8);
}

// Two sections: 0x200 raw bytes at file offset 0x200 for the image's 0x1000, and 0x100 at 0x400
// for its 0x2000, whose virtual size (0x3000) is larger than its raw data.
std::vector<uint8_t> TwoSectionImage() {
  std::vector<uint8_t> file(0x500, 0);
  file[0] = 'M';
  file[1] = 'Z';
  Put32(file, 0x3c, 0x40);
  Put32(file, 0x40, 0x00004550);
  Put16(file, 0x46, 2);
  Put16(file, 0x54, 0xe0);
  const size_t table = 0x40 + 4 + 20 + 0xe0;
  const uint32_t sections[2][4] = {{0x200, 0x1000, 0x200, 0x200}, {0x3000, 0x2000, 0x100, 0x400}};
  for (size_t i = 0; i < 2; ++i) {
    Put32(file, table + 40 * i + 8, sections[i][0]);
    Put32(file, table + 40 * i + 12, sections[i][1]);
    Put32(file, table + 40 * i + 16, sections[i][2]);
    Put32(file, table + 40 * i + 20, sections[i][3]);
  }
  return file;
}

TEST(FileOffsetOfImageRange, MapsARangeThatASectionHoldsInMemory) {
  const std::vector<uint8_t> file = TwoSectionImage();
  struct Case {
    uint32_t rva;
    size_t length;
    bool found;
    size_t offset;
    size_t held;  // bytes from the file; the rest is the loader's zero fill
  } const cases[] = {
      {0x1000, 0x200, true, 0x200, 0x200},  // the whole first section
      {0x1010, 0x10, true, 0x210, 0x10},
      {0x11f0, 0x10, true, 0x3f0, 0x10},  // to its last byte
      {0x11f0, 0x11, false, 0, 0},        // one past it
      {0x0fff, 0x1, false, 0, 0},         // before every section (the headers)
      {0x2000, 0x100, true, 0x400, 0x100},
      {0x2000, 0x3000, true, 0x400, 0x100},  // the whole second section: file data, then zeros
      {0x20f0, 0x20, true, 0x4f0, 0x10},     // across the end of its file data
      {0x2100, 0x1, true, 0x500, 0},         // in memory only: zero fill the file does not hold
      {0x2000, 0x3001, false, 0, 0},         // past its virtual size
      {0x1200, 0x0, true, 0x400, 0},         // an empty range at the end of the raw data
      {0xffffffff, 0x1, false, 0, 0},
  };
  for (const Case& c : cases) {
    size_t offset = 0;
    size_t held = 0;
    EXPECT_EQ(FileOffsetOfImageRange(file.data(), file.size(), c.rva, c.length, offset, held),
              c.found)
        << std::hex << c.rva << "+" << c.length;
    if (c.found) {
      EXPECT_EQ(offset, c.offset) << std::hex << c.rva;
      EXPECT_EQ(held, c.held) << std::hex << c.rva;
    }
  }
}

TEST(FileOffsetOfImageRange, RefusesHeadersAndFilesItCannotTrust) {
  auto broken = [](void (*breakIt)(std::vector<uint8_t>&)) {
    std::vector<uint8_t> file = TwoSectionImage();
    breakIt(file);
    return file;
  };
  const std::vector<std::vector<uint8_t>> files = {
      broken([](std::vector<uint8_t>& f) { f[0] = 'X'; }),             // no DOS header
      broken([](std::vector<uint8_t>& f) { Put32(f, 0x3c, 0x4fe); }),  // headers past the end
      broken(
          [](std::vector<uint8_t>& f) { Put32(f, 0x40, 0x01004550); }),  // not "PE" and two zeros
      broken([](std::vector<uint8_t>& f) { Put16(f, 0x46, 40); }),       // a table past the end
      broken([](std::vector<uint8_t>& f) { f.resize(0x4ff); }),          // raw data cut short
      std::vector<uint8_t>{'M'},
  };
  for (const std::vector<uint8_t>& file : files) {
    size_t offset = 0;
    size_t held = 0;
    EXPECT_FALSE(FileOffsetOfImageRange(file.data(), file.size(), 0x2000, 0x100, offset, held))
        << file.size();
  }
}

}  // namespace
}  // namespace kst
