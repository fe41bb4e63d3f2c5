// Removal of a folder with everything below it, as far as the file system lets it go.
#pragma once

namespace kst {

// Removes what it can below folder and then folder itself; answers how many files and folders
// went. Names that begin with "." stay, a system entry ends the walk of its folder, and links
// (junctions, symbolic links) are removed as entries without following them.
int DeleteTree(const wchar_t* folder);

// 1 for exactly two characters ending in a colon, such as "C:": a drive, never a folder.
int IsBareDriveSpec(const wchar_t* path);

}  // namespace kst
