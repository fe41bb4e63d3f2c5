#include "tests/support/TestFiles.h"

#include <windows.h>

#include <shellapi.h>

namespace kst::test {

void RemoveTree(const std::wstring& path) {
  if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  std::wstring from = path + L'\0';  // the operation takes a double-zero-terminated list
  SHFILEOPSTRUCTW operation = {};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
  ::SHFileOperationW(&operation);
}

}  // namespace kst::test
