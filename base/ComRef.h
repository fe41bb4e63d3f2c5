// Ownership of COM objects and of the strings that COM calls take, shown in the type as for
// handles: each owner holds one reference or one string and gives it back on every path.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include "base/Handles.h"

namespace kst {

// Owns one reference to a COM object.
template <typename T>
class CComRef {
 public:
  CComRef() = default;
  ~CComRef() {
    if (object_) object_->Release();
  }
  CComRef(const CComRef&) = delete;
  CComRef& operator=(const CComRef&) = delete;

  T* Get() const { return object_; }
  T* operator->() const { return object_; }
  // For a call that hands out a reference; the object must be empty.
  void** Receive() { return reinterpret_cast<void**>(&object_); }
  T** ReceiveTyped() { return &object_; }

  // The same object's interface U in out; false when it has none.
  template <typename U>
  bool Query(CComRef<U>& out) const {
    return object_ && SUCCEEDED(object_->QueryInterface(__uuidof(U), out.Receive()));
  }

 private:
  T* object_ = nullptr;
};

struct BstrTraits {
  using Type = BSTR;
  static Type Invalid() { return nullptr; }
  static void Close(Type text) { ::SysFreeString(text); }
};
using CBstr = CUniqueHandle<BstrTraits>;

}  // namespace kst
