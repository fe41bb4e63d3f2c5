#include "InstallerProgram.h"

#include <shlobj.h>

#include <cstdlib>

#include "tests/support/TestFiles.h"

namespace kst::test {

std::wstring InstallerPath() {
  const wchar_t* path = _wgetenv(L"KST_INSTALLER");
  return path != nullptr ? path : L"";
}

std::wstring MakeScratchFolder(const std::wstring& name) {
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  std::wstring folder = std::wstring(temp) + L"kst-e2e\\" + name;
  RemoveTree(folder);
  ::SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
  return folder;
}

std::wstring CopyInstallerTo(const std::wstring& folder, const std::wstring& fileName) {
  ::SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
  std::wstring target = folder + L"\\" + fileName;
  ::CopyFileW(InstallerPath().c_str(), target.c_str(), FALSE);
  return target;
}

}  // namespace kst::test
