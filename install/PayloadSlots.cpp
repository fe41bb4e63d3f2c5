// The slots live alone in this file and are not const: the compiler must neither fold their
// zeros into the code that reads them nor move them out of the initialised data, where the
// packing tool writes the records into the executable file. Each lies in a section of its own
// (".kslot0", ".kslot1", ... in table order), whose file data the packing tool cuts to what the
// record uses: the loader fills the rest of the slot with zeros, as the program expects.
#include "install/PayloadSlots.h"

namespace kst {

#define KST_SLOT_SECTION_TEXT(number) ".kslot" #number
#define KST_SLOT_SECTION(number) __attribute__((section(KST_SLOT_SECTION_TEXT(number))))
#define KST_SLOT_IN_SECTION(number, slot, capacity, name) \
  KST_SLOT_SECTION(number) uint8_t slot[(capacity) * 1024] = "@@@@[" name "]@@@@@@@@";
#define KST_PRODUCT_FILE(slot, name, capacity, folder, path, failure) \
  KST_SLOT_IN_SECTION(__COUNTER__, slot, capacity, name)
#include "install/ProductFiles.def"
#undef KST_PRODUCT_FILE

}  // namespace kst
