#include "system/Registry.h"

#include <shlobj.h>
#include <shlwapi.h>

#include "base/Handles.h"
#include "base/LastError.h"
#include "base/Path.h"
#include "install/Folders.h"
#include "system/AppsAndFeatures.h"

namespace kst {
namespace {

constexpr wchar_t kMakerKey[] = L"Software\\tolvane";
constexpr wchar_t kProductKey[] = L"Software\\tolvane\\kestrel";
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kAutostartValue[] = L"kestrel";
constexpr DWORD kMaxKeyNameChars = 258;  // 257 characters and the NUL

// No 32/64-bit view flag anywhere: the keys lie in the view of the running installer.
bool OpenKey(HKEY root, const wchar_t* path, REGSAM access, CRegKey& key) {
  HKEY opened = nullptr;
  if (!SucceededOrSetLastError(::RegOpenKeyExW(root, path, 0, access, &opened))) return false;
  key.Reset(opened);
  return true;
}

bool EnsureKey(const wchar_t* path) {
  CRegKey key;
  if (OpenKey(HKEY_LOCAL_MACHINE, path, KEY_READ, key)) return true;
  HKEY created = nullptr;
  if (!SucceededOrSetLastError(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr,
                                                 REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                                 &created, nullptr))) {
    return false;
  }
  key.Reset(created);
  return true;
}

bool SetValue(HKEY root, const wchar_t* path, const wchar_t* name, DWORD type, const void* data,
              DWORD bytes) {
  CRegKey key;
  if (!OpenKey(root, path, KEY_WRITE, key)) return false;
  return SucceededOrSetLastError(
      ::RegSetValueExW(key.Get(), name, 0, type, static_cast<const BYTE*>(data), bytes));
}

// The stored type is not looked at. A value longer than four bytes is not read rather than cut.
bool ReadProductDword(const wchar_t* name, DWORD& out) {
  CRegKey key;
  if (!OpenKey(HKEY_LOCAL_MACHINE, kProductKey, KEY_READ, key)) return false;
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (::RegQueryValueExW(key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                         &size) != ERROR_SUCCESS) {
    return false;
  }
  out = value;
  return true;
}

void ReadPassword(CLockValues& values) {
  CRegKey key;
  if (!OpenKey(HKEY_LOCAL_MACHINE, kProductKey, KEY_READ, key)) return;
  DWORD size = 0;
  if (::RegQueryValueExW(key.Get(), L"Password", nullptr, nullptr, nullptr, &size) !=
      ERROR_SUCCESS) {
    return;
  }
  // Zeroed: an empty value, or one whose size changed since the query, reads as a first byte 0.
  CGlobalMemory buffer(::GlobalAlloc(GPTR, static_cast<SIZE_T>(size) + 2));
  if (!buffer) return;
  BYTE* data = static_cast<BYTE*>(buffer.Get());
  values.passwordFound = true;
  if (::RegQueryValueExW(key.Get(), L"Password", nullptr, nullptr, data, &size) == ERROR_SUCCESS) {
    values.passwordFirstByte = data[0];
  }
}

void DeleteMakerSubkeys() {
  CRegKey maker;
  if (!OpenKey(HKEY_LOCAL_MACHINE, kMakerKey, KEY_ALL_ACCESS, maker)) return;
  DWORD count = 0;
  if (::RegQueryInfoKeyW(maker.Get(), nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    return;
  }
  wchar_t name[kMaxKeyNameChars];
  DWORD index = 0;
  for (DWORD i = 0; i < count; ++i) {
    if (::RegEnumKeyW(maker.Get(), index, name, kMaxKeyNameChars) != ERROR_SUCCESS) break;
    // A key with subkeys of its own stays here; the tree deletion that follows takes it.
    if (::RegDeleteKeyW(maker.Get(), name) != ERROR_SUCCESS) ++index;
  }
}

}  // namespace

bool EnsureProductKey() { return EnsureKey(kMakerKey) && EnsureKey(kProductKey); }

bool WriteInstallDir(const wchar_t* folder, DWORD byteCount) {
  return SetValue(HKEY_LOCAL_MACHINE, kProductKey, L"InstallDir", REG_SZ, folder, byteCount);
}

bool WriteInstallForAllUser(DWORD allUsers) {
  return SetValue(HKEY_LOCAL_MACHINE, kProductKey, L"InstallForAllUser", REG_DWORD, &allUsers,
                  sizeof(allUsers));
}

bool ReadInstallForAllUser(DWORD& allUsers) {
  return ReadProductDword(L"InstallForAllUser", allUsers);
}

bool SetAutostart(const wchar_t* command, bool allUsers) {
  HKEY root = allUsers ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  DWORD bytes = static_cast<DWORD>(WideLength(command) * sizeof(wchar_t));
  return SetValue(root, kRunKey, kAutostartValue, REG_SZ, command, bytes);
}

bool IsPasswordLockOn(const CLockValues& values) {
  if (values.randomPasswordRead && values.randomPassword == 1) return true;
  return values.passwordFound && values.passwordFirstByte != 0;
}

bool IsUninstallLocked() {
  CLockValues values = {};
  values.randomPasswordRead = ReadProductDword(L"RandomPassword", values.randomPassword);
  ReadPassword(values);
  return IsPasswordLockOn(values);
}

bool IsAllUsersInstall(const wchar_t* moduleFolder, const wchar_t* commonAppData) {
  return WideContains(moduleFolder, commonAppData);
}

bool RemoveProductRegistryFor(const wchar_t* moduleFolder) {
  CPath commonAppData;
  if (!GetSpecialFolder(CSIDL_COMMON_APPDATA, commonAppData)) return false;
  HKEY root =
      IsAllUsersInstall(moduleFolder, commonAppData.Get()) ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  bool autostartGone = true;
  CRegKey run;
  if (OpenKey(root, kRunKey, KEY_ALL_ACCESS, run)) {
    const LSTATUS deleted = ::RegDeleteValueW(run.Get(), kAutostartValue);
    autostartGone = deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND;
  }
  const bool entryGone = RemoveUninstallEntry(root);
  DeleteMakerSubkeys();
  return IsGone(::SHDeleteKeyW(HKEY_LOCAL_MACHINE, kMakerKey)) && autostartGone && entryGone;
}

bool RemoveProductRegistry() {
  CPath moduleFolder;
  return GetModuleFolder(moduleFolder) && RemoveProductRegistryFor(moduleFolder.Get());
}

}  // namespace kst
