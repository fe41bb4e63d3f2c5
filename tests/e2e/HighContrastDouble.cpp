// The high-contrast flag of the installer that the high-contrast tests start. Wine 8 always
// answers SPI_GETHIGHCONTRAST with the mode off and refuses SPI_SETHIGHCONTRAST
// (ERROR_INVALID_SPI_VALUE), so this one reads the flag the test sets, as a DWORD value of the
// test's own key, at each question: the test can turn the mode on while the window is open.
#include <windows.h>

#include "base/Handles.h"
#include "skin/SkinDrawing.h"

namespace kst {

bool IsHighContrastOn() {
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Kestrel Tests", 0, KEY_QUERY_VALUE, &opened) !=
      ERROR_SUCCESS)
    return false;
  const CRegKey key(opened);
  DWORD on = 0;
  DWORD size = sizeof(on);
  return ::RegQueryValueExW(key.Get(), L"HighContrast", nullptr, nullptr,
                            reinterpret_cast<BYTE*>(&on), &size) == ERROR_SUCCESS &&
         on != 0;
}

}  // namespace kst
