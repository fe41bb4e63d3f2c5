// The install's record in the registry, the autostart value and the product's password lock.
// Every operation is silent and answers whether it did what it says; a missing key, a missing
// value and access denied look the same to the caller, and the writing ones leave the registry's
// error code as the thread's last error when they answer false.
#pragma once

#include <windows.h>

namespace kst {

// Creates the maker key and the product key under it where they are missing.
bool EnsureProductKey();

// Stores exactly byteCount bytes of the folder path; callers pass 2 x characters, so no NUL is
// kept.
bool WriteInstallDir(const wchar_t* folder, DWORD byteCount);
bool WriteInstallForAllUser(DWORD allUsers);
// Leaves allUsers untouched unless it returns true, so callers preset it.
bool ReadInstallForAllUser(DWORD& allUsers);

// Makes the product start at logon, for every user or for the current one.
bool SetAutostart(const wchar_t* command, bool allUsers);

// What the product left in its key about its password lock.
struct CLockValues {
  bool randomPasswordRead;
  DWORD randomPassword;
  bool passwordFound;
  BYTE passwordFirstByte;  // 0 for an empty value
};

// The lock holds when the product turned its random password on, or when any password is set.
bool IsPasswordLockOn(const CLockValues& values);
bool IsUninstallLocked();

// An uninstaller that runs from below the common application-data folder belongs to an
// all-users install.
bool IsAllUsersInstall(const wchar_t* moduleFolder, const wchar_t* commonAppData);

// Deletes the autostart value and the installed-programs entry of the install the uninstaller at
// moduleFolder belongs to, and the maker key with everything below it. True when none of them is
// left.
bool RemoveProductRegistryFor(const wchar_t* moduleFolder);
bool RemoveProductRegistry();

}  // namespace kst
