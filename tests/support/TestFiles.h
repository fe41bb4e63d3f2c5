// Files and folders that tests make and clear.
#pragma once

#include <string>
#include <vector>

namespace kst::test {

// Removes the folder (or file) with everything below it; nothing when it does not exist. Links
// inside are followed: remove them with RemoveFolderLink first.
void RemoveTree(const std::wstring& path);

// The names in a folder, without "." and "..", in the order the file system lists them.
std::vector<std::wstring> ListFolder(const std::wstring& folder);

// A link at `link` to the folder `target`, as someone with an ordinary account could make one.
// Wine shows a Unix symbolic link inside the prefix as a directory reparse point (and makes no
// link through CreateSymbolicLinkW), so that is what is made. Both wait until the change shows;
// a link whose folder is gone shows as nothing and is removed without a wait.
bool MakeFolderLink(const std::wstring& link, const std::wstring& target);
bool RemoveFolderLink(const std::wstring& link);

}  // namespace kst::test
