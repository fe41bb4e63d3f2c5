#include "sequences/SilentRun.h"

#include "sequences/InstallSequence.h"
#include "sequences/UninstallSequence.h"

namespace kst {
namespace {

// Every page, text and box of the window comes to nothing here; the sequences have written the
// texts into the log already. The first reason given becomes the run's exit code, so that a
// warning after the install cannot hide a failure before it.
class CSilentDialog final : public CSequenceDialog {
 public:
  explicit CSilentDialog(const InstallerOptions& given) { options = given; }
  ExitCode Result() const { return result_; }

  HWND DialogWindow() const override { return nullptr; }
  void ShowInstallingPage() override {}
  void SetStatusText(const wchar_t*) override {}
  void SetMainButtonText(const wchar_t*) override {}
  void ShowInstallFinished() override {}
  void HideProgramWindow() override {}
  void CloseProgramWhenDone() override {}
  void EndProgramNow() override {}
  void NoteProblem(ExitCode code) override { Record(code); }

 protected:
  void ShowMessage(ExitCode code, const wchar_t*, const wchar_t*) override { Record(code); }
  // The administrator agreed by starting the removal with /S.
  bool Confirm(const wchar_t*, const wchar_t*) override {
    Log(L"no one asked: /S is the administrator's consent");
    return true;
  }
  void ShowInstallFailure(ExitCode code, const wchar_t*) override { Record(code); }

 private:
  void Record(ExitCode code) {
    if (result_ == ExitCode::kDone) result_ = code;
  }

  ExitCode result_ = ExitCode::kDone;
};

}  // namespace

ExitCode RunSilently(bool uninstall, const InstallerOptions& options) {
  CSilentDialog dialog(options);
  if (!uninstall)
    RunInstall(dialog);
  else if (!RefuseStrayUninstaller(dialog))
    RunUninstall(dialog);
  return dialog.Result();
}

}  // namespace kst
