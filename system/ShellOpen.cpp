#include "system/ShellOpen.h"

#include <shellapi.h>

#include "base/ProgramPaths.h"

namespace kst {

bool OpenWithShell(HWND owner, const wchar_t* target, const wchar_t* workingFolder) {
  CPath systemFolder;
  if (workingFolder == nullptr) {
    if (!GetSystemFolder(systemFolder)) return false;
    workingFolder = systemFolder.Get();
  }
  HINSTANCE started =
      ::ShellExecuteW(owner, L"open", target, nullptr, workingFolder, SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(started) > 32;
}

}  // namespace kst
