// Packs the product files into the installer: finds each slot's section, compresses the file of
// the same name from the payload folder, writes its record behind the slot's marker and cuts the
// section's file data to what the record uses.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "install/PayloadFiles.h"
#include "tools/packer/ImageSections.h"

namespace kst {

enum class Compressor { kZlib, kZopfli };

struct PackedFile {
  std::string name;
  size_t rawSize;
  size_t packedSize;
  size_t slotUsed;  // marker, sizes and stream
  size_t slotCapacity;
};

// Fills every slot of image with the file of its name from folder, as a zlib stream at the best
// level (header 78 DA) that zlib's uncompress inflates in one call, and lays the image out anew
// with each slot section's file data cut to its marker and record (ReadSlot). The image must be an
// unsigned PE image; a packed one can be packed again. On failure the image is as it was; error
// names the file and what to do.
bool PackImage(Bytes* image, const std::string& imageName, const std::string& folder,
               Compressor compressor, std::vector<PackedFile>* packed, std::string* error);

// Reads input, packs it and writes output in one step at the end, so that a refusal leaves
// output as it was (and input untouched, also when both are the same file).
bool PackFile(const std::string& input, const std::string& folder, const std::string& output,
              Compressor compressor, std::vector<PackedFile>* packed, std::string* error);

bool ReadWholeFile(const std::string& path, Bytes* data, std::string* error);

// The slot of file `index` as the program will have it in memory (slot): its section, whose
// virtual size must be the slot's capacity in this tool's table and whose file data must begin
// with the file's marker. error names the file and what to do.
bool ReadSlot(const Bytes& image, const ImageSections& layout, size_t index,
              const std::string& imageName, const PeSection** section, Bytes* slot,
              std::string* error);

// The file a slot holds, inflated in one call into a buffer of the recorded size, as the
// installer does it; false for a slot without a sound record.
bool UnpackSlot(const uint8_t* slot, size_t capacity, Bytes* data);

}  // namespace kst
