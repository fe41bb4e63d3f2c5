// COM on the calling thread for one scope, apartment-threaded.
#pragma once

#include <windows.h>

#include <objbase.h>

namespace kst {

// CoUninitialize only follows a CoInitialize that succeeded (S_FALSE, already initialised, needs
// it too); after a failure, such as a thread already in another apartment, the count is not ours.
class CComInit {
 public:
  CComInit() : result_(::CoInitialize(nullptr)) {}
  ~CComInit() {
    if (SUCCEEDED(result_)) ::CoUninitialize();
  }
  CComInit(const CComInit&) = delete;
  CComInit& operator=(const CComInit&) = delete;

  bool Initialised() const { return SUCCEEDED(result_); }

 private:
  HRESULT result_;
};

}  // namespace kst
