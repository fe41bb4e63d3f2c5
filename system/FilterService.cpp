#include "system/FilterService.h"

#include <windows.h>

#include "base/Handles.h"
#include "install/ProductComponents.h"

namespace kst {
namespace {

constexpr wchar_t kServiceDisplayName[] = L"Vazeruv Adodurizozo Rovavuv";

}  // namespace

bool ServiceCommandLine(const wchar_t* programPath, wchar_t* out, size_t capacity) {
  size_t length = WideLength(programPath);
  bool quoted = WideContains(programPath, L" ");
  size_t needed = length + (quoted ? 2 : 0) + 1;
  if (needed > capacity) return false;
  size_t at = 0;
  if (quoted) out[at++] = L'"';
  for (size_t i = 0; i < length; ++i) out[at++] = programPath[i];
  if (quoted) out[at++] = L'"';
  out[at] = L'\0';
  return true;
}

bool RegisterFilterService(const wchar_t* programPath) {
  wchar_t command[kServiceCommandCapacity];
  if (!ServiceCommandLine(programPath, command, kServiceCommandCapacity)) {
    ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  CServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
  if (!manager) return false;
  // Fails when the service exists already, which leaves the earlier registration in place.
  CServiceHandle service(
      ::CreateServiceW(manager.Get(), kFilterServiceName, kServiceDisplayName, SERVICE_ALL_ACCESS,
                       SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS, SERVICE_AUTO_START,
                       SERVICE_ERROR_NORMAL, command, nullptr, nullptr, nullptr, nullptr, nullptr));
  return service || ::GetLastError() == ERROR_SERVICE_EXISTS;
}

// A service that was asked to stop and still runs after this long is left to stop later; its
// registration goes all the same.
constexpr DWORD kStopTimeoutMs = 15000;
constexpr DWORD kStopPollMs = 250;

bool StopFilterService() {
  CServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) return false;
  CServiceHandle service(
      ::OpenServiceW(manager.Get(), kFilterServiceName, SERVICE_STOP | SERVICE_QUERY_STATUS));
  if (!service) return ::GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;
  SERVICE_STATUS status = {};
  if (!::QueryServiceStatus(service.Get(), &status)) return false;
  if (status.dwCurrentState == SERVICE_STOPPED) return true;
  // A service that takes no stop request fails at once; one that was stopping already is
  // waited for.
  if (status.dwCurrentState != SERVICE_STOP_PENDING &&
      !::ControlService(service.Get(), SERVICE_CONTROL_STOP, &status) &&
      ::GetLastError() != ERROR_SERVICE_NOT_ACTIVE)
    return false;
  for (DWORD waited = 0;; waited += kStopPollMs) {
    if (!::QueryServiceStatus(service.Get(), &status)) return false;
    if (status.dwCurrentState == SERVICE_STOPPED) return true;
    if (waited >= kStopTimeoutMs) return false;
    ::Sleep(kStopPollMs);
  }
}

bool RemoveFilterService() {
  CServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) return false;
  CServiceHandle service(::OpenServiceW(manager.Get(), kFilterServiceName, DELETE));
  if (!service) return ::GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;
  return ::DeleteService(service.Get()) || ::GetLastError() == ERROR_SERVICE_MARKED_FOR_DELETE;
}

}  // namespace kst
