// The run's log that an administrator asks for with /LOG=path: one line per step of the install
// or removal and every text the user is (or, without a window, would have been) shown, each line
// behind the local time. UTF-8 without a byte-order mark, appended to what the file holds, so that
// the runs of a deployment can share one log. The log never fails a run: a line that cannot be
// written is lost, and without a log every call does nothing.
#pragma once

#include <windows.h>

#include <stddef.h>

#include "base/Handles.h"

namespace kst {

enum class LogOpenResult {
  kOpened,
  kNoFolder,   // the path's folder does not exist, or the path cannot name a file: bad input
  kRefused,    // not a plain file with one name at that very path: bad input, nothing written
  kNotOpened,  // anything else; the run goes on without a log
};

// The log of the run while this object lives: once opened, Log and LogStep write to it, until it
// is destroyed. One at a time, used from the program's one thread.
class CStepLog {
 public:
  CStepLog() = default;
  ~CStepLog();
  CStepLog(const CStepLog&) = delete;
  CStepLog& operator=(const CStepLog&) = delete;

  // Opens the log for appending, creating the file where there is none. The program runs
  // elevated and the path may lie in a folder that others can write to: a path that is a link
  // (any reparse point), lies in a linked folder, or is a file with more than one name (a hard
  // link) may lead to a file of someone else's choosing, and is never written to; a file this
  // call made for it is removed again.
  LogOpenResult Open(const wchar_t* path);

 private:
  CFileHandle file_;
};

// One line of the texts one after another; line breaks in them become spaces, and what does not
// fit into a line is cut.
void LogParts(const wchar_t* const* parts, size_t count);

template <typename... Parts>
void Log(const Parts*... parts) {
  const wchar_t* list[] = {parts...};
  LogParts(list, sizeof...(Parts));
}

// "<step> <subject>: ok", or ": failed, error <n>", or ": failed" alone for error 0 (a failure
// that the system did not explain). subject may be null.
void LogStep(const wchar_t* step, const wchar_t* subject, bool succeeded, DWORD error);

// The same for a step that leaves the reason of a failure in the thread's last error; called
// right after the step. Returns succeeded.
bool LogStepResult(bool succeeded, const wchar_t* step, const wchar_t* subject = nullptr);

}  // namespace kst
