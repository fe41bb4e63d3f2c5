// Entry of the installer and uninstaller: one instance at a time, one frame, one loop.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include "app/MainFrame.h"
#include "base/SystemLibrary.h"
#include "framework/MessageLoop.h"

namespace kst {
namespace {

constexpr wchar_t kInstanceMutexName[] = L"instkst.exe";

template <typename Function>
Function Kernel32Function(const char* name) {
  return GetLoadedSystemFunction<Function>(L"kernel32.dll", name);
}

// The installer runs elevated from wherever it was downloaded to, where anyone may have left a
// DLL under a system DLL's name. From here on every DLL that is loaded by name, also by system
// DLLs for their own needs, comes from the system folder only (Windows 7 with KB2533623 and
// later); older systems at least stop searching the current folder. Both are looked up, as the
// oldest systems have neither.
void RestrictDllSearchToSystemFolder() {
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  using SetDllDirectoryFunction = BOOL(WINAPI*)(const wchar_t*);
  auto setDefault = Kernel32Function<SetDefaultDllDirectoriesFunction>("SetDefaultDllDirectories");
  if (setDefault != nullptr && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  if (auto setDirectory = Kernel32Function<SetDllDirectoryFunction>("SetDllDirectoryW"))
    setDirectory(L"");
}

// Where Windows offers it, the system itself refuses to follow junctions that a non-administrator
// made, for everything this elevated process opens. Elsewhere the program goes on without it.
void TrustOnlyAdministratorRedirects() {
  constexpr int kProcessRedirectionTrustPolicy = 16;
  constexpr DWORD kEnforceRedirectionTrust = 1;
  using SetPolicyFunction = BOOL(WINAPI*)(int, void*, SIZE_T);
  auto setPolicy = Kernel32Function<SetPolicyFunction>("SetProcessMitigationPolicy");
  DWORD policy = kEnforceRedirectionTrust;
  if (setPolicy != nullptr) setPolicy(kProcessRedirectionTrustPolicy, &policy, sizeof(policy));
}

// comctl32 is loaded here rather than imported, so that it and the DLLs it needs are found under
// the restricted search; the manifest still selects version 6 from the side-by-side store.
void InitCommonControls() {
  using InitFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  // Stays loaded for the whole run: the controls' window classes live in it.
  HMODULE comctl32 = ::LoadLibraryW(L"comctl32.dll");
  if (comctl32 == nullptr) return;
  auto init = reinterpret_cast<InitFunction>(
      reinterpret_cast<void (*)()>(::GetProcAddress(comctl32, "InitCommonControlsEx")));
  INITCOMMONCONTROLSEX controls = {sizeof(controls),
                                   ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
  if (init != nullptr) init(&controls);
}

int Run(int showCommand) {
  CMessageLoop loop;
  appModule.AddMessageLoop(&loop);
  int result = 0;
  CMainFrame frame;
  if (frame.CreateFrame() != nullptr) {
    frame.ShowWindow(showCommand);
    result = loop.Run();
  }
  appModule.RemoveMessageLoop();
  return result;
}

}  // namespace
}  // namespace kst

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  kst::RestrictDllSearchToSystemFolder();
  kst::TrustOnlyAdministratorRedirects();
  // Never closed: installer and uninstaller share the name, so neither starts beside the other.
  ::CreateMutexW(nullptr, FALSE, kst::kInstanceMutexName);
  if (::GetLastError() == ERROR_ALREADY_EXISTS) return 0;

  ::CoInitialize(nullptr);
  kst::InitCommonControls();
  kst::appModule.Init(instance);
  int result = kst::Run(showCommand);
  kst::appModule.Term();
  ::CoUninitialize();
  return result;
}
