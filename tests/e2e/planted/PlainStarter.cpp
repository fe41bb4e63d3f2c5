// The careless way to start a system program: by bare name through the shell, with no folder
// given, so that the starting program's own folder is searched first. The planted-program test
// uses it to show that its plants are found when looked for. Waits for the started program.
#include <windows.h>

#include <shellapi.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  int count = 0;
  wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (arguments == nullptr || count < 2) return 2;
  SHELLEXECUTEINFOW start = {};
  start.cbSize = sizeof start;
  start.fMask = SEE_MASK_NOCLOSEPROCESS;
  start.lpFile = arguments[1];
  start.lpParameters = count > 2 ? arguments[2] : nullptr;
  start.nShow = SW_HIDE;
  if (!::ShellExecuteExW(&start)) return 1;
  if (start.hProcess != nullptr) {
    ::WaitForSingleObject(start.hProcess, 30000);
    ::CloseHandle(start.hProcess);
  }
  return 0;
}
