// The access grant of the installer that the tests start where someone swaps App_Themes for a link
// to a folder of theirs once its last subfolder is granted to everyone, as any user then could,
// before the product files are written into it. Here the folder goes aside and the test, watching,
// puts its link in the folder's place; nothing is granted, which the swap does not need.
#include <windows.h>

#include "base/Path.h"
#include "install/AccessGrant.h"

namespace kst {

bool GrantEveryoneFullAccess(const wchar_t* folder) {
  constexpr wchar_t kSwappedBelow[] = L"\\App_Themes\\Themes";
  constexpr size_t kSuffixLength = sizeof(kSwappedBelow) / sizeof(wchar_t) - 1;
  CPath swapped(folder);
  CPath aside;
  if (swapped.Length() < kSuffixLength ||
      ::lstrcmpiW(swapped.Get() + swapped.Length() - kSuffixLength, kSwappedBelow) != 0 ||
      !swapped.RemoveLastComponent() || !aside.Assign(swapped.Get()) ||
      !aside.Append(L".swapped") || !::MoveFileW(swapped.Get(), aside.Get()))
    return true;
  for (int wait = 0; wait < 600 && ::GetFileAttributesW(swapped.Get()) == INVALID_FILE_ATTRIBUTES;
       ++wait)
    ::Sleep(50);
  return true;
}

}  // namespace kst
