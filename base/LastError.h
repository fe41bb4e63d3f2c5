// The registry and the security API answer with a Windows error code instead of setting the
// thread's last error, where everything else leaves it. Passing their failure on there lets the
// callers that report failures read every step's reason in one place.
#pragma once

#include <windows.h>

namespace kst {

// True for ERROR_SUCCESS; any other result becomes the thread's last error.
inline bool SucceededOrSetLastError(LONG result) {
  if (result != ERROR_SUCCESS) ::SetLastError(static_cast<DWORD>(result));
  return result == ERROR_SUCCESS;
}

// True for a deletion that succeeded or found nothing to delete; any other result becomes the
// thread's last error.
inline bool IsGone(LONG result) {
  return result == ERROR_FILE_NOT_FOUND || result == ERROR_PATH_NOT_FOUND ||
         SucceededOrSetLastError(result);
}

}  // namespace kst
