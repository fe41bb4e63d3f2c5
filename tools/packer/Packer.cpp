#include "tools/packer/Packer.h"

#include <LIEF/PE.hpp>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>
#include <zopfli/zopfli.h>

#include <algorithm>
#include <memory>
#include <utility>

#include "install/PayloadFormat.h"

namespace kst {

namespace {

std::string MarkerOf(const PayloadFileSpec& file) {
  return std::string(kPayloadMarkerPrefix) + file.name + "]";
}

std::string Hex(size_t value) {
  char text[32];
  snprintf(text, sizeof(text), "0x%zx", value);
  return text;
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

// Where the raw data of each section ends in the file, read from the image's own headers.
// Packing writes into the image and so would break a signature: a signed image is refused.
bool ReadUnsignedLayout(const Bytes& image, const std::string& imageName,
                        std::vector<std::pair<size_t, size_t>>* sections, std::string* error) {
  try {
    std::unique_ptr<LIEF::PE::Binary> binary = LIEF::PE::Parser::parse(image, imageName);
    if (binary->has_signature()) {
      *error = imageName + " is signed, and packing would break its signature; pack the " +
               "unsigned executable, then sign the result";
      return false;
    }
    sections->clear();
    for (const LIEF::PE::Section& section : binary->sections())
      sections->emplace_back(section.pointerto_raw_data(),
                             size_t{section.pointerto_raw_data()} + section.sizeof_raw_data());
    return true;
  } catch (const std::exception& failure) {
    *error = imageName + " cannot be read as a PE image (" + failure.what() +
             "); pack the installer's executable";
  }
  return false;
}

// The slots of an executable of another version may be smaller than this tool's table says, and
// a record written by the table would run into what follows. Each slot's room in the image ends
// at the next slot's marker, or at the end of the raw data of the section that holds it.
bool CheckSlotRoom(const size_t (&offsets)[kPayloadFileCount],
                   const std::vector<std::pair<size_t, size_t>>& sections,
                   const std::string& imageName, std::string* error) {
  for (size_t index = 0; index < kPayloadFileCount; ++index) {
    const size_t offset = offsets[index];
    size_t end = 0;
    for (const auto& section : sections)
      if (offset >= section.first && offset < section.second) end = section.second;
    for (size_t other : offsets)
      if (other > offset && other < end) end = other;
    const size_t capacity = PayloadSlotCapacity(index);
    if (end - offset < capacity) {
      *error = std::string("the slot of ") + kPayloadFiles[index].name + " in " + imageName +
               " has room for " + std::to_string(end > offset ? end - offset : 0) +
               " bytes, kstpack's table says " + std::to_string(capacity) +
               "; pack with the kstpack built with that executable";
      return false;
    }
  }
  return true;
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

bool FindSlot(const Bytes& image, size_t index, const std::string& imageName, size_t* offset,
              std::string* error) {
  const PayloadFileSpec& file = kPayloadFiles[index];
  std::string marker = MarkerOf(file);
  auto first = std::search(image.begin(), image.end(), marker.begin(), marker.end());
  if (first == image.end()) {
    *error = imageName + " has no slot for " + file.name + " (marker \"" + marker +
             "\" not found); pack an executable that links the payload slots";
    return false;
  }
  auto second = std::search(first + 1, image.end(), marker.begin(), marker.end());
  if (second != image.end()) {
    *error = imageName + " holds the marker \"" + marker + "\" of " + file.name + " twice (at " +
             Hex(first - image.begin()) + " and " + Hex(second - image.begin()) +
             "); the text may appear only in its slot: remove the other copy";
    return false;
  }
  *offset = static_cast<size_t>(first - image.begin());
  size_t capacity = PayloadSlotCapacity(index);
  if (image.size() - *offset < capacity) {
    *error = std::string("the slot of ") + file.name + " at " + Hex(*offset) +
             " runs past the end of " + imageName + " (" + std::to_string(capacity) +
             " bytes needed, " + std::to_string(image.size() - *offset) +
             " left); the slot must be a whole array in the initialised data";
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
  std::vector<std::pair<size_t, size_t>> sections;
  size_t offsets[kPayloadFileCount];
  if (!ReadUnsignedLayout(*image, imageName, &sections, error)) return false;
  for (size_t index = 0; index < kPayloadFileCount; ++index)
    if (!FindSlot(*image, index, imageName, &offsets[index], error)) return false;
  if (!CheckSlotRoom(offsets, sections, imageName, error)) return false;
  std::vector<Bytes> files(kPayloadFileCount);
  for (size_t index = 0; index < kPayloadFileCount; ++index) {
    const PayloadFileSpec& file = kPayloadFiles[index];
    const size_t offset = offsets[index];
    std::string path = folder + "/" + file.name;
    Bytes& data = files[index];
    if (!ReadWholeFile(path, &data, error)) {
      *error += "; put every product file into the payload folder " + folder;
      return false;
    }
    Bytes stream = Compress(data, compressor);
    uint8_t* slot = image->data() + offset;
    size_t capacity = PayloadSlotCapacity(index);
    if (stream.empty() ||
        !WritePayloadRecord(slot, capacity, data.size(), stream.data(), stream.size())) {
      *error = std::string(file.name) + " does not fit its slot: packed size " +
               std::to_string(stream.size()) + " bytes, slot capacity " + std::to_string(capacity) +
               " bytes (" + std::to_string(PayloadStreamRoom(slot, capacity)) +
               " for the stream); make the file smaller" +
               (compressor == Compressor::kZlib ? ", pack with --zopfli" : "") +
               " or enlarge its slot in install/ProductFiles.def";
      return false;
    }
    if (!RecordReadsBack(slot, capacity, data)) {
      *error = std::string("the record of ") + file.name +
               " does not read back as the file; this is a fault of kstpack";
      return false;
    }
    size_t streamStart = capacity - PayloadStreamRoom(slot, capacity);
    packed->push_back(
        {file.name, data.size(), stream.size(), streamStart + stream.size(), capacity});
  }
  // Once all are written: no record ran into another one.
  for (size_t index = 0; index < kPayloadFileCount; ++index) {
    if (!RecordReadsBack(image->data() + offsets[index], PayloadSlotCapacity(index),
                         files[index])) {
      *error = std::string("the record of ") + kPayloadFiles[index].name +
               " was overwritten by a later one; this is a fault of kstpack";
      return false;
    }
  }
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
