// The fifteen product files carried in the installer: the name in each slot's marker and the
// slot's capacity. The installer defines its slots from this list and the packing tool finds and
// fills them by it, so both always agree on names and sizes.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace kst {

struct PayloadFileSpec {
  const char* name;      // as written in the marker "@@@@[name]" and in the payload folder
  uint32_t capacityKiB;  // the whole slot: marker, record and zero fill
};

constexpr size_t kPayloadFileCount = 15;

// In extraction order.
constexpr PayloadFileSpec kPayloadFiles[kPayloadFileCount] = {
    {"kestrel.exe", 220},
    {"kstupdate.exe", 800},
    {"KestrelMain.exe", 290},
    {"App_Themesu.dll", 900},
    {"ksthooker32.dll", 24},
    {"kstservice.exe", 24},
    {"Kestrel_Global.config", 2},
    {"default.themes", 300},
    {"filelist", 2},
    {"badword.txt", 32},
    {"kestrelrules.txt", 8},
    {"easylistchina.txt", 240},
    {"malwaredomains_full.txt", 250},
    {"easyprivacy.txt", 90},
    {"gooddomain.txt", 250},
};

constexpr size_t PayloadSlotCapacity(size_t index) {
  return static_cast<size_t>(kPayloadFiles[index].capacityKiB) * 1024;
}

// Every marker starts with this text; the file's name and "]" follow it.
constexpr char kPayloadMarkerPrefix[] = "@@@@[";

}  // namespace kst
