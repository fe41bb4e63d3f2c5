// The product files carried in the installer, as the packing tool needs them: the name in each
// slot's marker and the slot's capacity, taken from the one list in ProductFiles.def.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace kst {

struct PayloadFileSpec {
  const char* name;      // as written in the marker "@@@@[name]" and in the payload folder
  uint32_t capacityKiB;  // the whole slot: marker, record and zero fill
};

// In extraction order.
constexpr PayloadFileSpec kPayloadFiles[] = {
#define KST_PRODUCT_FILE(slot, name, capacity, folder, path, failure) {name, capacity},
#include "install/ProductFiles.def"
#undef KST_PRODUCT_FILE
};

constexpr size_t kPayloadFileCount = sizeof(kPayloadFiles) / sizeof(kPayloadFiles[0]);

constexpr size_t PayloadSlotCapacity(size_t index) {
  return static_cast<size_t>(kPayloadFiles[index].capacityKiB) * 1024;
}

// Every marker starts with this text; the file's name and "]" follow it.
constexpr char kPayloadMarkerPrefix[] = "@@@@[";

}  // namespace kst
