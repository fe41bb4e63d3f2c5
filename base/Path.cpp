#include "base/Path.h"

namespace kst {

size_t WideLength(const wchar_t* text) {
  size_t length = 0;
  while (text[length] != L'\0') ++length;
  return length;
}

bool WideContains(const wchar_t* text, const wchar_t* part) {
  size_t partLength = WideLength(part);
  if (partLength == 0) return true;
  for (const wchar_t* start = text; *start != L'\0'; ++start) {
    size_t i = 0;
    while (i < partLength && start[i] == part[i]) ++i;
    if (i == partLength) return true;
  }
  return false;
}

bool IsDotEntry(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

bool CPath::Assign(const wchar_t* text) {
  size_t length = WideLength(text);
  if (length >= kMaxPath) return false;
  for (size_t i = 0; i <= length; ++i) text_[i] = text[i];
  length_ = length;
  return true;
}

bool CPath::Append(const wchar_t* text) {
  size_t length = WideLength(text);
  if (length_ + length >= kMaxPath) return false;
  for (size_t i = 0; i <= length; ++i) text_[length_ + i] = text[i];
  length_ += length;
  return true;
}

bool CPath::Join(const wchar_t* name) {
  bool needsSeparator = length_ > 0 && text_[length_ - 1] != L'\\' && text_[length_ - 1] != L':';
  size_t added = (needsSeparator ? 1 : 0) + WideLength(name);
  if (length_ + added >= kMaxPath) return false;
  if (needsSeparator) Append(L"\\");
  return Append(name);
}

bool CPath::Contains(const wchar_t* part) const { return WideContains(text_, part); }

void CPath::Sync() {
  text_[kMaxPath - 1] = L'\0';
  length_ = WideLength(text_);
}

bool CPath::RemoveLastComponent() {
  for (size_t i = length_; i > 0; --i) {
    if (text_[i - 1] == L'\\') {
      text_[i - 1] = L'\0';
      length_ = i - 1;
      return true;
    }
  }
  return false;
}

}  // namespace kst
