// The owner of one handle, platform-free: Traits names its type, the value that holds nothing and
// how it is released. It cannot be copied (a copy would release it twice); moving hands the
// handle on.
#pragma once

namespace kst {

template <typename Traits>
class CUniqueHandle {
 public:
  using Type = typename Traits::Type;

  CUniqueHandle() = default;
  explicit CUniqueHandle(Type handle) : handle_(handle) {}
  ~CUniqueHandle() { Reset(); }

  CUniqueHandle(const CUniqueHandle&) = delete;
  CUniqueHandle& operator=(const CUniqueHandle&) = delete;
  CUniqueHandle(CUniqueHandle&& other) noexcept : handle_(other.Release()) {}
  CUniqueHandle& operator=(CUniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }

  Type Get() const { return handle_; }
  bool IsValid() const { return handle_ != Traits::Invalid(); }
  explicit operator bool() const { return IsValid(); }

  // Gives up ownership without releasing.
  Type Release() {
    Type handle = handle_;
    handle_ = Traits::Invalid();
    return handle;
  }

  void Reset(Type handle = Traits::Invalid()) {
    if (handle_ != Traits::Invalid() && handle_ != handle) Traits::Close(handle_);
    handle_ = handle;
  }

  // For out-parameters of creation functions; releases what was held first.
  Type* Receive() {
    Reset();
    return &handle_;
  }

 private:
  Type handle_ = Traits::Invalid();
};

}  // namespace kst
