// An installer or uninstaller started for a test and driven through its window as a user would:
// its frame and controls, presses that wait until the dialog has handled them, its message boxes
// answered and recorded, and the ordered log of the texts it showed.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "InstallerProgram.h"
#include "RunLog.h"
#include "tests/support/MessageBoxWatcher.h"
#include "tests/support/TestProcess.h"
#include "tests/support/TestWindows.h"

namespace kst::test {

// The dialog's controls that the tests drive and read.
enum DialogControl {
  kMainButton = 1000,
  kCloseButton = 1001,
  kPicture = 1004,
  kConsentBox = 1006,
  kAllUsersBox = 1007,
  kSettingsLink = 1009,
  kRemoveConfigBox = 1011,
  kStatusLabel = 3006,
};

class CInstallerSession {
 public:
  CInstallerSession() = default;
  CInstallerSession(const CInstallerSession&) = delete;
  CInstallerSession& operator=(const CInstallerSession&) = delete;

  // Starts the program (in the test's current folder unless one is given, with the arguments
  // given) and waits for its frame, then records the texts of its window thread. Unless told
  // otherwise, every message box it shows is answered with the watcher's default (OK) or the
  // queued answers. False when no frame came.
  bool Start(const std::wstring& program, bool answerBoxes = true,
             const std::wstring& workingFolder = {}, const std::wstring& arguments = {});
  // From now on message boxes are answered (for a session started without).
  CMessageBoxWatcher& AnswerBoxes();

  HWND Frame() const { return frame_; }
  HWND Control(int id) const { return FindChildById(frame_, id); }
  std::string TextOf(int id) const;
  bool IsShown(int id) const;

  // Clicks the control and waits until the dialog has handled the click, a whole install or
  // uninstall sequence included. False when that took longer than the timeout.
  bool Press(int id, std::chrono::milliseconds timeout = std::chrono::seconds(90));
  // Clicks the control and returns at once.
  bool PressLater(int id);

  // The page seen after a sequence, to compare as a whole in a test message.
  std::string PageDescription() const;

  CTestProcess& Process() { return process_; }
  CMessageBoxWatcher& Boxes() { return *boxes_; }
  const CRunLog& Log() const { return log_; }

 private:
  CRunLog log_;
  CTestProcess process_;
  std::unique_ptr<CMessageBoxWatcher> boxes_;
  HWND frame_ = nullptr;
};

// "caption: text" of each message box seen, in order.
std::vector<std::string> BoxTexts(const CMessageBoxWatcher& boxes);

// Moves a message box of the program to the screen's top left corner, off the frame, so that the
// page behind it can be seen; a failure when it still covers the frame.
void MoveBoxOffFrame(HWND box, HWND frame);

// Polls the condition until it holds or the time is up; its last answer.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

}  // namespace kst::test
