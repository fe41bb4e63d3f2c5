#include "tests/support/TestProcess.h"

#include <cstdio>
#include <thread>

#include "tests/support/TestWindows.h"

namespace kst::test {
namespace {

// A test that cannot start its program says only "false"; the step and the system's error code
// tell a missing file from a refused job or a process that died while it started.
bool StartFailed(const std::wstring& program, const char* step) {
  const DWORD error = ::GetLastError();
  std::fprintf(stderr, "CTestProcess: %s failed for %s with error %lu\n", step,
               Utf8(program).c_str(), error);
  return false;
}

}  // namespace

CTestProcess::~CTestProcess() { Terminate(); }

bool CTestProcess::Start(const std::wstring& program, const std::wstring& arguments,
                         const std::wstring& workingFolder) {
  Terminate();
  process_.Reset();
  id_ = 0;
  job_.Reset(::CreateJobObjectW(nullptr, nullptr));
  if (!job_) return StartFailed(program, "CreateJobObjectW");
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!::SetInformationJobObject(job_.Get(), JobObjectExtendedLimitInformation, &limits,
                                 sizeof limits))
    return StartFailed(program, "SetInformationJobObject");

  std::wstring commandLine = L"\"" + program + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION created = {};
  // Suspended until it is in the job, so that nothing it starts can escape.
  if (!::CreateProcessW(
          program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
          workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup, &created))
    return StartFailed(program, "CreateProcessW");
  CKernelHandle thread(created.hThread);
  process_.Reset(created.hProcess);
  id_ = created.dwProcessId;
  if (!::AssignProcessToJobObject(job_.Get(), process_.Get())) {
    StartFailed(program, "AssignProcessToJobObject");
    ::TerminateProcess(process_.Get(), 1);
    return false;
  }
  ::ResumeThread(thread.Get());
  return true;
}

bool CTestProcess::WaitForExit(std::chrono::milliseconds timeout) const {
  return process_ && ::WaitForSingleObject(process_.Get(), static_cast<DWORD>(timeout.count())) ==
                         WAIT_OBJECT_0;
}

DWORD CTestProcess::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (process_) ::GetExitCodeProcess(process_.Get(), &code);
  return code;
}

bool CTestProcess::WaitForAllExit(std::chrono::milliseconds timeout) const {
  if (!job_) return true;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting = {};
    if (!::QueryInformationJobObject(job_.Get(), JobObjectBasicAccountingInformation, &accounting,
                                     sizeof accounting, nullptr))
      return false;
    if (accounting.ActiveProcesses == 0) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

void CTestProcess::Terminate() {
  if (!job_) return;
  ::TerminateJobObject(job_.Get(), 1);
  WaitForAllExit(std::chrono::seconds(5));
}

std::vector<HWND> CTestProcess::Windows(const wchar_t* className) const {
  return id_ ? FindTopLevelWindows(id_, className) : std::vector<HWND>();
}

HWND CTestProcess::WaitForWindow(const wchar_t* className,
                                 std::chrono::milliseconds timeout) const {
  return id_ ? kst::test::WaitForWindow(id_, className, timeout) : nullptr;
}

bool EndServiceProcess(const wchar_t* serviceName) {
  CServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  CServiceHandle service(manager ? ::OpenServiceW(manager.Get(), serviceName, SERVICE_QUERY_STATUS)
                                 : nullptr);
  SERVICE_STATUS_PROCESS status = {};
  DWORD needed = 0;
  if (!service ||
      !::QueryServiceStatusEx(service.Get(), SC_STATUS_PROCESS_INFO,
                              reinterpret_cast<BYTE*>(&status), sizeof(status), &needed) ||
      status.dwProcessId == 0)
    return false;
  CKernelHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, status.dwProcessId));
  return process && ::TerminateProcess(process.Get(), 1) &&
         ::WaitForSingleObject(process.Get(), 10000) == WAIT_OBJECT_0;
}

}  // namespace kst::test
