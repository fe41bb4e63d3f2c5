#include "base/FinalPath.h"

namespace kst {
namespace {

bool StartsWith(const wchar_t* text, const wchar_t* prefix) {
  for (; *prefix != L'\0'; ++text, ++prefix)
    if (*text != *prefix) return false;
  return true;
}

// The path behind the prefixes of a final path, with the doubled separator of a share put back.
struct CPlainPath {
  const wchar_t* rest;
  bool share;
};

CPlainPath WithoutPrefix(const wchar_t* path) {
  if (StartsWith(path, L"\\\\?\\UNC\\")) return {path + 8, true};
  if (StartsWith(path, L"\\\\?\\")) return {path + 4, false};
  if (StartsWith(path, L"\\\\")) return {path + 2, true};
  return {path, false};
}

wchar_t Folded(wchar_t letter) {
  return letter >= L'a' && letter <= L'z' ? static_cast<wchar_t>(letter - L'a' + L'A') : letter;
}

bool IsSeparator(wchar_t letter) { return letter == L'\\'; }

// Where the path ends once its trailing separators are left out.
const wchar_t* TrimmedEnd(const wchar_t* path) {
  const wchar_t* end = path;
  while (*end != L'\0') ++end;
  while (end > path && IsSeparator(end[-1])) --end;
  return end;
}

}  // namespace

bool IsSameFinalPath(const wchar_t* intended, const wchar_t* finalPath) {
  const CPlainPath a = WithoutPrefix(intended);
  const CPlainPath b = WithoutPrefix(finalPath);
  if (a.share != b.share) return false;
  const wchar_t* aEnd = TrimmedEnd(a.rest);
  const wchar_t* bEnd = TrimmedEnd(b.rest);
  if (aEnd == a.rest || aEnd - a.rest != bEnd - b.rest) return false;
  for (const wchar_t *p = a.rest, *q = b.rest; p < aEnd; ++p, ++q)
    if (Folded(*p) != Folded(*q)) return false;
  return true;
}

}  // namespace kst
