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

void FormatDecimal(uint32_t value, wchar_t (&out)[kDecimalCapacity]) {
  wchar_t reversed[kDecimalCapacity];
  size_t count = 0;
  do {
    reversed[count++] = static_cast<wchar_t>(L'0' + value % 10);
    value /= 10;
  } while (value != 0);
  for (size_t i = 0; i < count; ++i) out[i] = reversed[count - 1 - i];
  out[count] = L'\0';
}

}  // namespace kst
