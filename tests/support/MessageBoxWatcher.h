// Answers the message boxes that code under test shows, so that no test waits for a user, and keeps
// what each box said for the test to check.
#pragma once

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <initializer_list>
#include <iosfwd>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kst::test {

struct CMessageBoxRecord {
  std::wstring caption;
  std::wstring text;
  std::vector<int> buttons;  // command ids of the visible push buttons, in window order
  HWND owner = nullptr;
  int answer = 0;  // the command the watcher sent
};

// Prints a record readably (UTF-8) in test failure messages.
void PrintTo(const CMessageBoxRecord& box, std::ostream* out);

// While it lives, a background thread looks for message boxes (visible top-level dialogs of class
// "#32770" with the message text control 0xFFFF) of one process every 20 ms, records each once in
// the order seen, and answers it by sending the command of a button. Boxes shown in the test's own
// process (on any thread) and in other processes are handled alike.
class CMessageBoxWatcher {
 public:
  explicit CMessageBoxWatcher(DWORD processId = ::GetCurrentProcessId(), int defaultAnswer = IDOK);
  ~CMessageBoxWatcher();
  CMessageBoxWatcher(const CMessageBoxWatcher&) = delete;
  CMessageBoxWatcher& operator=(const CMessageBoxWatcher&) = delete;

  // The answers for the next boxes, in order; later boxes get the default answer. The command is
  // sent even when the box has no such button, as pressing a key would.
  void QueueAnswers(std::initializer_list<int> answers);
  void SetDefaultAnswer(int answer);

  std::vector<CMessageBoxRecord> Boxes() const;
  // True once at least `count` boxes have been seen.
  bool WaitForBoxes(std::size_t count, std::chrono::milliseconds timeout) const;

 private:
  void Watch();
  void AnswerNewBoxes();

  const DWORD processId_;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  bool stopping_ = false;
  int defaultAnswer_;
  std::deque<int> queuedAnswers_;
  std::vector<CMessageBoxRecord> boxes_;
  std::vector<HWND> answered_;  // boxes answered but possibly not closed yet
  static constexpr int kEmptyTextPolls = 25;
  std::map<HWND, int> emptyTextPolls_;  // the watcher thread's own
  std::thread thread_;
};

}  // namespace kst::test
