// The install's own folders until the access grants of the install: owned by Administrators, open
// to Administrators and SYSTEM in full and to Users for reading and running only, and inheriting
// nothing from the folder they lie in. Every user may create folders in the common
// application-data folder, and so may have made one of the install's first, as its owner.
#pragma once

#include <windows.h>

namespace kst {

// Creates folder (its parent must exist) with that owner and access list.
bool CreateOwnFolder(const wchar_t* folder);

enum class FolderOwner {
  kTrusted,       // owned by Administrators, SYSTEM, TrustedInstaller or the running account
  kTakenBack,     // someone else's: it now has the install's owner and access list
  kNotTakenBack,  // someone else's, or unknown, and it could not be taken back
};

// For an existing plain folder, opened as itself (never through a link): a folder of a trusted
// owner stays as it is, another owner's gets the install's owner and access list through the same
// handle.
FolderOwner TakeBackFromOtherOwner(const wchar_t* folder);

// Whether the folder held through the handle has such an owner; false when it cannot be read. In
// a file of its own, for the tests' installer that sees another owner's folder everywhere.
bool HasTrustedOwner(HANDLE folder);

// Whether owner is one that TakeBackFromOtherOwner leaves alone; runningAccount is the user of the
// program's token.
bool IsTrustedOwner(PSID owner, PSID runningAccount);

}  // namespace kst
