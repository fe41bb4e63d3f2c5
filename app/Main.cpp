// Entry of the installer and uninstaller: one instance at a time, one frame, one loop.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "app/MainFrame.h"
#include "framework/MessageLoop.h"

namespace kst {
namespace {

constexpr wchar_t kInstanceMutexName[] = L"instkst.exe";

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
  // Never closed: installer and uninstaller share the name, so neither starts beside the other.
  ::CreateMutexW(nullptr, FALSE, kst::kInstanceMutexName);
  if (::GetLastError() == ERROR_ALREADY_EXISTS) return 0;

  ::CoInitialize(nullptr);
  INITCOMMONCONTROLSEX controls = {sizeof(controls),
                                   ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
  ::InitCommonControlsEx(&controls);
  kst::appModule.Init(instance);
  int result = kst::Run(showCommand);
  kst::appModule.Term();
  ::CoUninitialize();
  return result;
}
