// The grant to Everyone that the product's updater relies on: full control over the install's
// folders and what is in them.
#pragma once

namespace kst {

// Gives Everyone (by its well-known SID, so that a translated group name does not matter) full
// control over the folder, inherited by the files and folders below it. What is inside already is
// walked here, each entry opened as itself and given the inherited entry through its own handle:
// links, files with a second name and entries that are not where the walk listed them are left
// alone, so that nobody can steer the grant to a file of their choice. A folder that is a link or
// not a folder at all is left alone, and then the result is false. Callers go on either way.
bool GrantEveryoneFullAccess(const wchar_t* folder);

}  // namespace kst
