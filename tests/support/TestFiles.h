// Files and folders that tests make, read and clear.
#pragma once

#include <string>
#include <vector>

namespace kst::test {

// Removes the folder (or file) with everything below it; nothing when it does not exist. Links
// inside are followed: remove them with RemoveLink first.
void RemoveTree(const std::wstring& path);

// The whole file; empty when it cannot be read.
std::vector<char> ReadFileBytes(const std::wstring& path);

// The lines of a run's log (/LOG=), each without the local time in front of it. A line without
// the time in its form comes as "untimed: <line>", text after the last line break as
// "unended: <text>".
std::vector<std::string> LogLinesWithoutTime(const std::string& text);

// The names in a folder, without "." and "..", in the order the file system lists them.
std::vector<std::wstring> ListFolder(const std::wstring& folder);

// A link at `link` to the folder or file `target`, as someone with an ordinary account could make
// one. Under Wine that is a Unix symbolic link inside the prefix (Wine lists one to a folder as a
// directory reparse point, one to a file as a plain file, and makes no link through
// CreateSymbolicLinkW). RemoveLink removes the link itself from the Unix side: removing such a
// link through Windows removes its target instead (an empty folder, or a file) and keeps the
// link. Both wait until the folder's listing shows the change; a link whose target is gone
// shows as nothing and is removed without a wait.
bool MakeLink(const std::wstring& link, const std::wstring& target);
bool RemoveLink(const std::wstring& link);

}  // namespace kst::test
