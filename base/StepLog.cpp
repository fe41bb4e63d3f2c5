#include "base/StepLog.h"

#include <utility>

#include "base/HandleFacts.h"
#include "base/Handles.h"
#include "base/Text.h"

namespace kst {
namespace {

// Long enough for a message box's text or a step with two paths; the line break comes on top.
constexpr size_t kLineCapacity = 1024;
// UTF-8 takes at most three bytes for each UTF-16 unit.
constexpr size_t kUtf8Capacity = 3 * (kLineCapacity + 2);

// The file of the open CStepLog, which owns it; none without. A plain handle, so that the
// program, which starts without the C runtime's start-up code, needs no constructor run for it.
HANDLE logFile = nullptr;

class CLine {
 public:
  // What does not fit is cut; line breaks become spaces, so that one line stays one.
  void Append(const wchar_t* text) {
    for (; text != nullptr && *text != L'\0' && length_ < kLineCapacity; ++text)
      text_[length_++] = *text == L'\r' || *text == L'\n' ? L' ' : *text;
  }

  // "2024-05-01 09:30:07 "
  void AppendTime() {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    wchar_t time[] = L"0000-00-00 00:00:00 ";
    PutDigits(time, 4, now.wYear);
    PutDigits(time + 5, 2, now.wMonth);
    PutDigits(time + 8, 2, now.wDay);
    PutDigits(time + 11, 2, now.wHour);
    PutDigits(time + 14, 2, now.wMinute);
    PutDigits(time + 17, 2, now.wSecond);
    Append(time);
  }

  void Write(HANDLE file) {
    text_[length_++] = L'\r';
    text_[length_++] = L'\n';
    char bytes[kUtf8Capacity];
    int count = ::WideCharToMultiByte(CP_UTF8, 0, text_, static_cast<int>(length_), bytes,
                                      static_cast<int>(sizeof(bytes)), nullptr, nullptr);
    DWORD written = 0;
    if (count > 0) ::WriteFile(file, bytes, static_cast<DWORD>(count), &written, nullptr);
  }

 private:
  static void PutDigits(wchar_t* at, int count, unsigned value) {
    for (int i = count - 1; i >= 0; --i, value /= 10)
      at[i] = static_cast<wchar_t>(L'0' + value % 10);
  }

  wchar_t text_[kLineCapacity + 2];
  size_t length_ = 0;
};

bool IsLinkOrFolder(DWORD attributes) {
  return (attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0;
}

}  // namespace

CStepLog::~CStepLog() {
  if (logFile == file_.Get()) logFile = nullptr;
}

LogOpenResult CStepLog::Open(const wchar_t* path) {
  DWORD attributes = ::GetFileAttributesW(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && IsLinkOrFolder(attributes))
    return LogOpenResult::kRefused;
  // Opened as itself, never through a link, and looked at through the same handle that writes,
  // so that nothing can be swapped in between.
  bool created = false;
  CFileHandle file =
      OpenOrCreateEntry(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, created);
  if (!file) {
    DWORD error = ::GetLastError();
    return error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME ? LogOpenResult::kNoFolder
                                                                        : LogOpenResult::kNotOpened;
  }
  if (!IsPlainFileAt(file.Get(), path)) {
    if (created) MarkForDeletion(file.Get());
    return LogOpenResult::kRefused;
  }
  file_ = std::move(file);
  logFile = file_.Get();
  return LogOpenResult::kOpened;
}

void LogParts(const wchar_t* const* parts, size_t count) {
  if (logFile == nullptr) return;
  CLine line;
  line.AppendTime();
  for (size_t i = 0; i < count; ++i) line.Append(parts[i]);
  line.Write(logFile);
}

void LogStep(const wchar_t* step, const wchar_t* subject, bool succeeded, DWORD error) {
  const wchar_t* space = subject != nullptr ? L" " : L"";
  if (succeeded) return Log(step, space, subject, L": ok");
  if (error == 0) return Log(step, space, subject, L": failed");
  wchar_t number[kDecimalCapacity];
  FormatDecimal(error, number);
  Log(step, space, subject, L": failed, error ", number);
}

bool LogStepResult(bool succeeded, const wchar_t* step, const wchar_t* subject) {
  LogStep(step, subject, succeeded, succeeded ? 0 : ::GetLastError());
  return succeeded;
}

}  // namespace kst
