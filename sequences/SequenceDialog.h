// What the install and uninstall sequences drive in the program's one dialog: its options, its
// pages and the program's window.
#pragma once

#include <windows.h>

namespace kst {

// The dialog's options, read and written by the install and uninstall sequences.
struct InstallerOptions {
  bool installForAllUsers = true;
  bool autoStart = true;  // no control changes it
  bool allowWebPageChanges = true;
  bool settingsPageShown = false;
  bool installFinished = false;
  bool removeUserConfig = true;
};

class CSequenceDialog {
 public:
  InstallerOptions options;

  // The owner of what the sequences start on the user's behalf.
  virtual HWND DialogWindow() const = 0;
  virtual void ShowInstallingPage() = 0;
  virtual void SetStatusText(const wchar_t* text) = 0;
  virtual void SetMainButtonText(const wchar_t* text) = 0;
  virtual void ShowInstallFailure(const wchar_t* text) = 0;
  virtual void ShowInstallFinished() = 0;
  // Hides the program's window at once.
  virtual void HideProgramWindow() = 0;
  // Ends the program once the running sequence has returned.
  virtual void CloseProgramWhenDone() = 0;

 protected:
  ~CSequenceDialog() = default;
};

}  // namespace kst
