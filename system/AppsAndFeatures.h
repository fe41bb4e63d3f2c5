// The product's entry in the system's list of installed programs, under the hive of the
// install: HKEY_LOCAL_MACHINE for all users, HKEY_CURRENT_USER for one.
#pragma once

#include <windows.h>

#include <stdint.h>

namespace kst {

constexpr wchar_t kUninstallEntryKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Veltrin";

// Written once the uninstaller exists in the program folder. True when every value was written.
bool WriteUninstallEntry(HKEY root, const wchar_t* programFolder);
// True when the entry is gone, or was never there.
bool RemoveUninstallEntry(HKEY root);
// The entry of an install for all users or for the current user, in place of one that an install
// in the other scope left: the system would list the product twice, one entry of them stale.
bool ReplaceUninstallEntry(const wchar_t* programFolder, bool allUsers);

// KiB of the files below folder, rounded up; links are not followed.
uint32_t FolderSizeKiB(const wchar_t* folder);

}  // namespace kst
