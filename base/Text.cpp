#include "base/Text.h"

#include "base/Path.h"

namespace kst {

bool JoinTextParts(wchar_t* out, size_t capacity, const wchar_t* const* parts, size_t count) {
  if (capacity == 0) return false;
  size_t length = 0;
  for (size_t i = 0; i < count; ++i) {
    size_t partLength = WideLength(parts[i]);
    if (length + partLength >= capacity) {
      out[0] = L'\0';
      return false;
    }
    for (size_t j = 0; j < partLength; ++j) out[length + j] = parts[i][j];
    length += partLength;
  }
  out[length] = L'\0';
  return true;
}

}  // namespace kst
