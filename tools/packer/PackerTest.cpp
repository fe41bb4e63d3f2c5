#include <LIEF/PE.hpp>
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <string>

#include "install/PayloadFormat.h"
#include "tools/packer/Packer.h"

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

// An executable with the fifteen slots in its data section, each a marker with some fill and zeros
// up to its capacity between other bytes, the way the linker lays out the installer's slots.
// Signed, its certificate table is the start of the data section, which looks like one.
struct FakeImage {
  Bytes bytes;
  size_t slotOffsets[kPayloadFileCount];

  // A slot may be left at half its capacity, as in an executable of another version.
  explicit FakeImage(bool signedImage = false, size_t halvedSlot = kPayloadFileCount) {
    Bytes data = {64, 0, 0, 0, 0, 2, 2, 0};  // WIN_CERTIFICATE of a PKCS#7 signature
    data.resize(64);
    for (size_t index = 0; index < kPayloadFileCount; ++index) {
      Bytes between = Noise(100 + index, static_cast<uint32_t>(index + 2));
      data.insert(data.end(), between.begin(), between.end());
      slotOffsets[index] = data.size();
      std::string marker = MarkerOf(index) + std::string(index % 5, '@');
      Bytes slot(PayloadSlotCapacity(index) / (index == halvedSlot ? 2 : 1), 0);
      std::copy(marker.begin(), marker.end(), slot.begin());
      data.insert(data.end(), slot.begin(), slot.end());
    }
    LIEF::PE::Binary binary("fake.exe", LIEF::PE::PE_TYPE::PE32);
    const LIEF::PE::Section& section =
        binary.add_section(LIEF::PE::Section(data, ".data"), LIEF::PE::PE_SECTION_TYPES::DATA);
    for (size_t& offset : slotOffsets) offset += section.pointerto_raw_data();
    if (signedImage) {
      LIEF::PE::DataDirectory& table =
          binary.data_directory(LIEF::PE::DATA_DIRECTORY::CERTIFICATE_TABLE);
      table.RVA(section.pointerto_raw_data());  // a file offset in this directory
      table.size(64);
    }
    LIEF::PE::Builder builder(&binary);
    builder.build();
    bytes = builder.get_build();
  }

  bool InsideSlot(size_t offset) const {
    for (size_t index = 0; index < kPayloadFileCount; ++index) {
      if (offset >= slotOffsets[index] &&
          offset < slotOffsets[index] + PayloadSlotCapacity(index)) {
        return true;
      }
    }
    return false;
  }
};

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
  ASSERT_EQ(image.bytes.size(), packed.size());

  for (size_t index = 0; index < kPayloadFileCount; ++index) {
    SCOPED_TRACE(kPayloadFiles[index].name);
    const uint8_t* slot = packed.data() + image.slotOffsets[index];
    size_t capacity = PayloadSlotCapacity(index);
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

    const uint8_t* end = slot + capacity;
    EXPECT_TRUE(
        std::all_of(record.stream + record.packedSize, end, [](uint8_t b) { return b == 0; }));
    EXPECT_TRUE(
        std::all_of(record.stream - 12, record.stream - 8, [](uint8_t b) { return b == 0; }));
  }
  for (size_t offset = 0; offset < packed.size(); ++offset) {
    if (!image.InsideSlot(offset)) {
      ASSERT_EQ(image.bytes[offset], packed[offset]) << offset;
    }
  }
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
     [](FakeImage* image, const std::string&) { image->bytes[image->slotOffsets[10] + 6] = 'X'; },
     {"kestrelrules.txt", "not found", "links the payload slots"}},
    {"marker found twice",
     [](FakeImage* image, const std::string&) {
       std::string marker = MarkerOf(14);
       std::copy(marker.begin(), marker.end(), image->bytes.begin() + 100);
     },
     {"gooddomain.txt", "twice", "remove the other copy"}},
    {"signed executable",
     [](FakeImage* image, const std::string&) { *image = FakeImage(true); },
     {"in.exe is signed", "pack the unsigned executable, then sign the result"}},
    {"no PE image",
     [](FakeImage* image, const std::string&) { image->bytes[0] = 'X'; },
     {"in.exe cannot be read as a PE image", "pack the installer's executable"}},
    {"a slot smaller than the table's, followed by the next slot",
     [](FakeImage* image, const std::string&) { *image = FakeImage(false, 6); },
     {kPayloadFiles[6].name, "has room for", "kstpack's table says"}},
    {"slot cut off by the end of the file",
     [](FakeImage* image, const std::string&) {
       image->bytes.resize(image->slotOffsets[14] + 1000);
     },
     {"gooddomain.txt", "runs past the end"}},
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
