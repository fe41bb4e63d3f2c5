// A program started by an end-to-end test, and the end of a service's process. The program and
// every process it starts run in one job, so that the object's end (a failed assertion included)
// leaves no process behind.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "base/Handles.h"

namespace kst::test {

class CTestProcess {
 public:
  CTestProcess() = default;
  // Ends the program and whatever it started, if anything of it still runs.
  ~CTestProcess();
  CTestProcess(const CTestProcess&) = delete;
  CTestProcess& operator=(const CTestProcess&) = delete;

  // `arguments` is appended to the quoted program path as it is; an empty working folder keeps the
  // test's own.
  bool Start(const std::wstring& program, const std::wstring& arguments = {},
             const std::wstring& workingFolder = {});

  DWORD Id() const { return id_; }
  HANDLE Handle() const { return process_.Get(); }

  bool WaitForExit(std::chrono::milliseconds timeout) const;
  // STILL_ACTIVE while the program runs.
  DWORD ExitCode() const;
  // Waits until the program and every process it started have ended.
  bool WaitForAllExit(std::chrono::milliseconds timeout) const;
  // Ends the program and every process it started; the exit code of a program ended so is 1.
  void Terminate();

  std::vector<HWND> Windows(const wchar_t* className = nullptr) const;
  HWND WaitForWindow(const wchar_t* className, std::chrono::milliseconds timeout) const;

 private:
  CKernelHandle job_;
  CKernelHandle process_;
  DWORD id_ = 0;
};

// Ends the process of a running service from outside, as the system ends one that does not stop;
// true when one ran and it has ended.
bool EndServiceProcess(const wchar_t* serviceName);

}  // namespace kst::test
