#include "system/AppsAndFeatures.h"

#include <shlwapi.h>

#include "base/Handles.h"
#include "base/LastError.h"
#include "base/Path.h"
#include "base/Text.h"
#include "install/ProductComponents.h"
#include "version.h"

namespace kst {
namespace {

constexpr wchar_t kPublisher[] = L"Tolvane Software";

bool SetText(HKEY key, const wchar_t* name, const wchar_t* text) {
  DWORD bytes = static_cast<DWORD>((WideLength(text) + 1) * sizeof(wchar_t));
  return SucceededOrSetLastError(
      ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes));
}

bool SetNumber(HKEY key, const wchar_t* name, DWORD number) {
  return SucceededOrSetLastError(::RegSetValueExW(
      key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number)));
}

uint64_t FolderBytes(const CPath& folder) {
  CPath pattern(folder.Get());
  if (!pattern.Join(L"*")) return 0;
  WIN32_FIND_DATAW entry;
  CFindHandle search(::FindFirstFileW(pattern.Get(), &entry));
  if (!search) return 0;
  uint64_t bytes = 0;
  do {
    if (IsDotEntry(entry.cFileName)) continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      CPath child(folder.Get());
      if (child.Join(entry.cFileName)) bytes += FolderBytes(child);
    } else {
      bytes += (static_cast<uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
    }
  } while (::FindNextFileW(search.Get(), &entry));
  return bytes;
}

}  // namespace

uint32_t FolderSizeKiB(const wchar_t* folder) {
  CPath root;
  if (!root.Assign(folder)) return 0;
  uint64_t kib = (FolderBytes(root) + 1023) / 1024;
  return kib > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(kib);
}

bool WriteUninstallEntry(HKEY root, const wchar_t* programFolder) {
  wchar_t icon[kMaxPath + 4];
  wchar_t uninstall[kMaxPath + 4];
  // Package managers that remove silently run this one as it stands.
  wchar_t quietUninstall[kMaxPath + 8];
  if (!JoinText(icon, programFolder, L"\\", kMainProgramFile, L",0") ||
      !JoinText(uninstall, L"\"", programFolder, L"\\", kUninstallerFile, L"\"") ||
      !JoinText(quietUninstall, uninstall, L" /S"))
    return false;
  HKEY created = nullptr;
  if (!SucceededOrSetLastError(::RegCreateKeyExW(root, kUninstallEntryKey, 0, nullptr,
                                                 REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                                                 &created, nullptr)))
    return false;
  CRegKey key(created);
  bool written = SetText(key.Get(), L"DisplayName", L"Veltrin") &&
                 SetText(key.Get(), L"DisplayIcon", icon) &&
                 SetText(key.Get(), L"DisplayVersion", KST_VERSION_WIDE) &&
                 SetText(key.Get(), L"Publisher", kPublisher) &&
                 SetText(key.Get(), L"InstallLocation", programFolder) &&
                 SetText(key.Get(), L"UninstallString", uninstall) &&
                 SetText(key.Get(), L"QuietUninstallString", quietUninstall) &&
                 SetNumber(key.Get(), L"NoModify", 1) && SetNumber(key.Get(), L"NoRepair", 1) &&
                 SetNumber(key.Get(), L"EstimatedSize", FolderSizeKiB(programFolder));
  return written;
}

bool RemoveUninstallEntry(HKEY root) { return IsGone(::SHDeleteKeyW(root, kUninstallEntryKey)); }

bool ReplaceUninstallEntry(const wchar_t* programFolder, bool allUsers) {
  const bool otherGone = RemoveUninstallEntry(allUsers ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE);
  return WriteUninstallEntry(allUsers ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, programFolder) &&
         otherGone;
}

}  // namespace kst
