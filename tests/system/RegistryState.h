// Reading and clearing the registry state that the system tests touch, through the plain API
// rather than the code under test.
#pragma once

#include <windows.h>

#include <shlobj.h>
#include <shlwapi.h>

#include <string>
#include <vector>

namespace kst_test {

constexpr wchar_t kMakerKey[] = L"Software\\tolvane";
constexpr wchar_t kProductKey[] = L"Software\\tolvane\\kestrel";
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

struct StoredValue {
  bool found = false;
  DWORD type = REG_NONE;
  std::vector<BYTE> bytes;
};

inline StoredValue ReadStoredValue(HKEY root, const wchar_t* path, const wchar_t* name) {
  StoredValue value;
  HKEY key;
  if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return value;
  DWORD size = 0;
  if (RegQueryValueExW(key, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
    value.bytes.resize(size);
    value.found = RegQueryValueExW(key, name, nullptr, &value.type, value.bytes.data(), &size) ==
                  ERROR_SUCCESS;
    value.bytes.resize(size);
  }
  RegCloseKey(key);
  return value;
}

inline bool KeyExists(HKEY root, const wchar_t* path) {
  HKEY key;
  if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

inline void CreateKey(HKEY root, const wchar_t* path) {
  HKEY key;
  if (RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
      ERROR_SUCCESS) {
    RegCloseKey(key);
  }
}

inline void StoreValue(HKEY root, const wchar_t* path, const wchar_t* name, DWORD type,
                       const void* data, DWORD size) {
  HKEY key;
  if (RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return;
  }
  RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(key);
}

inline void StoreText(HKEY root, const wchar_t* path, const wchar_t* name,
                      const std::wstring& text) {
  StoreValue(root, path, name, REG_SZ, text.c_str(),
             static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

inline void DeleteValue(HKEY root, const wchar_t* path, const wchar_t* name) {
  HKEY key;
  if (RegOpenKeyExW(root, path, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  RegDeleteValueW(key, name);
  RegCloseKey(key);
}

// Everything an install records, in both hives.
inline void ClearProductRegistry() {
  SHDeleteKeyW(HKEY_LOCAL_MACHINE, kMakerKey);
  DeleteValue(HKEY_LOCAL_MACHINE, kRunKey, L"kestrel");
  DeleteValue(HKEY_CURRENT_USER, kRunKey, L"kestrel");
}

// The text of a REG_SZ value stored with or without its terminating NUL.
inline std::wstring StoredText(const StoredValue& value) {
  std::wstring text(reinterpret_cast<const wchar_t*>(value.bytes.data()),
                    value.bytes.size() / sizeof(wchar_t));
  if (!text.empty() && text.back() == L'\0') text.pop_back();
  return text;
}

// The values are written without a NUL; Wine keeps one extra NUL when the caller's buffer has
// one right behind the counted bytes, so allow exactly that one and nothing else.
inline bool StoredWithoutNul(const StoredValue& value, const std::wstring& text) {
  size_t counted = text.size() * sizeof(wchar_t);
  if (value.bytes.size() == counted) return true;
  return value.bytes.size() == counted + sizeof(wchar_t) && value.bytes[counted] == 0 &&
         value.bytes[counted + 1] == 0;
}

inline std::wstring SpecialFolder(int csidl) {
  wchar_t path[MAX_PATH];
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, 0, path))) return L"";
  return path;
}

}  // namespace kst_test
