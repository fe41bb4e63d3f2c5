// The theme library: names the themes that the product's windows can wear.
#include <windows.h>

namespace {

const wchar_t* const kThemeNames[] = {L"default", L"classic", L"midnight"};

}  // namespace

extern "C" __declspec(dllexport) int GetThemeCount() {
  return static_cast<int>(sizeof(kThemeNames) / sizeof(kThemeNames[0]));
}

// Copies the name of theme index into buffer; 0 when the index or the buffer does not fit.
extern "C" __declspec(dllexport) int GetThemeName(int index, wchar_t* buffer, int length) {
  if (index < 0 || index >= GetThemeCount() || length <= 0) return 0;
  const wchar_t* name = kThemeNames[index];
  if (::lstrlenW(name) >= length) return 0;
  ::lstrcpyW(buffer, name);
  return 1;
}
