#include "tests/support/MessageBoxWatcher.h"

#include <algorithm>
#include <ostream>

#include "tests/support/TestWindows.h"

namespace kst::test {
namespace {

constexpr int kMessageTextId = 0xFFFF;
constexpr std::chrono::milliseconds kPollInterval(20);

std::vector<int> VisibleButtons(HWND box) {
  std::vector<int> buttons;
  for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (::IsWindowVisible(child) && WindowClass(child) == L"Button")
      buttons.push_back(::GetDlgCtrlID(child));
  }
  return buttons;
}

}  // namespace

void PrintTo(const CMessageBoxRecord& box, std::ostream* out) {
  *out << "{caption \"" << Utf8(box.caption) << "\", text \"" << Utf8(box.text) << "\", buttons";
  for (int id : box.buttons) *out << ' ' << id;
  *out << ", answer " << box.answer << (box.owner ? ", owned" : "") << '}';
}

CMessageBoxWatcher::CMessageBoxWatcher(DWORD processId, int defaultAnswer)
    : processId_(processId), defaultAnswer_(defaultAnswer), thread_([this] { Watch(); }) {}

CMessageBoxWatcher::~CMessageBoxWatcher() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void CMessageBoxWatcher::QueueAnswers(std::initializer_list<int> answers) {
  std::lock_guard<std::mutex> lock(mutex_);
  queuedAnswers_.insert(queuedAnswers_.end(), answers);
}

void CMessageBoxWatcher::SetDefaultAnswer(int answer) {
  std::lock_guard<std::mutex> lock(mutex_);
  defaultAnswer_ = answer;
}

std::vector<CMessageBoxRecord> CMessageBoxWatcher::Boxes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return boxes_;
}

bool CMessageBoxWatcher::WaitForBoxes(std::size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return boxes_.size() >= count; });
}

void CMessageBoxWatcher::Watch() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopping_) {
    lock.unlock();
    AnswerNewBoxes();
    lock.lock();
    changed_.wait_for(lock, kPollInterval, [this] { return stopping_; });
  }
}

void CMessageBoxWatcher::AnswerNewBoxes() {
  // Reading the texts sends messages to the box's thread, so it happens without the lock held.
  for (HWND box : FindTopLevelWindows(processId_, L"#32770", true)) {
    HWND textControl = ::GetDlgItem(box, kMessageTextId);
    if (!textControl) continue;  // some other dialog
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (std::find(answered_.begin(), answered_.end(), box) != answered_.end()) continue;
    }
    CMessageBoxRecord record;
    record.caption = WindowText(box);
    record.text = WindowText(textControl);
    // A box can be seen before its text is in place (under load); it is read again at the next
    // polls, and taken as empty only when it stays so for half a second.
    if (record.text.empty() && ++emptyTextPolls_[box] < kEmptyTextPolls) continue;
    emptyTextPolls_.erase(box);
    record.buttons = VisibleButtons(box);
    record.owner = ::GetWindow(box, GW_OWNER);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (queuedAnswers_.empty()) {
        record.answer = defaultAnswer_;
      } else {
        record.answer = queuedAnswers_.front();
        queuedAnswers_.pop_front();
      }
      boxes_.push_back(record);
      answered_.push_back(box);
    }
    changed_.notify_all();
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(record.answer, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(box, record.answer)));
  }
  std::lock_guard<std::mutex> lock(mutex_);
  answered_.erase(
      std::remove_if(answered_.begin(), answered_.end(), [](HWND box) { return !::IsWindow(box); }),
      answered_.end());
}

}  // namespace kst::test
