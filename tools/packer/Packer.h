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

struct PackedFile {
  std::string name;
  size_t rawSize;
  size_t packedSize;
  size_t slotUsed;  // marker, sizes and stream
  size_t slotCapacity;
};

// Fills every slot of image with the file of its name from folder, as a zlib stream at the best
// level (header 78 DA) that zlib's uncompress inflates in one call. Each slot is found by its
// marker, which must be in the image exactly once with the whole slot behind it. The image must
// be an unsigned PE image. On failure the image may be partly packed; error names the file and
// what to do.
bool PackImage(Bytes* image, const std::string& imageName, const std::string& folder,
               Compressor compressor, std::vector<PackedFile>* packed, std::string* error);

// Reads input, packs it and writes output in one step at the end, so that a refusal leaves
// output as it was (and input untouched, also when both are the same file).
bool PackFile(const std::string& input, const std::string& folder, const std::string& output,
              Compressor compressor, std::vector<PackedFile>* packed, std::string* error);

bool ReadWholeFile(const std::string& path, Bytes* data, std::string* error);

// The offset of the slot of file `index` in image: its marker must be there exactly once, with
// the whole slot behind it. error names the file and what to do.
bool FindSlot(const Bytes& image, size_t index, const std::string& imageName, size_t* offset,
              std::string* error);

// The file a slot holds, inflated in one call into a buffer of the recorded size, as the
// installer does it; false for a slot without a sound record.
bool UnpackSlot(const uint8_t* slot, size_t capacity, Bytes* data);

}  // namespace kst
