// The slots in the program's initialised data, one per product file. The packing tool finds each
// by its marker in the executable file and writes the record behind it; the program only reads
// them.
#pragma once

#include <stdint.h>

namespace kst {

#define KST_PRODUCT_FILE(slot, name, capacity, folder, path, failure) \
  extern uint8_t slot[(capacity) * 1024];
#include "install/ProductFiles.def"
#undef KST_PRODUCT_FILE

}  // namespace kst
