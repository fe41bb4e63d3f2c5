// Pictures of what a test put on the screen, saved as PNG files for a person to look at.
#pragma once

#include <windows.h>

#include <string>

namespace kst::test {

// Saves the screen pixels under `window` (the whole screen for null) as a PNG file. Taken from the
// screen, so overlapping windows show too, as a user would see it.
bool SaveScreenshot(HWND window, const std::wstring& path);

// <KST_SCREENSHOT_DIR>\<name>.png, the folder created when missing; the test build sets that
// variable to the build's screenshots folder, without it the current folder is used.
std::wstring ScreenshotPath(const std::wstring& name);

}  // namespace kst::test
