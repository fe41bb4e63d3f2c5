// Files and folders that tests make and clear.
#pragma once

#include <string>

namespace kst::test {

// Removes the folder (or file) with everything below it; nothing when it does not exist.
void RemoveTree(const std::wstring& path);

}  // namespace kst::test
