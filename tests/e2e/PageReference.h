// A page of the installer's window compared with its reference picture in tests/e2e/references
// (the folder KST_PAGE_REFERENCES names). With KST_UPDATE_PAGE_REFERENCES=1, which only
// scripts/update-page-references.sh sets, the picture taken becomes the reference instead.
#pragma once

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>

#include "tests/support/Screenshot.h"
#include <gtest/gtest.h>

namespace kst::test {

// Pictures of the window, taken until one stays the same across several ticks of the picture
// cross-fade: the fade and the repaint of anything just uncovered are over then. The last
// picture taken when that did not happen in time; `still` tells which.
std::optional<CPicture> CaptureStillPicture(HWND window, std::chrono::milliseconds timeout,
                                            bool* still);

// Takes the window's still picture, saves it as the screenshot `screenshot` and compares it with
// the reference `reference`. A failure names the figures and saves a picture of the differences
// beside the screenshot.
::testing::AssertionResult MatchesPageReference(HWND frame, const std::wstring& reference,
                                                const std::wstring& screenshot);
inline ::testing::AssertionResult MatchesPageReference(HWND frame, const std::wstring& page) {
  return MatchesPageReference(frame, page, page);
}

}  // namespace kst::test
