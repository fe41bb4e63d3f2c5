// Pictures of what a test put on the screen: taken from the screen, saved as PNG files for a
// person to look at, and read back to be compared with a reference.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kst::test {

// Opaque pixels 0x00RRGGBB, rows top-down.
struct CPicture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;

  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  bool operator==(const CPicture& other) const {
    return width == other.width && height == other.height && pixels == other.pixels;
  }
  bool operator!=(const CPicture& other) const { return !(*this == other); }
};

// The screen pixels under `window` (the whole screen for null). Taken from the screen, so
// overlapping windows show too, as a user would see it.
std::optional<CPicture> CapturePicture(HWND window);

bool SavePicture(const CPicture& picture, const std::wstring& path);
// Any picture file GDI+ reads, its alpha dropped; nothing when it cannot be read.
std::optional<CPicture> LoadPicture(const std::wstring& path);

// CapturePicture, saved as PNG.
bool SaveScreenshot(HWND window, const std::wstring& path);

// <KST_SCREENSHOT_DIR>\<name>.png, the folder created when missing; the test build sets that
// variable to the build's screenshots folder, without it the current folder is used.
std::wstring ScreenshotPath(const std::wstring& name);

}  // namespace kst::test
