#include "install/Folders.h"

#include <windows.h>

#include <shlobj.h>

#include "base/Handles.h"
#include "base/ProgramPaths.h"
#include "install/AccessGrant.h"
#include "install/DefaultSettings.h"
#include "install/FolderSecurity.h"

namespace kst {

namespace {

constexpr wchar_t kProgramFolderName[] = L"Kestrel";
constexpr wchar_t kProgramFolderPart[] = L"\\Kestrel";

// Created in this order below the program folder, each granted to Everyone.
const wchar_t* const kAppFolders[] = {L"App_Config", L"App_Logs", L"App_Temp", L"App_Themes",
                                      L"App_Themes\\Themes"};

// Leaves the path empty, so that no half-built path is mistaken for a result.
bool Clear(CPath& path) {
  path.Assign(L"");
  return false;
}

bool IsPlainFolderAttributes(DWORD attributes) {
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
         (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

// An empty folder (a special folder that came back blank) would be contained in every path.
bool LiesIn(const wchar_t* moduleFolder, const wchar_t* base) {
  return base != nullptr && base[0] != L'\0' && WideContains(moduleFolder, base);
}

FolderResult EnsureSubfolder(const CPath& parent, const wchar_t* name, CPath& folder,
                             NewFolderAccess access, int& takenBack) {
  folder = parent;
  FolderResult result =
      folder.Join(name) ? EnsureFolder(folder.Get(), access) : FolderResult::kFailed;
  if (result == FolderResult::kTakenBack) ++takenBack;
  return result;
}

FileResult WriteDefaultSettings(const CPath& userDataFolder) {
  char text[kDefaultSettingsTextLength + 128];
  size_t length = ComposeDefaultSettings(text, sizeof(text));
  CPath file = userDataFolder;
  if (length == 0 || !file.Join(L"config.bin")) return FileResult::kCannotCreate;
  return WriteWholeFile(file.Get(), text, static_cast<DWORD>(length));
}

// Stops at the first folder that is not ready, with its result. The data folders lie in the
// installing account's own profile; the App_ folders in the program folder.
FolderResult SetUpFolders(const wchar_t* programFolder, FileResult* settingsWritten,
                          int& takenBack) {
  constexpr NewFolderAccess kData = NewFolderAccess::kInherited;
  CPath dataRoot;
  if (!GetDataRoot(dataRoot)) return FolderResult::kFailed;
  CPath systemDataFolder;
  CPath userDataFolder;
  FolderResult result = EnsureFolder(dataRoot.Get(), kData);
  if (result == FolderResult::kTakenBack) ++takenBack;
  if (IsReady(result))
    result = EnsureSubfolder(dataRoot, L"sysdata", systemDataFolder, kData, takenBack);
  if (!IsReady(result)) return result;
  GrantEveryoneFullAccess(systemDataFolder.Get());
  // userdata is granted last, once config.bin is in it.
  result = EnsureSubfolder(dataRoot, L"userdata", userDataFolder, kData, takenBack);
  if (!IsReady(result)) return result;

  CPath program;
  if (!program.Assign(programFolder)) return FolderResult::kFailed;
  for (const wchar_t* name : kAppFolders) {
    CPath folder;
    result = EnsureSubfolder(program, name, folder, NewFolderAccess::kInstallersOwn, takenBack);
    if (!IsReady(result)) return result;
    GrantEveryoneFullAccess(folder.Get());
  }

  *settingsWritten = WriteDefaultSettings(userDataFolder);
  GrantEveryoneFullAccess(userDataFolder.Get());
  return FolderResult::kReady;
}

}  // namespace

bool IsPlainFolder(const wchar_t* path) {
  DWORD attributes = ::GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && IsPlainFolderAttributes(attributes);
}

FolderResult EnsureFolder(const wchar_t* folder, NewFolderAccess access) {
  if (::GetFileAttributesW(folder) == INVALID_FILE_ATTRIBUTES) {
    const bool created = access == NewFolderAccess::kInstallersOwn
                             ? CreateOwnFolder(folder)
                             : ::CreateDirectoryW(folder, nullptr) != FALSE;
    if (!created && ::GetLastError() != ERROR_ALREADY_EXISTS) return FolderResult::kFailed;
  }
  // Also what another process made in the meantime is looked at before anything goes in.
  if (!IsPlainFolder(folder)) return FolderResult::kRefused;
  switch (TakeBackFromOtherOwner(folder)) {
    case FolderOwner::kTrusted:
      return FolderResult::kReady;
    case FolderOwner::kTakenBack:
      return FolderResult::kTakenBack;
    case FolderOwner::kNotTakenBack:
      break;
  }
  return FolderResult::kFailed;
}

bool GetSpecialFolder(int csidl, CPath& folder) {
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, 0, folder.Buffer()))) return Clear(folder);
  folder.Sync();
  return true;
}

bool GetBaseFolder(bool installForAllUsers, CPath& base) {
  return GetSpecialFolder(installForAllUsers ? CSIDL_COMMON_APPDATA : CSIDL_LOCAL_APPDATA, base);
}

bool GetProgramFolder(const wchar_t* base, CPath& programFolder) {
  return programFolder.Assign(base) && programFolder.Join(kProgramFolderName)
             ? true
             : Clear(programFolder);
}

bool GetDataRoot(CPath& dataRoot) {
  CPath local;
  return GetSpecialFolder(CSIDL_LOCAL_APPDATA, local) && GetProgramFolder(local.Get(), dataRoot)
             ? true
             : Clear(dataRoot);
}

bool GetSystemDataFolder(CPath& systemDataFolder) {
  return GetDataRoot(systemDataFolder) && systemDataFolder.Join(L"sysdata")
             ? true
             : Clear(systemDataFolder);
}

bool GetUserDataFolder(CPath& userDataFolder) {
  return GetDataRoot(userDataFolder) && userDataFolder.Join(L"userdata") ? true
                                                                         : Clear(userDataFolder);
}

bool SetUpDataFolders(const wchar_t* programFolder, FileResult* settingsWritten,
                      int* foldersTakenBack) {
  *settingsWritten = FileResult::kDone;
  int takenBack = 0;
  const FolderResult result = SetUpFolders(programFolder, settingsWritten, takenBack);
  if (foldersTakenBack != nullptr) *foldersTakenBack = takenBack;
  return result != FolderResult::kRefused;
}

bool GetModuleFolder(CPath& folder) {
  return GetProgramPath(folder) && folder.RemoveLastComponent() ? true : Clear(folder);
}

bool FindProgramFolderOf(const wchar_t* moduleFolder, const wchar_t* localAppData,
                         const wchar_t* commonAppData, CPath& programFolder) {
  if (!WideContains(moduleFolder, kProgramFolderPart)) return Clear(programFolder);
  // A substring, not a prefix: an executable anywhere below base\Kestrel belongs to that install.
  if (LiesIn(moduleFolder, localAppData)) return GetProgramFolder(localAppData, programFolder);
  if (LiesIn(moduleFolder, commonAppData)) return GetProgramFolder(commonAppData, programFolder);
  return Clear(programFolder);
}

bool FindInstalledProgramFolder(CPath& programFolder) {
  CPath moduleFolder;
  CPath localAppData;
  CPath commonAppData;
  if (!GetModuleFolder(moduleFolder)) return Clear(programFolder);
  GetSpecialFolder(CSIDL_LOCAL_APPDATA, localAppData);
  GetSpecialFolder(CSIDL_COMMON_APPDATA, commonAppData);
  return FindProgramFolderOf(moduleFolder.Get(), localAppData.Get(), commonAppData.Get(),
                             programFolder);
}

}  // namespace kst
