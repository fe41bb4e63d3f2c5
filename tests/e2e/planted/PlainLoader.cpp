// The careless way to load system DLLs: by bare name, so that the program's own folder is
// searched first. The planted-DLL test uses it to show that its plants are found when looked for.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  for (int i = 1; i < argc; ++i) ::LoadLibraryW(argv[i]);
  return 0;
}
