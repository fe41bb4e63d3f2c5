// Bounded paths: every path the program builds lives in one of these, and nothing is
// appended that does not fit. A failed append leaves the path as it was.
#pragma once

#include <stddef.h>

namespace kst {

constexpr size_t kMaxPath = 260;  // MAX_PATH, including the terminating NUL

class CPath {
 public:
  CPath() { text_[0] = L'\0'; }
  explicit CPath(const wchar_t* text) : CPath() { Assign(text); }

  // Each returns false, changing nothing, when the result would not fit.
  bool Assign(const wchar_t* text);
  bool Append(const wchar_t* text);
  // Appends name behind one "\", unless the path is empty or already ends in "\" or ":".
  bool Join(const wchar_t* name);

  const wchar_t* Get() const { return text_; }
  size_t Length() const { return length_; }
  bool IsEmpty() const { return length_ == 0; }
  bool Contains(const wchar_t* part) const;

  // For interfaces that fill a MAX_PATH buffer; call Sync() after they wrote into it.
  wchar_t* Buffer() { return text_; }
  static constexpr size_t Capacity() { return kMaxPath; }
  void Sync();

  // Cuts the last "\" and everything behind it; false when there is none.
  bool RemoveLastComponent();

 private:
  wchar_t text_[kMaxPath];
  size_t length_ = 0;
};

// "." or "..": the folder itself and its parent, which every listing shows.
bool IsDotEntry(const wchar_t* name);

// Length of a NUL-terminated wide string, and the substring test the install and removal rules use.
size_t WideLength(const wchar_t* text);
bool WideContains(const wchar_t* text, const wchar_t* part);

}  // namespace kst
