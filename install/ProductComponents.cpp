#include "install/ProductComponents.h"

#include <windows.h>

namespace kst {

bool IsUpdaterRunning() {
  return ::FindWindowA(kUpdaterWindowClass, kUpdaterWindowTitle) != nullptr;
}

bool IsMainProgramRunning() { return ::FindWindowA(kMainWindowClass, kMainWindowTitle) != nullptr; }

}  // namespace kst
