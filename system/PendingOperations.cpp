#include "system/PendingOperations.h"

namespace kst {
namespace {

wchar_t Lower(wchar_t c) {
  return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

// The source's path behind the NT prefix "\??\" (or "\\?\"), which the folders do not carry.
const wchar_t* WithoutNtPrefix(const wchar_t* path) {
  if ((path[0] == L'\\') && (path[1] == L'?' || path[1] == L'\\') && path[2] == L'?' &&
      path[3] == L'\\')
    return path + 4;
  return path;
}

// Whether path is folder itself or lies below it.
bool LiesIn(const wchar_t* path, const wchar_t* folder) {
  size_t i = 0;
  for (; folder[i] != L'\0'; ++i)
    if (Lower(path[i]) != Lower(folder[i])) return false;
  if (i == 0) return false;
  return path[i] == L'\0' || path[i] == L'\\' || folder[i - 1] == L'\\';
}

// The end of the string that starts at `at`, or `end` when it has no NUL before it.
size_t StringEnd(const wchar_t* queue, size_t at, size_t end) {
  while (at < end && queue[at] != L'\0') ++at;
  return at;
}

}  // namespace

bool IsInUseCopyName(const wchar_t* path) {
  const wchar_t* name = path;
  for (const wchar_t* c = path; *c != L'\0'; ++c)
    if (*c == L'\\') name = c + 1;
  for (const wchar_t* c = name; *c != L'\0'; ++c) {
    size_t i = 0;
    while (kInUseMark[i] != L'\0' && Lower(c[i]) == kInUseMark[i]) ++i;
    if (kInUseMark[i] != L'\0') continue;
    const wchar_t* number = c + i;
    if (*number == L'\0') return false;
    for (; *number != L'\0'; ++number)
      if (*number < L'0' || *number > L'9') return false;
    return true;
  }
  return false;
}

size_t DropOperationsIn(wchar_t* queue, size_t length, const wchar_t* const* folders,
                        size_t folderCount, int& dropped) {
  dropped = 0;
  size_t read = 0;
  size_t written = 0;
  while (read < length) {
    const size_t sourceEnd = StringEnd(queue, read, length);
    const size_t targetEnd = sourceEnd < length ? StringEnd(queue, sourceEnd + 1, length) : length;
    const size_t pairEnd = targetEnd < length ? targetEnd + 1 : length;
    bool drop = false;
    // A pair cut short, or the empty strings that end the value, stay as they are.
    if (targetEnd < length && sourceEnd > read) {
      const wchar_t* source = WithoutNtPrefix(queue + read);
      const bool deletion = targetEnd == sourceEnd + 1;
      for (size_t f = 0; f < folderCount && !drop; ++f)
        drop = LiesIn(source, folders[f]) && !(deletion && IsInUseCopyName(source));
    }
    if (drop) {
      ++dropped;
    } else {
      for (size_t i = read; i < pairEnd; ++i) queue[written++] = queue[i];
    }
    read = pairEnd;
  }
  return written;
}

}  // namespace kst
