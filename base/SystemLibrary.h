// Functions of system DLLs that are not always KnownDLLs (wininet, rasapi32 and the like). The
// installer runs elevated from wherever it was downloaded to, so a DLL of such a name lying next to
// it must never be loaded: these DLLs are loaded by full path from the system folder instead of
// being imported.
#pragma once

#include <windows.h>

namespace kst {

// The address of functionName in the system DLL dllName (a bare file name of at most 15
// characters, such as L"wininet.dll"), or NULL when the DLL cannot be loaded or lacks the
// function. Each DLL is loaded at most once per process and stays loaded; a DLL that failed to
// load is not tried again.
FARPROC GetSystemProcAddress(const wchar_t* dllName, const char* functionName);

// The same for a DLL that the program's manifest names as a dependency (gdiplus.dll, which some
// supported systems keep only in the side-by-side store). It is loaded by name, so that the
// manifest's activation context redirects the load to that store before any folder is searched:
// a copy planted beside the installer is never reached.
FARPROC GetAssemblyProcAddress(const wchar_t* dllName, const char* functionName);

// The same, typed: Function is the pointer type of the function, with its calling convention.
template <typename Function>
Function GetSystemFunction(const wchar_t* dllName, const char* functionName) {
  // Through the generic function pointer type, which converts to any other without a warning.
  return reinterpret_cast<Function>(
      reinterpret_cast<void (*)()>(GetSystemProcAddress(dllName, functionName)));
}

// A function of a DLL that every Windows program has loaded from the system folder before its
// own code runs (kernel32.dll, user32.dll): looked up there, never loaded. NULL where that
// Windows lacks it.
template <typename Function>
Function GetLoadedSystemFunction(const wchar_t* dllName, const char* functionName) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void (*)()>(::GetProcAddress(::GetModuleHandleW(dllName), functionName)));
}

template <typename Function>
Function GetAssemblyFunction(const wchar_t* dllName, const char* functionName) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void (*)()>(GetAssemblyProcAddress(dllName, functionName)));
}

}  // namespace kst
