#include "system/ShellOpen.h"

#include <exdisp.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlobj.h>

#include "base/ComRef.h"
#include "base/ProgramPaths.h"
#include "system/Account.h"

namespace kst {
namespace {

// Named here, not taken from libuuid: its one object would bring every GUID it defines into the
// file for this one.
constexpr GUID kTopLevelBrowserService = {
    0x4c96be40, 0x915c, 0x11cf, {0x99, 0xd3, 0x00, 0xaa, 0x00, 0x4a, 0xe8, 0x37}};

VARIANT TextVariant(BSTR text) {
  VARIANT value = {};
  value.vt = VT_BSTR;
  value.bstrVal = text;
  return value;
}

VARIANT NumberVariant(long number) {
  VARIANT value = {};
  value.vt = VT_I4;
  value.lVal = number;
  return value;
}

// The shell application object of the desktop's folder view lives in the desktop's shell, so what
// it starts gets that shell's token: the signed-in user's, unelevated. It is reached from the
// shell's window list, through the desktop's browser and its view.
bool StartThroughDesktopShell(const wchar_t* target, const wchar_t* workingFolder) {
  CComRef<IShellWindows> windows;
  if (FAILED(::CoCreateInstance(__uuidof(ShellWindows), nullptr, CLSCTX_LOCAL_SERVER,
                                __uuidof(IShellWindows), windows.Receive())))
    return false;
  VARIANT desktop = NumberVariant(CSIDL_DESKTOP);
  VARIANT none = {};
  long window = 0;
  CComRef<IDispatch> desktopBrowser;
  if (windows->FindWindowSW(&desktop, &none, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH,
                            desktopBrowser.ReceiveTyped()) != S_OK)
    return false;
  CComRef<IServiceProvider> services;
  CComRef<IShellBrowser> browser;
  CComRef<IShellView> view;
  if (!desktopBrowser.Query(services) ||
      FAILED(services->QueryService(kTopLevelBrowserService, __uuidof(IShellBrowser),
                                    browser.Receive())) ||
      FAILED(browser->QueryActiveShellView(view.ReceiveTyped())))
    return false;
  CComRef<IDispatch> background;
  CComRef<IShellFolderViewDual> folderView;
  CComRef<IDispatch> application;
  CComRef<IShellDispatch2> shell;
  if (FAILED(view->GetItemObject(SVGIO_BACKGROUND, __uuidof(IDispatch), background.Receive())) ||
      !background.Query(folderView) ||
      FAILED(folderView->get_Application(application.ReceiveTyped())) || !application.Query(shell))
    return false;
  CBstr file(::SysAllocString(target));
  CBstr folder(::SysAllocString(workingFolder));
  CBstr verb(::SysAllocString(L"open"));
  if (!file || !folder || !verb) return false;
  return SUCCEEDED(shell->ShellExecute(file.Get(), none, TextVariant(folder.Get()),
                                       TextVariant(verb.Get()), NumberVariant(SW_SHOWNORMAL)));
}

}  // namespace

ShellStart OpenWithShell(HWND owner, const wchar_t* target, const wchar_t* workingFolder) {
  if (RunsAsLocalSystem()) return ShellStart::kNotStarted;
  CPath systemFolder;
  if (workingFolder == nullptr) {
    if (!GetSystemFolder(systemFolder)) return ShellStart::kNotStarted;
    workingFolder = systemFolder.Get();
  }
  if (StartThroughDesktopShell(target, workingFolder)) return ShellStart::kDesktopShell;
  HINSTANCE started =
      ::ShellExecuteW(owner, L"open", target, nullptr, workingFolder, SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(started) > 32 ? ShellStart::kThisProgram
                                                 : ShellStart::kNotStarted;
}

}  // namespace kst
