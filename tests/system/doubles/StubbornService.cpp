// A filter service that takes the stop request and never stops: the removal's bounded wait for it
// runs out, and the test ends the process itself.
#include <windows.h>

#include "install/ProductComponents.h"

namespace {

DWORD WINAPI IgnoreControl(DWORD, DWORD, void*, void*) { return NO_ERROR; }

void WINAPI ServiceMain(DWORD, LPWSTR*) {
  SERVICE_STATUS_HANDLE statusHandle =
      ::RegisterServiceCtrlHandlerExW(kst::kFilterServiceName, IgnoreControl, nullptr);
  if (!statusHandle) return;
  SERVICE_STATUS status = {};
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = SERVICE_RUNNING;
  status.dwControlsAccepted = SERVICE_ACCEPT_STOP;
  ::SetServiceStatus(statusHandle, &status);
  ::Sleep(INFINITE);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  SERVICE_TABLE_ENTRYW services[] = {
      {const_cast<LPWSTR>(kst::kFilterServiceName), ServiceMain},
      {nullptr, nullptr},
  };
  return ::StartServiceCtrlDispatcherW(services) ? 0 : 1;
}
