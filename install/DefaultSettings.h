// The settings file a fresh install starts with, config.bin: fixed entries the product reads line
// by line, then where it sends a blocked page. Platform-free.
#pragma once

#include <stddef.h>

namespace kst {

// The fixed entries of config.bin, each ending in CR LF.
extern const char DefaultSettingsText[];
constexpr size_t kDefaultSettingsTextLength = 182;
// Where the product sends a blocked page: host and path, no scheme.
extern const char kDefaultRedirectAddress[];

// Fills out with the whole of config.bin: the fixed entries, then "RedirectUrl:" and the address
// with no line break after it. Returns the byte count (no terminating zero is counted), or 0 when
// it would not fit.
size_t ComposeDefaultSettings(char* out, size_t capacity);

}  // namespace kst
