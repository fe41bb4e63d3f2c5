#include "sequences/InstallSequence.h"

#include <shellapi.h>

#include "base/Path.h"
#include "base/Text.h"
#include "install/EmbeddedFiles.h"
#include "install/Folders.h"
#include "install/ProductComponents.h"
#include "system/AppsAndFeatures.h"
#include "system/FilterService.h"
#include "system/Registry.h"
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
      return GetSystemDataFolder(folder) != 0;
    case PayloadFolder::kUserData:
      return GetUserDataFolder(folder) != 0;
  }
  return false;
}

// What the user is told when a file could not be checked or written, before the step's own
// failure text. False for a file that went well.
bool ShowFileFailure(FileResult result) {
  const wchar_t* text = nullptr;
  switch (result) {
    case FileResult::kDone:
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
  ::MessageBoxW(nullptr, text, L"错误", MB_OK);
  return true;
}

// A damaged installer changes nothing: every record is checked before anything is created or
// written. The text of the first damaged file, or NULL.
const wchar_t* CheckProductFiles() {
  for (const EmbeddedFile& file : kEmbeddedFiles) {
    if (ShowFileFailure(CheckEmbeddedFile(file.slot, file.capacity))) return file.failureText;
  }
  return nullptr;
}

// Extracts the fifteen files in table order; the text of the first failure, or NULL.
const wchar_t* ExtractProductFiles(CSequenceDialog& dialog, const CPath& programFolder) {
  for (const EmbeddedFile& file : kEmbeddedFiles) {
    CPath folder;
    if (!ResolveFolder(file.folder, programFolder, folder)) return file.failureText;
    ShowStatus(dialog, L"安装文件: ", folder.Get(), file.name);
    if (ShowFileFailure(ExtractEmbeddedFile(folder.Get(), file.name, file.slot, file.capacity)))
      return file.failureText;
  }
  return nullptr;
}

// The running installer, payload included, becomes the uninstaller of the program folder.
// True when an uninstaller is there afterwards (a copy that failed may have left an earlier one).
bool CopyUninstaller(CSequenceDialog& dialog, const CPath& programFolder) {
  ShowStatus(dialog, L"安装文件: ", programFolder.Get(), L"uninstall.exe");
  CPath self;
  DWORD length =
      ::GetModuleFileNameW(nullptr, self.Buffer(), static_cast<DWORD>(CPath::Capacity()));
  CPath target(programFolder.Get());
  if (length == 0 || length >= CPath::Capacity() || !target.Join(L"uninstall.exe")) return false;
  self.Sync();
  ::CopyFileW(self.Get(), target.Get(), FALSE);
  DWORD attributes = ::GetFileAttributesW(target.Get());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The installed-programs entry points at the uninstaller, so it is written only when there is
// one; an install in the other scope replaces the entry of the earlier one.
void RecordUninstallEntry(const CPath& programFolder, bool installForAllUsers) {
  RemoveUninstallEntry(installForAllUsers ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE);
  WriteUninstallEntry(installForAllUsers ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER,
                      programFolder.Get());
}

void Fail(CSequenceDialog& dialog, const wchar_t* text) { dialog.ShowInstallFailure(text); }

// The folders of the install, refused when a name is taken by a file or a link. A config.bin
// that cannot be written is reported and does not stop the install.
bool MakeFolders(const CPath& programFolder) {
  if (EnsureFolder(programFolder.Get()) != FolderResult::kReady) return false;
  FileResult settingsWritten = FileResult::kDone;
  bool made = SetUpDataFolders(programFolder.Get(), &settingsWritten);
  ShowFileFailure(settingsWritten);
  return made;
}

}  // namespace

void RunInstall(CSequenceDialog& dialog) {
  InstallerOptions& options = dialog.options;
  if (options.installFinished) return dialog.CloseProgramWhenDone();
  dialog.ShowInstallingPage();
  if (IsProductRunning()) return Fail(dialog, L"Veltrin正在运行，请卸载之后再进行安装");
  if (!options.allowWebPageChanges) return Fail(dialog, L"Veltrin需要修改网页才能进行过滤!");
  dialog.SetMainButtonText(L"请稍等");
  if (const wchar_t* failure = CheckProductFiles()) return Fail(dialog, failure);

  CPath base;
  if (!GetBaseFolder(options.installForAllUsers, base))
    return Fail(dialog, L"无法创建文件,请清理C盘存储空间.");
  ShowStatus(dialog, L"创建文件夹: ", base.Get());
  CPath programFolder;
  if (!GetProgramFolder(base.Get(), programFolder) || !MakeFolders(programFolder))
    return Fail(dialog, L"安装失败,无法创建文件夹");

  if (const wchar_t* failure = ExtractProductFiles(dialog, programFolder))
    return Fail(dialog, failure);

  EnsureProductKey();
  WriteInstallDir(programFolder.Get(),
                  static_cast<DWORD>(programFolder.Length() * sizeof(wchar_t)));
  WriteInstallForAllUser(options.installForAllUsers ? 1 : 0);
  if (CopyUninstaller(dialog, programFolder))
    RecordUninstallEntry(programFolder, options.installForAllUsers);

  dialog.SetStatusText(L"安装桌面快捷方式和开始菜单项");
  CreateShortcuts(options.installForAllUsers);

  CPath service(programFolder.Get());
  if (service.Join(L"kstservice.exe")) RegisterFilterService(service.Get());

  CPath product(programFolder.Get());
  bool productPathFits = product.Join(L"kestrel.exe");
  bool autostartWritten = true;
  if (options.autoStart) {
    dialog.SetStatusText(
        L"设置开机启动: Software\\Microsoft\\Windows\\CurrentVersion\\Run\\kestrel");
    // The pause the product has always made before it touches the Run key: the status line that
    // names the value stays on screen long enough to be read before the value is written.
    ::Sleep(800);
    autostartWritten = productPathFits && SetAutostart(product.Get(), options.installForAllUsers);
  }

  dialog.SetStatusText(L"修改文件夹属性");
  GrantEveryoneFullAccess(programFolder.Get());

  dialog.SetStatusText(L"启动Veltrin");
  if (productPathFits)
    ::ShellExecuteW(nullptr, L"open", product.Get(), nullptr, nullptr, SW_SHOWNORMAL);

  if (!autostartWritten)
    ::MessageBoxW(nullptr, L"无法修改注册表,开机启动设置失败!", L"警告", MB_OK);

  options.installFinished = true;
  dialog.ShowInstallFinished();
}

}  // namespace kst
