// The installer in the system's high-contrast mode: plain in the system's colours, the pictures
// that carry nothing left out, the layout kept, and nothing changed with the mode off. Wine 8
// cannot turn the mode on (SPI_SETHIGHCONTRAST fails, SPI_GETHIGHCONTRAST always answers off), so
// the installer under test answers the mode from a value this test sets
// (tests/e2e/HighContrastDouble.cpp) and is told of a change as Windows tells it, by
// WM_SETTINGCHANGE; the colours are the system's own, set through SetSysColors.
#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "InstallerProgram.h"
#include "InstallerSession.h"
#include "PageReference.h"
#include "base/Handles.h"
#include "tests/support/Screenshot.h"
#include <gtest/gtest.h>

namespace kst::test {
namespace {

using namespace std::chrono_literals;

constexpr int kLogo = 1008;
constexpr wchar_t kFlagKey[] = L"Software\\Kestrel Tests";

std::wstring HighContrastInstaller() {
  wchar_t path[MAX_PATH] = {};
  ::GetEnvironmentVariableW(L"KST_HIGH_CONTRAST_INSTALLER", path, MAX_PATH);
  return path;
}

// The flag the installer under test reads, set for the life of the object.
class CHighContrastFlag {
 public:
  CHighContrastFlag() = default;
  ~CHighContrastFlag() { ::RegDeleteKeyW(HKEY_CURRENT_USER, kFlagKey); }
  CHighContrastFlag(const CHighContrastFlag&) = delete;
  CHighContrastFlag& operator=(const CHighContrastFlag&) = delete;

  bool Set(bool on) {
    HKEY made = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kFlagKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &made,
                          nullptr) != ERROR_SUCCESS)
      return false;
    const CRegKey key(made);
    const DWORD value = on ? 1 : 0;
    return ::RegSetValueExW(key.Get(), L"HighContrast", 0, REG_DWORD,
                            reinterpret_cast<const BYTE*>(&value), sizeof(value)) == ERROR_SUCCESS;
  }
};

// A high-contrast scheme of the system's colours, the former ones given back at the end.
class CSystemColorScheme {
 public:
  CSystemColorScheme(COLORREF window, COLORREF text, COLORREF hotLight, COLORREF highlight) {
    for (int i = 0; i < kCount; ++i) former[i] = ::GetSysColor(kElements[i]);
    const COLORREF scheme[kCount] = {window, text, hotLight, highlight};
    set = ::SetSysColors(kCount, kElements, scheme) != 0;
  }
  ~CSystemColorScheme() {
    if (set) ::SetSysColors(kCount, kElements, former);
  }
  CSystemColorScheme(const CSystemColorScheme&) = delete;
  CSystemColorScheme& operator=(const CSystemColorScheme&) = delete;

  bool Set() const { return set; }

 private:
  static constexpr int kCount = 4;
  static constexpr int kElements[kCount] = {COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_HOTLIGHT,
                                            COLOR_HIGHLIGHT};
  COLORREF former[kCount] = {};
  bool set = false;
};

// As the picture holds a pixel: 0xRRGGBB.
uint32_t AsPixel(COLORREF color) {
  return (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
}

struct Placed {
  int id;
  RECT rect;  // in the frame's picture
};

// The shown controls of the dialog, where they lie in the frame.
std::vector<Placed> ShownControls(HWND frame) {
  std::vector<Placed> shown;
  RECT frameRect = {};
  ::GetWindowRect(frame, &frameRect);
  const HWND dialog = ::GetWindow(frame, GW_CHILD);
  for (HWND control = ::GetWindow(dialog, GW_CHILD); control != nullptr;
       control = ::GetWindow(control, GW_HWNDNEXT)) {
    if (!::IsWindowVisible(control)) continue;
    RECT rect = {};
    ::GetWindowRect(control, &rect);
    ::OffsetRect(&rect, -frameRect.left, -frameRect.top);
    shown.push_back({::GetDlgCtrlID(control), rect});
  }
  return shown;
}

int PixelsOfColor(const CPicture& picture, const RECT& rect, uint32_t color) {
  int count = 0;
  for (int y = rect.top; y < rect.bottom; ++y) {
    for (int x = rect.left; x < rect.right; ++x) count += picture.At(x, y) == color;
  }
  return count;
}

// The page as the plain look draws it: every control inside the window; outside the controls
// (the page picture's place included, as it carries nothing) only the window colour; the buttons
// outlined and captioned in the text colour, the link in the hot-light colour, the box's caption
// in the text colour, the logo kept.
void ExpectPlainPage(HWND frame, const std::wstring& screenshot) {
  bool still = false;
  const std::optional<CPicture> picture = CaptureStillPicture(frame, 10s, &still);
  ASSERT_TRUE(picture && still);
  SavePicture(*picture, ScreenshotPath(screenshot));
  const uint32_t window = AsPixel(::GetSysColor(COLOR_WINDOW));
  const uint32_t text = AsPixel(::GetSysColor(COLOR_WINDOWTEXT));
  const uint32_t link = AsPixel(::GetSysColor(COLOR_HOTLIGHT));

  const std::vector<Placed> shown = ShownControls(frame);
  for (const Placed& control : shown) {
    EXPECT_TRUE(control.rect.left >= 0 && control.rect.top >= 0 &&
                control.rect.right <= picture->width && control.rect.bottom <= picture->height)
        << "control " << control.id << " reaches out of the window";
  }
  int offColour = 0;
  for (int y = 0; y < picture->height; ++y) {
    for (int x = 0; x < picture->width; ++x) {
      const POINT point = {x, y};
      bool inControl = false;
      for (const Placed& control : shown)
        inControl = inControl || (control.id != kPicture && ::PtInRect(&control.rect, point));
      offColour += !inControl && picture->At(x, y) != window;
    }
  }
  EXPECT_EQ(offColour, 0) << "pixels outside the controls that are not the window colour";

  auto rectOf = [&](int id) {
    for (const Placed& control : shown) {
      if (control.id == id) return control.rect;
    }
    ADD_FAILURE() << "control " << id << " is not shown";
    return RECT{};
  };
  const RECT mainButton = rectOf(kMainButton);
  const RECT outlineTop = {mainButton.left, mainButton.top, mainButton.right, mainButton.top + 1};
  EXPECT_EQ(PixelsOfColor(*picture, outlineTop, text), mainButton.right - mainButton.left);
  struct Drawn {
    int id;
    uint32_t color;
  } const drawn[] = {
      {kMainButton, text}, {kCloseButton, text}, {kConsentBox, text}, {kSettingsLink, link}};
  for (const Drawn& control : drawn) {
    EXPECT_GT(PixelsOfColor(*picture, rectOf(control.id), control.color), 0)
        << "control " << control.id;
  }
  // The logo's picture is mostly transparent; a tenth of it or more is drawn.
  const RECT logo = rectOf(kLogo);
  const int logoArea = (logo.right - logo.left) * (logo.bottom - logo.top);
  EXPECT_LT(PixelsOfColor(*picture, logo, window), logoArea - logoArea / 10)
      << "the logo is left out";
}

// Tells the installer that the setting changed, as the system does.
void AnnounceChange(HWND frame) {
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutW(frame, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0, SMTO_NORMAL, 10000,
                        &ignored);
}

class HighContrastTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(HighContrastInstaller().empty()) << "KST_HIGH_CONTRAST_INSTALLER is not set";
    ASSERT_TRUE(EndEarlierInstallers(10s));
  }
  CHighContrastFlag flag;
};

TEST_F(HighContrastTest, OnAtTheStartThePageIsPlainInTheSystemsColours) {
  // The colours of a dark high-contrast scheme, none of them the skin's.
  const CSystemColorScheme scheme(RGB(0, 0, 0), RGB(255, 255, 255), RGB(255, 255, 0),
                                  RGB(0, 255, 255));
  ASSERT_TRUE(scheme.Set());
  ASSERT_TRUE(flag.Set(true));
  CInstallerSession installer;
  ASSERT_TRUE(installer.Start(HighContrastInstaller()));
  ExpectPlainPage(installer.Frame(), L"contrast-start");
}

TEST_F(HighContrastTest, TurnedOnWhileTheWindowIsOpenTheLayoutStaysAndOffAgainNothingChanged) {
  ASSERT_TRUE(flag.Set(false));
  CInstallerSession installer;
  ASSERT_TRUE(installer.Start(HighContrastInstaller()));
  const HWND frame = installer.Frame();
  EXPECT_TRUE(MatchesPageReference(frame, L"install-start", L"contrast-off"));
  const std::vector<Placed> before = ShownControls(frame);

  ASSERT_TRUE(flag.Set(true));
  AnnounceChange(frame);
  ExpectPlainPage(frame, L"contrast-turned-on");
  const std::vector<Placed> plain = ShownControls(frame);
  ASSERT_EQ(plain.size(), before.size());
  for (size_t i = 0; i < plain.size(); ++i) {
    EXPECT_EQ(plain[i].id, before[i].id);
    EXPECT_TRUE(::EqualRect(&plain[i].rect, &before[i].rect)) << "control " << plain[i].id;
  }

  ASSERT_TRUE(flag.Set(false));
  AnnounceChange(frame);
  EXPECT_TRUE(MatchesPageReference(frame, L"install-start", L"contrast-off-again"));
}

}  // namespace
}  // namespace kst::test
