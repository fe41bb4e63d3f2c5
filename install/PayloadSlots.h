// The fifteen slots in the program's initialised data. The packing tool finds each by its marker
// in the executable file and writes the record behind it; the program only reads them.
#pragma once

#include <stdint.h>

#include "install/PayloadFiles.h"

namespace kst {

// The byte array that carries the file of row kIndex of kPayloadFiles.
template <size_t kIndex>
using EmbeddedFileSlot = uint8_t[PayloadSlotCapacity(kIndex)];

extern EmbeddedFileSlot<0> kestrelExeSlot;
extern EmbeddedFileSlot<1> kstupdateExeSlot;
extern EmbeddedFileSlot<2> kestrelMainExeSlot;
extern EmbeddedFileSlot<3> appThemesuDllSlot;
extern EmbeddedFileSlot<4> ksthooker32DllSlot;
extern EmbeddedFileSlot<5> kstserviceExeSlot;
extern EmbeddedFileSlot<6> kestrelGlobalConfigSlot;
extern EmbeddedFileSlot<7> defaultThemesSlot;
extern EmbeddedFileSlot<8> filelistSlot;
extern EmbeddedFileSlot<9> badwordTxtSlot;
extern EmbeddedFileSlot<10> kestrelrulesTxtSlot;
extern EmbeddedFileSlot<11> easylistchinaTxtSlot;
extern EmbeddedFileSlot<12> malwaredomainsFullTxtSlot;
extern EmbeddedFileSlot<13> easyprivacyTxtSlot;
extern EmbeddedFileSlot<14> gooddomainTxtSlot;

}  // namespace kst
