// What the install and uninstall sequences drive in the program's one dialog: its options, its
// pages, its message boxes and the program's window. A run with /S drives an implementation that
// has no window at all.
#pragma once

#include <windows.h>

#include "base/StepLog.h"
#include "sequences/ExitCode.h"

namespace kst {

// The dialog's options, read and written by the install and uninstall sequences.
struct InstallerOptions {
  bool installForAllUsers = true;
  bool autoStart = true;  // no control changes it
  bool allowWebPageChanges = true;
  bool installFinished = false;
  bool removeUserConfig = true;
  // Start the product and open the install-report page at the end (not with /NOLAUNCH).
  bool launchAfterInstall = true;
};

class CSequenceDialog {
 public:
  InstallerOptions options;

  // The owner of what the sequences start on the user's behalf; null without a window.
  virtual HWND DialogWindow() const = 0;
  virtual void ShowInstallingPage() = 0;
  virtual void SetStatusText(const wchar_t* text) = 0;
  virtual void SetMainButtonText(const wchar_t* text) = 0;
  virtual void ShowInstallFinished() = 0;
  // Hides the program's window at once.
  virtual void HideProgramWindow() = 0;
  // Ends the program once the running sequence has returned.
  virtual void CloseProgramWhenDone() = 0;
  // Ends the program at once where it has a window; without one the run ends as soon as the
  // sequence, which returns right after this call, has returned.
  virtual void EndProgramNow() = 0;

  // A problem that the window does not show, so that the user sees what she always saw; a run
  // without a window ends with it. The step's log line tells what it was.
  virtual void NoteProblem(ExitCode code) = 0;

  // A message box with OK only, its text also in the log. code is why it is shown, which a run
  // without a window ends with.
  void Tell(ExitCode code, const wchar_t* caption, const wchar_t* text) {
    Log(L"message ", caption, L": ", text);
    ShowMessage(code, caption, text);
  }
  // The confirmation with OK and Cancel: true only for OK.
  bool Ask(const wchar_t* caption, const wchar_t* text) {
    Log(L"question ", caption, L": ", text);
    bool agreed = Confirm(caption, text);
    Log(L"answer: ", agreed ? L"OK" : L"no");
    return agreed;
  }
  // The install's failed page with the failure text, also in the log.
  void FailInstall(ExitCode code, const wchar_t* text) {
    Log(L"install failed: ", text);
    ShowInstallFailure(code, text);
  }

 protected:
  ~CSequenceDialog() = default;

  virtual void ShowMessage(ExitCode code, const wchar_t* caption, const wchar_t* text) = 0;
  virtual bool Confirm(const wchar_t* caption, const wchar_t* text) = 0;
  virtual void ShowInstallFailure(ExitCode code, const wchar_t* text) = 0;
};

}  // namespace kst
