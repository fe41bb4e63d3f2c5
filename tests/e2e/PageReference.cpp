#include "PageReference.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdlib>
#include <thread>

#include "tests/support/PictureDifference.h"
#include "tests/support/TestWindows.h"

namespace kst::test {
namespace {

using namespace std::chrono_literals;

// Two fade ticks apart; four equal pictures in a row span six ticks.
constexpr auto kCaptureInterval = 50ms;
constexpr int kEqualPicturesForStill = 4;

std::wstring Variable(const wchar_t* name) {
  const wchar_t* value = _wgetenv(name);
  std::wstring text = value != nullptr ? value : L"";
  std::replace(text.begin(), text.end(), L'/', L'\\');
  return text;
}

bool UpdatingReferences() { return Variable(L"KST_UPDATE_PAGE_REFERENCES") == L"1"; }

// True while the window's thread handles messages: a thread that does not run cannot repaint,
// so its picture would only look still.
bool Responds(HWND window) {
  DWORD_PTR ignored = 0;
  return ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &ignored) != 0;
}

}  // namespace

std::optional<CPicture> CaptureStillPicture(HWND window, std::chrono::milliseconds timeout,
                                            bool* still) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  std::optional<CPicture> last;
  int equal = 0;
  *still = false;
  while (std::chrono::steady_clock::now() < deadline) {
    const bool responds = Responds(window);
    std::optional<CPicture> picture = CapturePicture(window);
    equal = responds && picture && last && *picture == *last ? equal + 1 : 1;
    last = std::move(picture);
    if (equal >= kEqualPicturesForStill) {
      *still = true;
      break;
    }
    std::this_thread::sleep_for(kCaptureInterval);
  }
  return last;
}

::testing::AssertionResult MatchesPageReference(HWND frame, const std::wstring& reference,
                                                const std::wstring& screenshot) {
  const std::wstring folder = Variable(L"KST_PAGE_REFERENCES");
  if (folder.empty()) return ::testing::AssertionFailure() << "KST_PAGE_REFERENCES is not set";
  const std::wstring referencePath = folder + L"\\" + reference + L".png";
  const std::wstring actualPath = ScreenshotPath(screenshot);
  const std::wstring differencePath = ScreenshotPath(screenshot + L"-diff");
  ::DeleteFileW(differencePath.c_str());

  bool still = false;
  std::optional<CPicture> actual = CaptureStillPicture(frame, 5s, &still);
  if (!actual) return ::testing::AssertionFailure() << "no picture of the window";
  SavePicture(*actual, actualPath);
  const std::string stillNote = still ? "" : " (the window never stood still for 150 ms)";

  if (UpdatingReferences()) {
    ::SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    if (!still || !SavePicture(*actual, referencePath))
      return ::testing::AssertionFailure()
             << "reference " << Utf8(referencePath) << " not written" << stillNote;
    return ::testing::AssertionSuccess() << "reference " << Utf8(referencePath) << " written";
  }

  std::optional<CPicture> expected = LoadPicture(referencePath);
  if (!expected)
    return ::testing::AssertionFailure()
           << "no reference " << Utf8(referencePath)
           << "; scripts/update-page-references.sh makes it from the window as it is now";
  const CPictureDifference difference = ComparePictures(*expected, *actual);
  if (!difference.sameSize)
    return ::testing::AssertionFailure()
           << "page " << Utf8(reference) << " is " << actual->width << " x " << actual->height
           << " pixels, its reference " << expected->width << " x " << expected->height
           << "\n  reference: " << Utf8(referencePath) << "\n  actual: " << Utf8(actualPath);
  if (difference.Matches()) return ::testing::AssertionSuccess();
  SavePicture(difference.map, differencePath);
  return ::testing::AssertionFailure()
         << "page " << Utf8(reference) << " differs from its reference in "
         << difference.differingBlocks << " of " << difference.blocks << " blocks of "
         << CPictureDifference::kBlockSize << " x " << CPictureDifference::kBlockSize
         << " pixels (at most " << difference.AllowedBlocks() << " may differ by more than "
         << CPictureDifference::kBlockTolerance << " in a channel; the largest difference is "
         << difference.largestDifference << ")" << stillNote
         << "\n  reference: " << Utf8(referencePath) << "\n  actual: " << Utf8(actualPath)
         << "\n  differences: " << Utf8(differencePath);
}

}  // namespace kst::test
