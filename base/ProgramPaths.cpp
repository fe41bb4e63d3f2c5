#include "base/ProgramPaths.h"

#include <windows.h>

namespace kst {
namespace {

// What a Windows function wrote into the path's buffer, kept when whole: a length of 0 is a
// failure, one that fills the whole buffer a path cut short.
bool KeepWhole(CPath& path, size_t length) {
  if (length == 0 || length >= CPath::Capacity()) {
    path = CPath();
    return false;
  }
  path.Sync();
  return true;
}

}  // namespace

bool GetSystemFolder(CPath& path) {
  return KeepWhole(path,
                   ::GetSystemDirectoryW(path.Buffer(), static_cast<UINT>(CPath::Capacity())));
}

bool GetWindowsFolder(CPath& path) {
  return KeepWhole(
      path, ::GetSystemWindowsDirectoryW(path.Buffer(), static_cast<UINT>(CPath::Capacity())));
}

bool GetProgramPath(CPath& path) {
  return KeepWhole(
      path, ::GetModuleFileNameW(nullptr, path.Buffer(), static_cast<DWORD>(CPath::Capacity())));
}

}  // namespace kst
