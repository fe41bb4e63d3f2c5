#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <memory>
#include <string>

#include "install/PayloadFormat.h"
#include "tools/packer/Packer.h"
#include <LIEF/PE.hpp>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace kst {

// Found by gtest through the type's namespace: names the parameterised cases.
void PrintTo(Compressor compressor, std::ostream* out) {
  *out << (compressor == Compressor::kZopfli ? "zopfli" : "zlib");
}

namespace {

std::string MarkerOf(size_t index) {
  return std::string(kPayloadMarkerPrefix) + kPayloadFiles[index].name + "]";
}

// Bytes that neither compress nor contain a marker by chance.
Bytes Noise(size_t size, uint32_t seed) {
  Bytes data(size);
  for (uint8_t& byte : data) {
    seed = seed * 1664525 + 1013904223;
    byte = static_cast<uint8_t>(seed >> 24);
  }
  return data;
}

Bytes Text(const std::string& name, size_t lines) {
  std::string text;
  for (size_t i = 0; i < lines; ++i)
    text += name + " line " + std::to_string(i * 7919 % 1000) + "\n";
  return Bytes(text.begin(), text.end());
}

void WriteBytes(const std::string& path, const Bytes& data) {
  FILE* file = fopen(path.c_str(), "wb");
  ASSERT_NE(nullptr, file) << path;
  ASSERT_EQ(data.size(), fwrite(data.data(), 1, data.size(), file));
  fclose(file);
}

Bytes ReadBytes(const std::string& path) {
  Bytes data;
  std::string error;
  EXPECT_TRUE(ReadWholeFile(path, &data, &error)) << error;
  return data;
}

// An executable laid out as the linker lays out the installer: code, then each slot in a section
// of its own (its marker with some fill, then zeros up to its capacity), then resources. Signed,
// its certificate table is the start of the code, which looks like one.
struct FakeImage {
  Bytes bytes;

  // A slot may have half its capacity, as in an executable of another version.
  explicit FakeImage(bool signedImage = false, size_t halvedSlot = kPayloadFileCount) {
    LIEF::PE::Binary binary("fake.exe", LIEF::PE::PE_TYPE::PE32);
    Bytes code = {64, 0, 0, 0, 0, 2, 2, 0};  // WIN_CERTIFICATE of a PKCS#7 signature
    code.resize(64);
    const Bytes noise = Noise(3000, 1);
    code.insert(code.end(), noise.begin(), noise.end());
    const LIEF::PE::Section& text =
        binary.add_section(LIEF::PE::Section(code, ".text"), LIEF::PE::PE_SECTION_TYPES::TEXT);
    for (size_t index = 0; index < kPayloadFileCount; ++index) {
      std::string marker = MarkerOf(index) + std::string(index % 5, '@');
      Bytes slot(PayloadSlotCapacity(index) / (index == halvedSlot ? 2 : 1), 0);
      std::copy(marker.begin(), marker.end(), slot.begin());
      binary.add_section(LIEF::PE::Section(slot, SlotSectionName(index)),
                         LIEF::PE::PE_SECTION_TYPES::DATA);
    }
    binary.add_section(LIEF::PE::Section(Noise(5000, 2), ".rsrc"),
                       LIEF::PE::PE_SECTION_TYPES::DATA);
    if (signedImage) {
      LIEF::PE::DataDirectory& table =
          binary.data_directory(LIEF::PE::DATA_DIRECTORY::CERTIFICATE_TABLE);
      table.RVA(text.pointerto_raw_data());  // a file offset in this directory
      table.size(64);
    }
    LIEF::PE::Builder builder(&binary);
    builder.build();
    bytes = builder.get_build();
  }

  ImageSections Sections() const {
    ImageSections layout;
    EXPECT_TRUE(ReadImageSections(bytes, &layout));
    return layout;
  }

  // Writes the bytes of text over the start of the named section's file data.
  void WriteInSection(const std::string& name, size_t at, const std::string& text) {
    const ImageSections layout = Sections();
    const PeSection* section = FindSection(layout, name);
    ASSERT_NE(nullptr, section) << name;
    std::copy(text.begin(), text.end(), bytes.begin() + section->rawOffset + at);
  }
};

Bytes FileDataOf(const Bytes& image, const std::string& name) {
  ImageSections layout;
  if (!ReadImageSections(image, &layout) || FindSection(layout, name) == nullptr) return {};
  const PeSection& section = *FindSection(layout, name);
  return Bytes(image.begin() + section.rawOffset,
               image.begin() + section.rawOffset + section.rawSize);
}

class PackerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kstpack-test-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    root_ = pattern;
    payload_ = root_ + "/payload";
    ASSERT_EQ(0, mkdir(payload_.c_str(), 0755));
    WritePayload(40);
  }

  void TearDown() override { ASSERT_EQ(0, system(("rm -rf '" + root_ + "'").c_str())); }

  // Text files of about lines lines each, the first one binary.
  void WritePayload(size_t lines) {
    for (size_t index = 0; index < kPayloadFileCount; ++index) {
      const char* name = kPayloadFiles[index].name;
      WriteBytes(payload_ + "/" + name, index == 0 ? Noise(lines * 20, 9) : Text(name, lines));
    }
  }

  Bytes Pack(const Bytes& image, Compressor compressor = Compressor::kZlib) {
    Bytes packed = image;
    std::vector<PackedFile> files;
    std::string error;
    EXPECT_TRUE(PackImage(&packed, "fake.exe", payload_, compressor, &files, &error)) << error;
    return packed;
  }

  std::string root_;
  std::string payload_;
};

class PackerFormatTest : public PackerTest, public ::testing::WithParamInterface<Compressor> {};

TEST_P(PackerFormatTest, WritesEachFileAsABestLevelRecordBehindItsMarker) {
  FakeImage image;
  Bytes packed = Pack(image.bytes, GetParam());
  ImageSections layout;
  ASSERT_TRUE(ReadImageSections(packed, &layout));

  for (size_t index = 0; index < kPayloadFileCount; ++index) {
    SCOPED_TRACE(kPayloadFiles[index].name);
    const PeSection* section = FindSection(layout, SlotSectionName(index));
    ASSERT_NE(nullptr, section);
    const size_t capacity = PayloadSlotCapacity(index);
    EXPECT_EQ(capacity, section->virtualSize) << "the slot keeps its capacity in memory";
    EXPECT_EQ(kSlotCharacteristics, section->characteristics);
    Bytes memory;
    ASSERT_TRUE(SectionInMemory(packed, *section, &memory));
    const uint8_t* slot = memory.data();
    std::string marker = MarkerOf(index);
    EXPECT_EQ(0, memcmp(slot, marker.data(), marker.size()));

    PayloadRecordView record;
    ASSERT_TRUE(ReadPayloadRecord(slot, capacity, &record));
    Bytes file = ReadBytes(payload_ + "/" + kPayloadFiles[index].name);
    ASSERT_EQ(file.size(), record.inflatedSize);
    ASSERT_GE(record.packedSize, 2u);
    EXPECT_EQ(0x78, record.stream[0]);
    EXPECT_EQ(0xDA, record.stream[1]);

    // One call into a buffer of exactly the recorded size, as the installer does it.
    Bytes inflated(record.inflatedSize);
    uLongf length = record.inflatedSize;
    ASSERT_EQ(Z_OK, uncompress(inflated.data(), &length, record.stream, record.packedSize));
    EXPECT_EQ(file, inflated);

    // The file holds the record and no more than the file alignment of zeros behind it.
    const size_t used = static_cast<size_t>(record.stream + record.packedSize - slot);
    EXPECT_GE(section->rawSize, used);
    EXPECT_LT(section->rawSize, used + layout.fileAlignment);
    EXPECT_EQ(0u, section->rawSize % layout.fileAlignment);
    EXPECT_TRUE(std::all_of(record.stream + record.packedSize, slot + capacity,
                            [](uint8_t b) { return b == 0; }));
    EXPECT_TRUE(
        std::all_of(record.stream - 12, record.stream - 8, [](uint8_t b) { return b == 0; }));
  }
  // What is not a slot comes along unchanged, only moved.
  for (const char* name : {".text", ".rsrc"})
    EXPECT_EQ(FileDataOf(image.bytes, name), FileDataOf(packed, name)) << name;
  EXPECT_LT(packed.size(), image.bytes.size() / 4);
  // The headers' sums agree with the sections and the file, read back by LIEF.
  std::unique_ptr<LIEF::PE::Binary> binary = LIEF::PE::Parser::parse(packed, "packed.exe");
  EXPECT_EQ(binary->optional_header().checksum(), ImageChecksum(packed, layout.checksumOffset));
  uint32_t initializedData = 0;
  for (const PeSection& section : layout.sections)
    if (section.characteristics & 0x40) initializedData += section.rawSize;
  EXPECT_EQ(binary->optional_header().sizeof_initialized_data(), initializedData);
}

// The system's sum of 16-bit words with the carries folded back in, the checksum field left out,
// plus the file's length; worked out by hand.
TEST(ImageChecksum, FoldsCarriesSkipsItsFieldAndAddsTheLength) {
  struct Case {
    Bytes file;
    size_t field;
    uint32_t checksum;
  } const cases[] = {
      {{1, 0, 2, 0}, 8, 3 + 4},
      {{0xFF, 0xFF, 0x02, 0x00}, 8, 2 + 4},              // 0xFFFF + 2 folds to 2
      {{1, 0, 0xAA, 0xBB, 0xCC, 0xDD, 2, 0}, 2, 3 + 8},  // the field's four bytes do not count
      {{1, 0, 5}, 8, 6 + 3},                             // an odd last byte counts as a word
  };
  for (const Case& c : cases) EXPECT_EQ(ImageChecksum(c.file, c.field), c.checksum);
}

INSTANTIATE_TEST_SUITE_P(BothCompressors, PackerFormatTest,
                         ::testing::Values(Compressor::kZlib, Compressor::kZopfli),
                         [](const ::testing::TestParamInfo<Compressor>& info) {
                           return ::testing::PrintToString(info.param);
                         });

TEST_F(PackerTest, RepackingGivesTheSameBytesAsPackingOnce) {
  FakeImage image;
  WritePayload(40);
  Bytes once = Pack(image.bytes);
  EXPECT_EQ(once, Pack(once));

  // Larger files first: their longer records must leave nothing behind.
  WritePayload(400);
  Bytes larger = Pack(image.bytes);
  ASSERT_NE(once, larger);
  WritePayload(40);
  EXPECT_EQ(once, Pack(larger));
}

TEST_F(PackerTest, PackFileWritesTheOutputAndLeavesTheInput) {
  FakeImage image;
  std::string input = root_ + "/in.exe";
  std::string output = root_ + "/out.exe";
  WriteBytes(input, image.bytes);
  ASSERT_EQ(0, chmod(input.c_str(), 0755));

  std::vector<PackedFile> files;
  std::string error;
  ASSERT_TRUE(PackFile(input, payload_, output, Compressor::kZlib, &files, &error)) << error;
  EXPECT_EQ(image.bytes, ReadBytes(input));
  EXPECT_EQ(Pack(image.bytes), ReadBytes(output));
  struct stat status;
  ASSERT_EQ(0, stat(output.c_str(), &status));
  EXPECT_EQ(0755u, status.st_mode & 07777);

  ASSERT_EQ(kPayloadFileCount, files.size());
  for (size_t index = 0; index < kPayloadFileCount; ++index) {
    EXPECT_EQ(kPayloadFiles[index].name, files[index].name);
    EXPECT_EQ(ReadBytes(payload_ + "/" + files[index].name).size(), files[index].rawSize);
    EXPECT_EQ(PayloadSlotCapacity(index), files[index].slotCapacity);
    EXPECT_LT(files[index].packedSize, files[index].slotUsed);
  }

  // Packing in place replaces the file as a whole.
  ASSERT_TRUE(PackFile(output, payload_, output, Compressor::kZlib, &files, &error)) << error;
  EXPECT_EQ(Pack(image.bytes), ReadBytes(output));
}

struct Refusal {
  const char* what;
  void (*spoil)(FakeImage* image, const std::string& payload);
  std::vector<const char*> sayings;  // the error names the file and says what to do
};

const Refusal kRefusals[] = {
    {"product file missing",
     [](FakeImage*, const std::string& payload) { unlink((payload + "/badword.txt").c_str()); },
     {"badword.txt", "put every product file into the payload folder"}},
    {"record larger than its slot",
     [](FakeImage*, const std::string& payload) {
       WriteBytes(payload + "/filelist", Noise(2048, 3));
     },
     {"filelist", "packed size", "slot capacity 2048", "--zopfli", "install/ProductFiles.def"}},
    {"marker missing",
     [](FakeImage* image, const std::string&) {
       image->WriteInSection(SlotSectionName(10), 6, "X");
     },
     {"kestrelrules.txt", "does not begin with the marker", "the installer's executable"}},
    {"slot section missing",
     [](FakeImage* image, const std::string&) {
       const std::string name = SlotSectionName(12);
       auto at = std::search(image->bytes.begin(), image->bytes.end(), name.begin(), name.end());
       ASSERT_NE(at, image->bytes.end());
       *(at + 1) = 'X';
     },
     {kPayloadFiles[12].name, "no section .kslot12", "links the payload slots"}},
    {"signed executable",
     [](FakeImage* image, const std::string&) { *image = FakeImage(true); },
     {"in.exe is signed", "pack the unsigned executable, then sign the result"}},
    {"no PE image",
     [](FakeImage* image, const std::string&) { image->bytes[0] = 'X'; },
     {"in.exe cannot be read as a PE image", "pack the installer's executable"}},
    {"a slot smaller than the table's",
     [](FakeImage* image, const std::string&) { *image = FakeImage(false, 6); },
     {kPayloadFiles[6].name, "has room for", "kstpack's table says"}},
    {"slot cut off by the end of the file",
     [](FakeImage* image, const std::string&) {
       const ImageSections layout = image->Sections();
       image->bytes.resize(FindSection(layout, SlotSectionName(14))->rawOffset + 1000);
     },
     {kPayloadFiles[14].name, "runs past the end"}},
};

TEST_F(PackerTest, RefusesWithAMessageAndLeavesInputAndOutputAlone) {
  for (const Refusal& refusal : kRefusals) {
    SCOPED_TRACE(refusal.what);
    WritePayload(40);
    FakeImage image;
    refusal.spoil(&image, payload_);
    std::string input = root_ + "/in.exe";
    std::string output = root_ + "/out.exe";
    WriteBytes(input, image.bytes);
    const Bytes earlierOutput = {'o', 'l', 'd'};
    WriteBytes(output, earlierOutput);

    std::vector<PackedFile> files;
    std::string error;
    EXPECT_FALSE(PackFile(input, payload_, output, Compressor::kZlib, &files, &error));
    for (const char* saying : refusal.sayings)
      EXPECT_NE(std::string::npos, error.find(saying)) << error;
    EXPECT_EQ(image.bytes, ReadBytes(input));
    EXPECT_EQ(earlierOutput, ReadBytes(output));
    EXPECT_EQ(0, system(("test $(ls '" + root_ + "' | wc -l) -eq 3").c_str()))
        << "a temporary file was left beside the output";
  }
}

}  // namespace
}  // namespace kst
