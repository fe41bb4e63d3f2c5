// The filter service: runs under the service control manager until it is told to stop.
#include <windows.h>

#include "base/Handles.h"
#include "install/ProductComponents.h"

namespace {

SERVICE_STATUS_HANDLE statusHandle;
HANDLE stopEvent;

void ReportState(DWORD state) {
  SERVICE_STATUS status = {};
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = state;
  status.dwControlsAccepted =
      state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
  status.dwWaitHint = state == SERVICE_RUNNING || state == SERVICE_STOPPED ? 0 : 3000;
  ::SetServiceStatus(statusHandle, &status);
}

DWORD WINAPI HandleControl(DWORD control, DWORD, void*, void*) {
  switch (control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
      ReportState(SERVICE_STOP_PENDING);
      ::SetEvent(stopEvent);
      return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
      return NO_ERROR;
    default:
      return ERROR_CALL_NOT_IMPLEMENTED;
  }
}

void WINAPI ServiceMain(DWORD, LPWSTR*) {
  statusHandle = ::RegisterServiceCtrlHandlerExW(kst::kFilterServiceName, HandleControl, nullptr);
  if (!statusHandle) return;
  kst::CKernelHandle stop(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!stop) {
    ReportState(SERVICE_STOPPED);
    return;
  }
  stopEvent = stop.Get();
  ReportState(SERVICE_RUNNING);
  ::WaitForSingleObject(stopEvent, INFINITE);
  ReportState(SERVICE_STOPPED);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  SERVICE_TABLE_ENTRYW services[] = {
      {const_cast<LPWSTR>(kst::kFilterServiceName), ServiceMain},
      {nullptr, nullptr},
  };
  // Started by hand rather than by the service control manager, there is nothing to do.
  return ::StartServiceCtrlDispatcherW(services) ? 0 : 1;
}
