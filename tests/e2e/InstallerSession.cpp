#include "InstallerSession.h"

#include <thread>

#include <gtest/gtest.h>

namespace kst::test {

bool CInstallerSession::Start(const std::wstring& program, bool answerBoxes,
                              const std::wstring& workingFolder, const std::wstring& arguments) {
  if (!process_.Start(program, arguments, workingFolder)) return false;
  if (answerBoxes) AnswerBoxes();
  frame_ = process_.WaitForWindow(kFrameClassName, std::chrono::seconds(20));
  return frame_ != nullptr && log_.RecordTextsOf(frame_);
}

CMessageBoxWatcher& CInstallerSession::AnswerBoxes() {
  if (!boxes_) boxes_ = std::make_unique<CMessageBoxWatcher>(process_.Id());
  return *boxes_;
}

std::string CInstallerSession::TextOf(int id) const { return Utf8(WindowText(Control(id))); }

bool CInstallerSession::IsShown(int id) const { return ::IsWindowVisible(Control(id)) != FALSE; }

bool CInstallerSession::Press(int id, std::chrono::milliseconds timeout) {
  HWND control = Control(id);
  DWORD_PTR ignored = 0;
  return control != nullptr &&
         ::SendMessageTimeoutW(control, BM_CLICK, 0, 0, SMTO_NORMAL,
                               static_cast<UINT>(timeout.count()), &ignored) != 0;
}

bool CInstallerSession::PressLater(int id) { return Click(Control(id)); }

std::string CInstallerSession::PageDescription() const {
  auto textOrHidden = [this](int id) { return IsShown(id) ? TextOf(id) : std::string("hidden"); };
  auto shownOrHidden = [this](int id) { return IsShown(id) ? "shown" : "hidden"; };
  return std::string("main ") + TextOf(kMainButton) + " | status " + textOrHidden(kStatusLabel) +
         " | consent " + shownOrHidden(kConsentBox) + " | all users " +
         shownOrHidden(kAllUsersBox) + " | settings " + textOrHidden(kSettingsLink) +
         " | picture " + shownOrHidden(kPicture);
}

std::vector<std::string> BoxTexts(const CMessageBoxWatcher& boxes) {
  std::vector<std::string> texts;
  for (const CMessageBoxRecord& box : boxes.Boxes())
    texts.push_back(Utf8(box.caption) + ": " + Utf8(box.text));
  return texts;
}

void MoveBoxOffFrame(HWND box, HWND frame) {
  ::SetWindowPos(box, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT boxRect = {};
  RECT frameRect = {};
  RECT overlap = {};
  ::GetWindowRect(box, &boxRect);
  ::GetWindowRect(frame, &frameRect);
  EXPECT_FALSE(::IntersectRect(&overlap, &boxRect, &frameRect)) << "the box still covers the frame";
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return condition();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

}  // namespace kst::test
