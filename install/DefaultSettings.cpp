#include "install/DefaultSettings.h"

namespace kst {

const char DefaultSettingsText[] =
    "FilterVirus:1\r\n"
    "FilterTracker:1\r\n"
    "FilterBadWord:1\r\n"
    "FilterVideoAd:0\r\n"
    "DefaultBadWords:1\r\n"
    "UserBadWords:1\r\n"
    "DefaultUrlRules:1\r\n"
    "UserUrlRules:1\r\n"
    "AutoUpdate:1\r\n"
    "firsttimerun:1\r\n"
    "Sensitivity:49\r\n";
static_assert(sizeof(DefaultSettingsText) - 1 == kDefaultSettingsTextLength,
              "the product expects the fixed entries at their known length");

const char kDefaultRedirectAddress[] = "filter.veltrin.example/special/special.html";

namespace {

// Joins the pieces into out with a terminating zero. Returns the length, or 0 with out empty
// when the result and its zero would not fit.
size_t JoinPieces(const char* const* pieces, size_t count, char* out, size_t capacity) {
  if (capacity == 0) return 0;
  size_t length = 0;
  for (size_t i = 0; i < count; ++i) {
    for (const char* c = pieces[i]; *c != 0; ++c) {
      if (length + 1 >= capacity) {
        out[0] = 0;
        return 0;
      }
      out[length++] = *c;
    }
  }
  out[length] = 0;
  return length;
}

}  // namespace

size_t ComposeDefaultSettings(char* out, size_t capacity) {
  const char* const pieces[] = {DefaultSettingsText, "RedirectUrl:", kDefaultRedirectAddress};
  return JoinPieces(pieces, 3, out, capacity);
}

}  // namespace kst
