// A program planted under the name of a system program (cmd, icacls, ping): running it leaves a
// marker file holding its own path (UTF-8) in the folder named by KST_PLANT_MARKERS, so that a test
// sees whether anything ever started it. It then ends as the real program does when all went well.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  wchar_t self[MAX_PATH] = {};
  wchar_t markers[MAX_PATH] = {};
  wchar_t marker[MAX_PATH] = {};
  DWORD selfLength = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  DWORD markersLength = ::GetEnvironmentVariableW(L"KST_PLANT_MARKERS", markers, MAX_PATH);
  if (selfLength == 0 || selfLength >= MAX_PATH || markersLength == 0 ||
      markersLength >= MAX_PATH || !::GetTempFileNameW(markers, L"ran", 0, marker))
    return 0;
  char text[MAX_PATH * 3] = {};
  int textLength = ::WideCharToMultiByte(CP_UTF8, 0, self, static_cast<int>(selfLength), text,
                                         static_cast<int>(sizeof text), nullptr, nullptr);
  HANDLE file = ::CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  DWORD written = 0;
  ::WriteFile(file, text, static_cast<DWORD>(textLength), &written, nullptr);
  ::CloseHandle(file);
  return 0;
}
