// Where an install lives: the program folder below an application-data folder, the data root
// in the installing user's local application data, their subfolders, and how an uninstaller finds
// the program folder it belongs to.
#pragma once

#include <stddef.h>

#include "base/Path.h"
#include "install/EmbeddedFiles.h"

namespace kst {

enum class FolderResult {
  kReady,      // the folder exists, as a plain folder of a trusted owner
  kTakenBack,  // it existed as another owner's and now has the install's owner and access list
  kFailed,     // it could not be created, or another owner's could not be taken back
  kRefused,    // the name is taken by a file or by a link that someone may have pointed elsewhere
};

inline bool IsReady(FolderResult result) {
  return result == FolderResult::kReady || result == FolderResult::kTakenBack;
}

// What a folder that this install makes starts with: what its parent hands on, or the install's
// own owner and access list (install/FolderSecurity.h), for the folders that may lie where every
// user can create folders.
enum class NewFolderAccess { kInherited, kInstallersOwn };

// Creates the folder unless it exists; only its last component is created. Another process
// creating it at the same moment counts as success. An existing folder of an owner other than
// Administrators, SYSTEM, TrustedInstaller or the running account is taken back before anything
// goes in.
FolderResult EnsureFolder(const wchar_t* folder,
                          NewFolderAccess access = NewFolderAccess::kInherited);

// Whether the path is a folder of its own: not a file, and not a junction or symbolic link.
bool IsPlainFolder(const wchar_t* path);

// The shell's current path of a special folder, such as CSIDL_LOCAL_APPDATA.
bool GetSpecialFolder(int csidl, CPath& folder);

// The application-data folder an install goes below: the common one for all users, else the
// installing user's local one.
bool GetBaseFolder(bool installForAllUsers, CPath& base);

// The program folder below a base folder.
bool GetProgramFolder(const wchar_t* base, CPath& programFolder);

// The data root and its two subfolders, always in the installing user's local application data.
bool GetDataRoot(CPath& dataRoot);
bool GetSystemDataFolder(CPath& systemDataFolder);
bool GetUserDataFolder(CPath& userDataFolder);

// Creates the data folders and the program folder's App_ folders, grants access on them and
// writes config.bin, telling in settingsWritten how that went (kDone when it was not tried). Stops
// quietly at the first folder that cannot be made; a config.bin that cannot be written does not
// stop it. False, with nothing written through it, when a folder's name is taken by a file or a
// link.
// foldersTakenBack, when given, counts the folders taken back from another owner.
bool SetUpDataFolders(const wchar_t* programFolder, FileResult* settingsWritten,
                      int* foldersTakenBack = nullptr);

// The folder of the running executable.
bool GetModuleFolder(CPath& folder);

// The program folder that a module folder lies in, given the local and the common
// application-data folders (either may be null when unknown). False when it lies in none.
bool FindProgramFolderOf(const wchar_t* moduleFolder, const wchar_t* localAppData,
                         const wchar_t* commonAppData, CPath& programFolder);

// The program folder of the install the running executable belongs to; false when it belongs to
// none.
bool FindInstalledProgramFolder(CPath& programFolder);

}  // namespace kst
