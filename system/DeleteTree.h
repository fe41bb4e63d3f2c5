// Removal of a folder with everything below it, as far as the file system lets it go.
#pragma once

namespace kst {

// Removes what it can below folder and then folder itself; answers how many files and folders
// went. Names that begin with "." stay, a system entry ends the walk of its folder, and links
// (junctions, symbolic links) are never followed: a folder given as a link is not entered, a link
// below it is removed as an entry of its own or left, and what a link points to always stays.
int DeleteTree(const wchar_t* folder);

// 1 for exactly two characters ending in a colon, such as "C:": a drive, never a folder.
bool IsBareDriveSpec(const wchar_t* path);

// Called with the path of each entry after the walk listed it and before it is opened, the moment
// another program could swap it; a seam to stage that race. Null, the default, calls nothing.
using DeleteTreeEntryHook = void (*)(const wchar_t* path);
void SetDeleteTreeEntryHook(DeleteTreeEntryHook hook);

}  // namespace kst
