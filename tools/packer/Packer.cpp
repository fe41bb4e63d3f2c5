#include "tools/packer/Packer.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <memory>
#include <utility>

#include "install/PayloadFormat.h"
#include "tools/packer/ImageSections.h"
#include <LIEF/PE.hpp>
#include <sys/stat.h>
#include <zopfli/zopfli.h>

namespace kst {

namespace {

std::string MarkerOf(const PayloadFileSpec& file) {
  return std::string(kPayloadMarkerPrefix) + file.name + "]";
}

// The stream must be what the installer expects: best-level header, and one uncompress call
// into a buffer of the recorded size gives back the file.
bool RecordReadsBack(const uint8_t* slot, size_t capacity, const Bytes& data) {
  PayloadRecordView record;
  Bytes inflated;
  return ReadPayloadRecord(slot, capacity, &record) && record.packedSize >= 2 &&
         record.stream[0] == 0x78 && record.stream[1] == 0xDA &&
         UnpackSlot(slot, capacity, &inflated) && inflated == data;
}

// Packing writes into the image and so would break a signature: a signed image is refused.
bool IsUnsigned(const Bytes& image, const std::string& imageName, std::string* error) {
  try {
    std::unique_ptr<LIEF::PE::Binary> binary = LIEF::PE::Parser::parse(image, imageName);
    if (!binary->has_signature()) return true;
    *error = imageName + " is signed, and packing would break its signature; pack the " +
             "unsigned executable, then sign the result";
  } catch (const std::exception& failure) {
    *error = imageName + " cannot be read as a PE image (" + failure.what() +
             "); pack the installer's executable";
  }
  return false;
}

bool WriteFileAtomically(const std::string& path, const Bytes& data, mode_t mode,
                         std::string* error) {
  std::string temporary = path + ".XXXXXX";
  int descriptor = mkstemp(&temporary[0]);
  if (descriptor < 0) {
    *error = "cannot create a file beside " + path + ": " + strerror(errno) +
             "; make its folder writable";
    return false;
  }
  size_t done = 0;
  while (done < data.size()) {
    ssize_t written = write(descriptor, data.data() + done, data.size() - done);
    if (written <= 0) break;
    done += static_cast<size_t>(written);
  }
  bool ok = done == data.size() && fchmod(descriptor, mode) == 0;
  ok = close(descriptor) == 0 && ok;
  if (ok && rename(temporary.c_str(), path.c_str()) == 0) return true;
  *error = "cannot write " + path + ": " + strerror(errno) + "; check the free space and rights";
  unlink(temporary.c_str());
  return false;
}

Bytes CompressZlib(const Bytes& data) {
  uLongf length = compressBound(data.size());
  Bytes stream(length);
  if (compress2(stream.data(), &length, data.data(), data.size(), Z_BEST_COMPRESSION) != Z_OK) {
    return Bytes();
  }
  stream.resize(length);
  return stream;
}

Bytes CompressZopfli(const Bytes& data) {
  ZopfliOptions options;
  ZopfliInitOptions(&options);
  unsigned char* output = nullptr;
  size_t length = 0;
  ZopfliCompress(&options, ZOPFLI_FORMAT_ZLIB, data.data(), data.size(), &output, &length);
  Bytes stream(output, output + length);
  free(output);
  return stream;
}

Bytes Compress(const Bytes& data, Compressor compressor) {
  return compressor == Compressor::kZopfli ? CompressZopfli(data) : CompressZlib(data);
}

}  // namespace

bool ReadWholeFile(const std::string& path, Bytes* data, std::string* error) {
  FILE* file = fopen(path.c_str(), "rb");
  if (!file) {
    *error = path + ": " + strerror(errno);
    return false;
  }
  data->clear();
  uint8_t chunk[65536];
  size_t count;
  while ((count = fread(chunk, 1, sizeof(chunk), file)) > 0) {
    data->insert(data->end(), chunk, chunk + count);
  }
  bool ok = !ferror(file);
  fclose(file);
  if (!ok) *error = path + ": read error";
  return ok;
}

bool ReadSlot(const Bytes& image, const ImageSections& layout, size_t index,
              const std::string& imageName, const PeSection** section, Bytes* slot,
              std::string* error) {
  const PayloadFileSpec& file = kPayloadFiles[index];
  const std::string name = SlotSectionName(index);
  *section = FindSection(layout, name);
  if (*section == nullptr) {
    *error = imageName + " has no slot for " + file.name + " (no section " + name +
             "); pack an executable that links the payload slots";
    return false;
  }
  // The slots of an executable of another version may differ from this tool's table, and a
  // record written by the table would not fit the slot the program reads.
  const size_t capacity = PayloadSlotCapacity(index);
  if ((*section)->virtualSize != capacity) {
    *error = std::string("the slot of ") + file.name + " in " + imageName + " has room for " +
             std::to_string((*section)->virtualSize) + " bytes, kstpack's table says " +
             std::to_string(capacity) + "; pack with the kstpack built with that executable";
    return false;
  }
  const std::string marker = MarkerOf(file);
  if (!SectionInMemory(image, **section, slot)) {
    *error = "the file data of the slot of " + std::string(file.name) + " runs past the end of " +
             imageName + "; pack a whole executable";
    return false;
  }
  if (!std::equal(marker.begin(), marker.end(), slot->begin())) {
    *error = "the section " + name + " of " + imageName + " does not begin with the marker \"" +
             marker + "\" of " + file.name + " in its file data; pack the installer's executable";
    return false;
  }
  return true;
}

bool UnpackSlot(const uint8_t* slot, size_t capacity, Bytes* data) {
  PayloadRecordView record;
  if (!ReadPayloadRecord(slot, capacity, &record)) return false;
  data->assign(record.inflatedSize, 0);
  uLongf length = record.inflatedSize;
  return uncompress(data->data(), &length, record.stream, record.packedSize) == Z_OK &&
         length == record.inflatedSize;
}

bool PackImage(Bytes* image, const std::string& imageName, const std::string& folder,
               Compressor compressor, std::vector<PackedFile>* packed, std::string* error) {
  packed->clear();
  ImageSections layout;
  if (!IsUnsigned(*image, imageName, error)) return false;
  if (!ReadImageSections(*image, &layout)) {
    *error = imageName + " has no section table that lies in the file; pack the installer's " +
             "executable";
    return false;
  }
  std::vector<const PeSection*> sections(kPayloadFileCount);
  std::vector<Bytes> slots(kPayloadFileCount);
  for (size_t index = 0; index < kPayloadFileCount; ++index)
    if (!ReadSlot(*image, layout, index, imageName, &sections[index], &slots[index], error))
      return false;
  std::vector<Bytes> files(kPayloadFileCount);
  std::vector<size_t> used(kPayloadFileCount);
  for (size_t index = 0; index < kPayloadFileCount; ++index) {
    const PayloadFileSpec& file = kPayloadFiles[index];
    std::string path = folder + "/" + file.name;
    Bytes& data = files[index];
    if (!ReadWholeFile(path, &data, error)) {
      *error += "; put every product file into the payload folder " + folder;
      return false;
    }
    Bytes stream = Compress(data, compressor);
    // A record of an earlier packing goes whole: behind the marker, nothing but the new record.
    Bytes& slot = slots[index];
    const size_t capacity = slot.size();
    std::fill(slot.begin() + MarkerOf(file).size(), slot.end(), 0);
    if (stream.empty() ||
        !WritePayloadRecord(slot.data(), capacity, data.size(), stream.data(), stream.size())) {
      *error = std::string(file.name) + " does not fit its slot: packed size " +
               std::to_string(stream.size()) + " bytes, slot capacity " + std::to_string(capacity) +
               " bytes (" + std::to_string(PayloadStreamRoom(slot.data(), capacity)) +
               " for the stream); make the file smaller" +
               (compressor == Compressor::kZlib ? ", pack with --zopfli" : "") +
               " or enlarge its slot in install/ProductFiles.def";
      return false;
    }
    size_t streamStart = capacity - PayloadStreamRoom(slot.data(), capacity);
    used[index] = streamStart + stream.size();
    packed->push_back({file.name, data.size(), stream.size(), used[index], capacity});
  }
  Bytes laidOut = LayOutImage(*image, layout, sections, slots, used);
  // The file as written: every record reads back from it as the program's memory will hold it.
  ImageSections written;
  for (size_t index = 0; index < kPayloadFileCount; ++index) {
    const PeSection* section = nullptr;
    Bytes slot;
    if (!ReadImageSections(laidOut, &written) ||
        !ReadSlot(laidOut, written, index, imageName, &section, &slot, error) ||
        !RecordReadsBack(slot.data(), slot.size(), files[index])) {
      *error = std::string("the record of ") + kPayloadFiles[index].name +
               " does not read back from the packed file; this is a fault of kstpack";
      return false;
    }
  }
  *image = std::move(laidOut);
  return true;
}

bool PackFile(const std::string& input, const std::string& folder, const std::string& output,
              Compressor compressor, std::vector<PackedFile>* packed, std::string* error) {
  Bytes image;
  if (!ReadWholeFile(input, &image, error)) return false;
  struct stat status;
  mode_t mode = stat(input.c_str(), &status) == 0 ? status.st_mode & 07777 : 0644;
  return PackImage(&image, input, folder, compressor, packed, error) &&
         WriteFileAtomically(output, image, mode, error);
}

}  // namespace kst
