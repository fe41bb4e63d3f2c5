// Packs the product files into the installer: finds each slot by its marker in the executable's
// bytes, compresses the file of the same name from the payload folder and writes its record
// behind the marker.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "install/PayloadFiles.h"

namespace kst {

enum class Compressor { kZlib, kZopfli };

using Bytes = std::vector<uint8_t>;

// zlib streams at the best level (header 78 DA), as zlib's uncompress reads them in one call.
Bytes CompressZlib(const Bytes& data);
Bytes CompressZopfli(const Bytes& data);
Bytes Compress(const Bytes& data, Compressor compressor);

struct PackedFile {
  std::string name;
  size_t rawSize;
  size_t packedSize;
  size_t slotUsed;  // marker, sizes and stream
  size_t slotCapacity;
};

// Where the slot of file finds itself in image: its marker must be there exactly once and the
// whole slot must lie inside the image. False with a message that says what to do.
bool FindSlot(const Bytes& image, const PayloadFileSpec& file, const std::string& imageName,
              size_t* offset, std::string* error);

// Fills every slot of image with the file of its name from folder. On failure the image may be
// partly packed; error names the file and what to do.
bool PackImage(Bytes* image, const std::string& imageName, const std::string& folder,
               Compressor compressor, std::vector<PackedFile>* packed, std::string* error);

// Reads input, packs it and writes output in one step at the end, so that a refusal leaves
// output as it was (and input untouched, also when both are the same file).
bool PackFile(const std::string& input, const std::string& folder, const std::string& output,
              Compressor compressor, std::vector<PackedFile>* packed, std::string* error);

bool ReadWholeFile(const std::string& path, Bytes* data, std::string* error);

}  // namespace kst
