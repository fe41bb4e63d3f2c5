// The slots live alone in this file and are not const: the compiler must neither fold their
// zeros into the code that reads them nor move them out of the initialised data, where the
// packing tool writes the records into the executable file.
#include "install/PayloadSlots.h"

namespace kst {

EmbeddedFileSlot<0> kestrelExeSlot = "@@@@[kestrel.exe]@@@@@@@@@@@";
EmbeddedFileSlot<1> kstupdateExeSlot = "@@@@[kstupdate.exe]@@@@@@@@@";
EmbeddedFileSlot<2> kestrelMainExeSlot = "@@@@[KestrelMain.exe]@@@@@@@";
EmbeddedFileSlot<3> appThemesuDllSlot = "@@@@[App_Themesu.dll]@@@@@@@";
EmbeddedFileSlot<4> ksthooker32DllSlot = "@@@@[ksthooker32.dll]@@@@@@@";
EmbeddedFileSlot<5> kstserviceExeSlot = "@@@@[kstservice.exe]@@@@@@@@";
EmbeddedFileSlot<6> kestrelGlobalConfigSlot = "@@@@[Kestrel_Global.config]@@@@@@@@@";
EmbeddedFileSlot<7> defaultThemesSlot = "@@@@[default.themes]@@@@@@@@";
EmbeddedFileSlot<8> filelistSlot = "@@@@[filelist]@@@@@@";
EmbeddedFileSlot<9> badwordTxtSlot = "@@@@[badword.txt]@@@@@@@@@@@";
EmbeddedFileSlot<10> kestrelrulesTxtSlot = "@@@@[kestrelrules.txt]@@@@@@";
EmbeddedFileSlot<11> easylistchinaTxtSlot = "@@@@[easylistchina.txt]@@@@@";
EmbeddedFileSlot<12> malwaredomainsFullTxtSlot = "@@@@[malwaredomains_full.txt]@@@@@@@";
EmbeddedFileSlot<13> easyprivacyTxtSlot = "@@@@[easyprivacy.txt]@@@@@@@";
EmbeddedFileSlot<14> gooddomainTxtSlot = "@@@@[gooddomain.txt]@@@@@@@@";

}  // namespace kst
