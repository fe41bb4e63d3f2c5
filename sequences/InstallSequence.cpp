#include "sequences/InstallSequence.h"

#include "base/Check.h"
#include "base/Path.h"
#include "base/StepLog.h"
#include "base/Text.h"
#include "install/AccessGrant.h"
#include "install/EmbeddedFiles.h"
#include "install/Folders.h"
#include "install/ProductComponents.h"
#include "install/ProgramCopy.h"
#include "system/Account.h"
#include "system/AppsAndFeatures.h"
#include "system/FilterService.h"
#include "system/ProductProcesses.h"
#include "system/Registry.h"
#include "system/RestartQueue.h"
#include "system/ShellOpen.h"
#include "system/Shortcuts.h"

namespace kst {

const wchar_t kInstallReportUrl[] = L"http://report.veltrin.example/installok.php";

namespace {

constexpr size_t kStatusCapacity = 2 * kMaxPath;

// Status texts are paths with a short prefix; one that would not fit shows the prefix alone.
void ShowStatus(CSequenceDialog& dialog, const wchar_t* prefix, const wchar_t* folder,
                const wchar_t* name = nullptr) {
  wchar_t text[kStatusCapacity];
  bool fits = name == nullptr ? JoinText(text, prefix, folder)
                              : JoinText(text, prefix, folder, L"\\", name);
  dialog.SetStatusText(fits ? text : prefix);
}

bool ResolveFolder(PayloadFolder kind, const CPath& programFolder, CPath& folder) {
  switch (kind) {
    case PayloadFolder::kProgram:
      return folder.Assign(programFolder.Get());
    case PayloadFolder::kSystemData:
      return GetSystemDataFolder(folder);
    case PayloadFolder::kUserData:
      return GetUserDataFolder(folder);
  }
  return false;
}

// The step with its result; the system's reason where a file could not be created or written.
FileResult LogFileStep(FileResult result, const wchar_t* step, const wchar_t* subject) {
  bool systemFailure = result == FileResult::kCannotCreate || result == FileResult::kCannotWrite;
  LogStep(step, subject, IsWritten(result), systemFailure ? ::GetLastError() : 0);
  return result;
}

// What the user is told when a file could not be checked or written, before the step's own
// failure text. False for a file that went well.
bool ShowFileFailure(CSequenceDialog& dialog, FileResult result) {
  const wchar_t* text = nullptr;
  switch (result) {
    case FileResult::kDone:
    case FileResult::kDoneBesideCopyInUse:
      return false;
    case FileResult::kOutOfMemory:
      text = L"申请内存失败.";
      break;
    case FileResult::kDamaged:
      text = L"文件解压失败.";
      break;
    case FileResult::kCannotCreate:
      text = L"创建文件失败";
      break;
    case FileResult::kCannotWrite:
      text = L"写文件失败";
      break;
  }
  KST_CHECK(text != nullptr);
  dialog.Tell(ExitCode::kFileFailed, L"错误", text);
  return true;
}

// A damaged installer changes nothing: every record is checked before anything is created or
// written. The text of the first damaged file, or NULL.
const wchar_t* CheckProductFiles(CSequenceDialog& dialog) {
  for (const EmbeddedFile& file : kEmbeddedFiles) {
    FileResult result = CheckEmbeddedFile(file.slot, file.capacity);
    if (result == FileResult::kDone) continue;
    LogFileStep(result, L"check embedded file", file.name);
    ShowFileFailure(dialog, result);
    return file.failureText;
  }
  Log(L"check embedded files: ok");
  return nullptr;
}

// Extracts the fifteen files in table order; the text of the first failure, or NULL.
const wchar_t* ExtractProductFiles(CSequenceDialog& dialog, const CPath& programFolder) {
  for (const EmbeddedFile& file : kEmbeddedFiles) {
    CPath folder;
    if (!ResolveFolder(file.folder, programFolder, folder)) {
      LogStep(L"folder of", file.name, false, 0);
      return file.failureText;
    }
    ShowStatus(dialog, L"安装文件: ", folder.Get(), file.name);
    CPath target(folder.Get());
    if (!target.Join(file.name)) target.Assign(file.name);
    CPath aside;
    FileResult result =
        LogFileStep(ExtractEmbeddedFile(folder.Get(), file.name, file.slot, file.capacity, &aside),
                    L"extract", target.Get());
    if (result == FileResult::kDoneBesideCopyInUse)
      Log(L"in use: ", target.Get(), L" renamed to ", aside.Get(),
          L", deleted at the next restart");
    if (ShowFileFailure(dialog, result)) return file.failureText;
  }
  return nullptr;
}

// The running installer, payload included, becomes the uninstaller of the program folder. True
// when an uninstaller is there afterwards (a copy that failed may have left an earlier one).
bool CopyUninstaller(CSequenceDialog& dialog, const CPath& programFolder) {
  ShowStatus(dialog, L"安装文件: ", programFolder.Get(), kUninstallerFile);
  CPath target(programFolder.Get());
  if (!target.Join(kUninstallerFile)) return false;
  LogFileStep(InstallUninstaller(programFolder.Get()), L"copy uninstaller to", target.Get());
  return HasUninstaller(programFolder.Get());
}

// The folders of the install, refused when a name is taken by a file or a link. A config.bin
// that cannot be written is reported and does not stop the install.
bool MakeFolders(CSequenceDialog& dialog, const CPath& programFolder) {
  FolderResult programFolderResult =
      EnsureFolder(programFolder.Get(), NewFolderAccess::kInstallersOwn);
  if (programFolderResult == FolderResult::kRefused) {
    Log(L"program folder ", programFolder.Get(), L": refused, a file or a link has its name");
    return false;
  }
  if (programFolderResult == FolderResult::kTakenBack)
    Log(L"program folder ", programFolder.Get(), L": taken back from another owner");
  else if (!LogStepResult(IsReady(programFolderResult), L"program folder", programFolder.Get()))
    return false;
  FileResult settingsWritten = FileResult::kDone;
  int foldersTakenBack = 0;
  if (!SetUpDataFolders(programFolder.Get(), &settingsWritten, &foldersTakenBack)) {
    Log(L"data folders: refused, a file or a link has the name of one");
    return false;
  }
  if (foldersTakenBack == 0) {
    Log(L"data folders: done");
  } else {
    wchar_t count[kDecimalCapacity];
    FormatDecimal(static_cast<uint32_t>(foldersTakenBack), count);
    Log(L"data folders: done, ", count, L" taken back from another owner");
  }
  LogFileStep(settingsWritten, L"default settings", L"config.bin");
  ShowFileFailure(dialog, settingsWritten);
  return true;
}

// A removal before this install may have queued files of the product's folders for deletion at the
// next restart, which would take this install's files then. Both scopes' program folders and the
// data root.
void KeepFilesFromRestartQueue() {
  CPath allUsersBase;
  CPath userBase;
  CPath folders[3];
  const bool known[3] = {
      GetBaseFolder(true, allUsersBase) && GetProgramFolder(allUsersBase.Get(), folders[0]),
      GetBaseFolder(false, userBase) && GetProgramFolder(userBase.Get(), folders[1]),
      GetDataRoot(folders[2])};
  const wchar_t* found[3];
  size_t count = 0;
  for (size_t i = 0; i < 3; ++i)
    if (known[i]) found[count++] = folders[i].Get();
  const int dropped = DropQueuedOperationsIn(found, count);
  if (dropped < 0) {
    LogStepResult(false, L"restart queue");
    return;
  }
  wchar_t number[kDecimalCapacity];
  FormatDecimal(static_cast<uint32_t>(dropped), number);
  Log(L"restart queue: ", number, L" operations on the product's folders taken out");
}

// Which way it went: as the desktop's user, or, without a desktop shell, with the installer's
// rights.
void LogShellStart(ShellStart start, const wchar_t* step, const wchar_t* subject) {
  switch (start) {
    case ShellStart::kDesktopShell:
      return Log(step, L" ", subject, L": ok, by the desktop's shell");
    case ShellStart::kThisProgram:
      return Log(step, L" ", subject, L": ok, by the installer (no desktop shell answered)");
    case ShellStart::kNotStarted:
      LogStepResult(false, step, subject);
  }
}

// The product starts in its own folder, as it does from its links.
void StartProduct(const CPath& programFolder, const CPath& product) {
  LogShellStart(OpenWithShell(nullptr, product.Get(), programFolder.Get()), L"start",
                product.Get());
}

void OpenInstallReport(HWND owner) {
  LogShellStart(OpenWithShell(owner, kInstallReportUrl), L"open", kInstallReportUrl);
}

}  // namespace

void RunInstall(CSequenceDialog& dialog) {
  InstallerOptions& options = dialog.options;
  if (options.installFinished) return dialog.CloseProgramWhenDone();
  // A deployment tool that runs the installer as the system account installs for the machine:
  // that account has no desktop user of its own to install for or to start the product for.
  const bool systemAccount = RunsAsLocalSystem();
  if (systemAccount) {
    Log(L"system account: for all users, nothing started");
    options.installForAllUsers = true;
    options.launchAfterInstall = false;
  }
  Log(L"install for ", options.installForAllUsers ? L"all users" : L"the current user");
  dialog.ShowInstallingPage();
  constexpr wchar_t kRunningText[] = L"Veltrin正在运行，请卸载之后再进行安装";
  if (IsUpdaterRunning()) return dialog.FailInstall(ExitCode::kUpdaterRunning, kRunningText);
  if (IsMainProgramRunning()) return dialog.FailInstall(ExitCode::kProductRunning, kRunningText);
  if (!options.allowWebPageChanges)
    return dialog.FailInstall(ExitCode::kNoConsent, L"Veltrin需要修改网页才能进行过滤!");
  dialog.SetMainButtonText(L"请稍等");
  if (const wchar_t* failure = CheckProductFiles(dialog))
    return dialog.FailInstall(ExitCode::kFileFailed, failure);

  CPath base;
  bool baseFound = GetBaseFolder(options.installForAllUsers, base);
  LogStep(L"base folder", baseFound ? base.Get() : nullptr, baseFound, 0);
  if (!baseFound)
    return dialog.FailInstall(ExitCode::kFolderFailed, L"无法创建文件,请清理C盘存储空间.");
  ShowStatus(dialog, L"创建文件夹: ", base.Get());
  KeepFilesFromRestartQueue();
  CPath programFolder;
  if (!GetProgramFolder(base.Get(), programFolder) || !MakeFolders(dialog, programFolder))
    return dialog.FailInstall(ExitCode::kFolderFailed, L"安装失败,无法创建文件夹");

  if (const wchar_t* failure = ExtractProductFiles(dialog, programFolder))
    return dialog.FailInstall(ExitCode::kFileFailed, failure);

  LogStepResult(EnsureProductKey(), L"registry: product key");
  LogStepResult(WriteInstallDir(programFolder.Get(),
                                static_cast<DWORD>(programFolder.Length() * sizeof(wchar_t))),
                L"registry: InstallDir");
  LogStepResult(WriteInstallForAllUser(options.installForAllUsers ? 1 : 0),
                L"registry: InstallForAllUser");
  // The installed-programs entry points at the uninstaller, so it is written only when there is
  // one.
  if (CopyUninstaller(dialog, programFolder))
    LogStepResult(ReplaceUninstallEntry(programFolder.Get(), options.installForAllUsers),
                  L"installed-programs entry");

  dialog.SetStatusText(L"安装桌面快捷方式和开始菜单项");
  LogStepResult(CreateShortcuts(options.installForAllUsers), L"shortcuts");

  CPath service(programFolder.Get());
  LogStepResult(service.Join(kServiceProgramFile) && RegisterFilterService(service.Get()),
                L"filter service registration");

  CPath product(programFolder.Get());
  bool productPathFits = product.Join(kMainProgramFile);
  bool autostartWritten = true;
  if (options.autoStart) {
    dialog.SetStatusText(
        L"设置开机启动: Software\\Microsoft\\Windows\\CurrentVersion\\Run\\kestrel");
    // The pause the product has always made before it touches the Run key: the status line that
    // names the value stays on screen long enough to be read before the value is written.
    ::Sleep(800);
    autostartWritten =
        LogStepResult(productPathFits && SetAutostart(product.Get(), options.installForAllUsers),
                      L"autostart", product.Get());
  }

  dialog.SetStatusText(L"修改文件夹属性");
  LogStepResult(GrantEveryoneFullAccess(programFolder.Get()), L"access rights",
                programFolder.Get());

  dialog.SetStatusText(L"启动Veltrin");
  if (!options.launchAfterInstall)
    Log(L"start ", product.Get(),
        systemAccount ? L": left out (system account)" : L": left out (/NOLAUNCH)");
  else if (productPathFits)
    StartProduct(programFolder, product);

  if (!autostartWritten)
    dialog.Tell(ExitCode::kAutostartFailed, L"警告", L"无法修改注册表,开机启动设置失败!");

  options.installFinished = true;
  dialog.ShowInstallFinished();
  Log(L"install finished");
  if (options.launchAfterInstall) OpenInstallReport(dialog.DialogWindow());
}

}  // namespace kst
