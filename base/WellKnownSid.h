// A well-known account or group (Everyone, Administrators, ...) by its SID, which does not
// depend on the language of the system's names.
#pragma once

#include <windows.h>

namespace kst {

struct CWellKnownSid {
  BYTE bytes[SECURITY_MAX_SID_SIZE];
  bool Make(WELL_KNOWN_SID_TYPE type) {
    DWORD size = sizeof(bytes);
    return ::CreateWellKnownSid(type, nullptr, bytes, &size) != FALSE;
  }
  PSID Get() { return bytes; }
};

}  // namespace kst
