// The installer twin under test and copies of it at chosen paths.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>

#include "app/FrameClass.h"

namespace kst::test {

// The packed x86_64 installer of this build.
std::wstring InstallerPath();

// A fresh, empty folder below the test's temporary folder; what an earlier run left there goes.
std::wstring MakeScratchFolder(const std::wstring& name);

// Copies the installer to folder\fileName (creating folder) and returns the copy's path.
std::wstring CopyInstallerTo(const std::wstring& folder, const std::wstring& fileName);

// Ends every installer or uninstaller frame that something earlier left running and waits until
// the single-instance mutex is gone, so that the test's own start is the first instance. False
// when an instance stayed for the whole time.
bool EndEarlierInstallers(std::chrono::milliseconds timeout);

}  // namespace kst::test
