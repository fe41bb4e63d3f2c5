#include "base/SystemLibrary.h"

#include "base/Path.h"
#include "base/ProgramPaths.h"

namespace kst {
namespace {

constexpr size_t kMaxDllName = 16;  // including the NUL
constexpr int kMaxLibraries = 8;

struct CLoadedLibrary {
  wchar_t name[kMaxDllName];
  HMODULE module;  // NULL when loading failed
};

// Used from the user-interface thread only, like everything in the program.
CLoadedLibrary loadedLibraries[kMaxLibraries];
int loadedCount = 0;

// Nothing that could lead out of the system folder.
bool IsBareFileName(const wchar_t* name) {
  return !WideContains(name, L"\\") && !WideContains(name, L"/") && !WideContains(name, L":");
}

HMODULE LoadFromSystemFolder(const wchar_t* dllName) {
  CPath path;
  if (!GetSystemFolder(path) || !path.Join(dllName)) return nullptr;
  // With a full path and this flag the DLL's own imports are looked up beside it in the system
  // folder first, not in the installer's folder.
  return ::LoadLibraryExW(path.Get(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

enum class DllSource { kSystemFolder, kManifestDependency };

HMODULE LoadLibraryFrom(DllSource source, const wchar_t* dllName) {
  return source == DllSource::kSystemFolder ? LoadFromSystemFolder(dllName)
                                            : ::LoadLibraryW(dllName);
}

HMODULE SystemLibrary(DllSource source, const wchar_t* dllName) {
  for (int i = 0; i < loadedCount; ++i) {
    if (::lstrcmpiW(loadedLibraries[i].name, dllName) == 0) return loadedLibraries[i].module;
  }
  size_t nameLength = WideLength(dllName);
  if (nameLength >= kMaxDllName || !IsBareFileName(dllName)) return nullptr;
  HMODULE module = LoadLibraryFrom(source, dllName);
  // With the table full the DLL is still usable, only looked up again next time.
  if (loadedCount < kMaxLibraries) {
    CLoadedLibrary& entry = loadedLibraries[loadedCount++];
    for (size_t i = 0; i <= nameLength; ++i) entry.name[i] = dllName[i];
    entry.module = module;
  }
  return module;
}

}  // namespace

FARPROC GetSystemProcAddress(const wchar_t* dllName, const char* functionName) {
  HMODULE module = SystemLibrary(DllSource::kSystemFolder, dllName);
  return module != nullptr ? ::GetProcAddress(module, functionName) : nullptr;
}

FARPROC GetAssemblyProcAddress(const wchar_t* dllName, const char* functionName) {
  HMODULE module = SystemLibrary(DllSource::kManifestDependency, dllName);
  return module != nullptr ? ::GetProcAddress(module, functionName) : nullptr;
}

}  // namespace kst
