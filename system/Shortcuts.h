// The product's links on the desktop and in a start-menu folder of its own, for all users or
// for the current user, and their removal.
#pragma once

#include <windows.h>

#include "base/Path.h"

namespace kst {

// The shell folder's path with "\name" (or "\name.lnk") behind it; false, leaving out alone, when
// the folder does not resolve or the path would not fit.
bool SpecialFolderItemPath(CPath& out, int folderId, const wchar_t* name);
bool SpecialFolderLinkPath(CPath& out, int folderId, const wchar_t* name);

// Tells the shell at once that something changed at path, so that Explorer redraws it.
void NotifyShellPath(LONG event, const wchar_t* path);

// Writes (or overwrites) a link to target, with arguments when they are given and the target's
// first icon. False when the shell objects cannot be had or the link cannot be saved.
bool CreateShellLink(const wchar_t* target, const wchar_t* linkFile, const wchar_t* arguments);

// Creates the product's "Veltrin" folder in the programs folder; an existing one is fine, once
// taken back from another owner (EnsureFolder). True when the folder is there afterwards, as a
// plain folder of a trusted owner.
bool CreateProgramsFolder(int programsFolderId);

// The start-menu links and the desktop link of an install for all users or the current user;
// each is tried. True when every one was written.
bool CreateShortcuts(bool allUsers);
// Removes the links of the install recorded in the registry; links already gone are no error.
// True when none of them is left.
bool DeleteShortcuts();

}  // namespace kst
