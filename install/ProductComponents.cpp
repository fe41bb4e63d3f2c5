#include "install/ProductComponents.h"

#include <windows.h>

namespace kst {

bool IsProductRunning() {
  return ::FindWindowA(kUpdaterWindowClass, kUpdaterWindowTitle) != nullptr ||
         ::FindWindowA(kMainWindowClass, kMainWindowTitle) != nullptr;
}

}  // namespace kst
