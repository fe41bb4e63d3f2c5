#include "ProxyDoubles.h"

#include <cstdlib>

#include "base/Handles.h"

namespace kst::test {
namespace {

const wchar_t* const kNames[] = {L"wininet.dll", L"rasapi32.dll"};
constexpr wchar_t kAside[] = L".kst-aside";
constexpr wchar_t kAppKey[] = L"Software\\Wine\\AppDefaults\\uninstall.exe";
constexpr wchar_t kOverridesKey[] = L"Software\\Wine\\AppDefaults\\uninstall.exe\\DllOverrides";

}  // namespace

CProxyDoubles::CProxyDoubles(const wchar_t* rasEntries) : entries_(L"KST_RAS_ENTRIES", rasEntries) {
  wchar_t system[MAX_PATH] = L"";
  ::GetSystemDirectoryW(system, MAX_PATH);
  const wchar_t* doubles = _wgetenv(L"KST_DOUBLES");
  installed_ = doubles != nullptr;
  for (const wchar_t* name : kNames) {
    std::wstring target = std::wstring(system) + L"\\" + name;
    if (!installed_ ||
        !::MoveFileExW(target.c_str(), (target + kAside).c_str(), MOVEFILE_REPLACE_EXISTING)) {
      installed_ = false;
      break;
    }
    moved_.push_back(target);
    installed_ =
        ::CopyFileW((std::wstring(doubles) + L"\\" + name).c_str(), target.c_str(), FALSE) != 0;
  }
  CRegKey overrides;
  installed_ = installed_ &&
               ::RegCreateKeyExW(HKEY_CURRENT_USER, kOverridesKey, 0, nullptr, 0, KEY_SET_VALUE,
                                 nullptr, overrides.Receive(), nullptr) == ERROR_SUCCESS;
  for (const wchar_t* dll : {L"wininet", L"rasapi32"}) {
    installed_ = installed_ && ::RegSetValueExW(overrides.Get(), dll, 0, REG_SZ,
                                                reinterpret_cast<const BYTE*>(L"native"),
                                                sizeof L"native") == ERROR_SUCCESS;
  }
}

CProxyDoubles::~CProxyDoubles() {
  ::RegDeleteTreeW(HKEY_CURRENT_USER, kAppKey);
  ::RegDeleteKeyW(HKEY_CURRENT_USER, kAppKey);
  for (const std::wstring& target : moved_) {
    ::DeleteFileW(target.c_str());
    ::MoveFileExW((target + kAside).c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING);
  }
}

}  // namespace kst::test
