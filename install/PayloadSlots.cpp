// The slots live alone in this file and are not const: the compiler must neither fold their
// zeros into the code that reads them nor move them out of the initialised data, where the
// packing tool writes the records into the executable file.
#include "install/PayloadSlots.h"

namespace kst {

#define KST_PRODUCT_FILE(slot, name, capacity, folder, path, failure) \
  uint8_t slot[(capacity) * 1024] = "@@@@[" name "]@@@@@@@@";
#include "install/ProductFiles.def"
#undef KST_PRODUCT_FILE

}  // namespace kst
