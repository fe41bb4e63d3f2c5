// The whole installation, from the press of the main button to the started product.
#pragma once

#include <windows.h>

namespace kst {

// The dialog's options, each 0 or 1, read and written by the install and uninstall sequences.
struct InstallerOptions {
  int installForAllUsers = 1;
  int autoStart = 1;
  int allowWebPageChanges = 1;
  int settingsPageShown = 0;
  int installFinished = 0;
  int removeUserConfig = 1;
};

// What the install sequence drives in the dialog: its options and its pages.
class CInstallDialog {
 public:
  InstallerOptions options;

  virtual HWND DialogWindow() const = 0;
  virtual void ShowInstallingPage() = 0;
  virtual void SetStatusText(const wchar_t* text) = 0;
  virtual void SetMainButtonText(const wchar_t* text) = 0;
  virtual void ShowInstallFailure(const wchar_t* text) = 0;
  virtual void ShowInstallFinished() = 0;

 protected:
  ~CInstallDialog() = default;
};

// Every outcome shows in the dialog (status texts, failed or finished page), in message boxes
// and in the system's state; the result is always 1 (the command was handled).
int RunInstall(CInstallDialog& dialog);

// True when the product's updater or main window exists.
bool IsProductRunning();

// The web page the finished page opens.
extern const wchar_t kInstallReportUrl[];

}  // namespace kst
