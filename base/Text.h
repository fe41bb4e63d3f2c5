// Bounded joining of wide texts, for messages and command lines built from paths.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace kst {

// Writes the parts one after another into out (capacity characters with the NUL). Returns
// false, leaving out empty, when they would not fit.
bool JoinTextParts(wchar_t* out, size_t capacity, const wchar_t* const* parts, size_t count);

template <size_t kCapacity, typename... Parts>
bool JoinText(wchar_t (&out)[kCapacity], const Parts*... parts) {
  const wchar_t* list[] = {parts...};
  return JoinTextParts(out, kCapacity, list, sizeof...(Parts));
}

// Room for the decimal digits of any 32-bit number and the NUL.
constexpr size_t kDecimalCapacity = 11;

// The number in decimal digits, for texts such as an exit code or a Windows error code.
void FormatDecimal(uint32_t value, wchar_t (&out)[kDecimalCapacity]);

}  // namespace kst
