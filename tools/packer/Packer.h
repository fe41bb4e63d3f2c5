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
// marker, which must be in the image exactly once with the whole slot behind it. On failure the
// image may be partly packed; error names the file and what to do.
bool PackImage(Bytes* image, const std::string& imageName, const std::string& folder,
               Compressor compressor, std::vector<PackedFile>* packed, std::string* error);

// Reads input, packs it and writes output in one step at the end, so that a refusal leaves
// output as it was (and input untouched, also when both are the same file).
bool PackFile(const std::string& input, const std::string& folder, const std::string& output,
              Compressor compressor, std::vector<PackedFile>* packed, std::string* error);

bool ReadWholeFile(const std::string& path, Bytes* data, std::string* error);

// True for a PE image that carries an Authenticode signature (a certificate table). Anything
// that is no PE image, or is cut short, counts as unsigned.
bool IsSignedImage(const Bytes& image);

}  // namespace kst
