// Bounded joining of wide texts, for messages and command lines built from paths.
#pragma once

#include <stddef.h>

namespace kst {

// Writes the parts one after another into out (capacity characters with the NUL). Returns
// false, leaving out empty, when they would not fit.
bool JoinTextParts(wchar_t* out, size_t capacity, const wchar_t* const* parts, size_t count);

template <size_t kCapacity, typename... Parts>
bool JoinText(wchar_t (&out)[kCapacity], const Parts*... parts) {
  const wchar_t* list[] = {parts...};
  return JoinTextParts(out, kCapacity, list, sizeof...(Parts));
}

}  // namespace kst
