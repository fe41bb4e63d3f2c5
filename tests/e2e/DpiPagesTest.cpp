// Every page of the installer and the uninstaller at the display DPI that KST_DPI names, seen from
// outside: the frame sized from the dialog units, each placed control where the layout puts it for
// that DPI, every control inside the window and apart from the others it must not cover, no text
// cut at a control's edge; and a screenshot of each page, dpi<N>-<page>.png, for a person to look
// at. Each run has a Wine session of its own at its DPI (kst_add_wine_test ... DPIS), so it owns
// the whole system and installs in it.
#include <chrono>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "InstallState.h"
#include "InstallerProgram.h"
#include "InstallerSession.h"
#include "PageReference.h"
#include "WholeRuns.h"
#include "app/DialogLayout.h"
#include "app/FrameGeometry.h"
#include "base/Handles.h"
#include "resources/resource.h"
#include "skin/DpiScale.h"
#include <gtest/gtest.h>

namespace kst::test {
namespace {

using namespace std::chrono_literals;

int ScreenDpi() {
  CWindowDC screen(nullptr);
  return ::GetDeviceCaps(screen.Get(), LOGPIXELSY);
}

// A window's DPI and DPI awareness as Windows 10 reports them; Wine has both functions.
struct CWindowDpiFacts {
  int dpi = 0;
  int awareness = -1;  // DPI_AWARENESS: 0 unaware, 1 system, 2 per monitor
};

CWindowDpiFacts ReadWindowDpi(HWND window) {
  HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  auto proc = [user32](const char* name) {
    return reinterpret_cast<void (*)()>(::GetProcAddress(user32, name));
  };
  auto getDpi = reinterpret_cast<UINT(WINAPI*)(HWND)>(proc("GetDpiForWindow"));
  auto getContext = reinterpret_cast<HANDLE(WINAPI*)(HWND)>(proc("GetWindowDpiAwarenessContext"));
  auto getAwareness =
      reinterpret_cast<int(WINAPI*)(HANDLE)>(proc("GetAwarenessFromDpiAwarenessContext"));
  CWindowDpiFacts facts;
  if (getDpi != nullptr) facts.dpi = static_cast<int>(getDpi(window));
  if (getContext != nullptr && getAwareness != nullptr)
    facts.awareness = getAwareness(getContext(window));
  return facts;
}

std::string Describe(const RECT& r) {
  return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ")-(" +
         std::to_string(r.right) + ", " + std::to_string(r.bottom) + ")";
}

bool Overlap(const RECT& a, const RECT& b) {
  RECT both = {};
  return ::IntersectRect(&both, &a, &b) != FALSE;
}

// The controls a user reads or presses. The logo, the close button and the status text lie over
// the page picture by design; nothing else may cover anything.
constexpr int kSeenControls[] = {IDC_LOGO,        IDC_CLOSE_BUTTON,  IDC_PICTURE,
                                 IDC_MAIN_BUTTON, IDC_CONSENT,       IDC_SETTINGS_LINK,
                                 IDC_ALL_USERS,   IDC_REMOVE_CONFIG, IDC_STATUS_LABEL};

bool MayOverlap(int a, int b) {
  if (b == IDC_PICTURE) std::swap(a, b);
  return a == IDC_PICTURE && (b == IDC_LOGO || b == IDC_CLOSE_BUTTON || b == IDC_STATUS_LABEL);
}

// Text drawn on the skin is dark (black, RGB(20, 20, 20), the links' blue) on a light background.
bool IsInk(uint32_t pixel) {
  const int r = (pixel >> 16) & 0xFF;
  const int g = (pixel >> 8) & 0xFF;
  const int b = pixel & 0xFF;
  return (299 * r + 587 * g + 114 * b) / 1000 < 160;
}

// The edges of a control's rectangle that its text must stay clear of: text cut by the control
// runs into them. A check box's box sits at its left, top aligned.
struct CTextEdges {
  int id;
  bool left, top, right, bottom;
};
constexpr CTextEdges kTextControls[] = {
    {IDC_CONSENT, false, false, true, true},       {IDC_ALL_USERS, false, false, true, true},
    {IDC_REMOVE_CONFIG, false, false, true, true}, {IDC_SETTINGS_LINK, true, true, true, true},
    {IDC_STATUS_LABEL, true, true, true, true},
};

class DpiPagesTest : public CleanSystemTest {
 protected:
  void SetUp() override {
    CleanSystemTest::SetUp();
    const wchar_t* dpi = _wgetenv(L"KST_DPI");
    ASSERT_NE(dpi, nullptr) << "KST_DPI is not set";
    dpi_ = _wtoi(dpi);
    ASSERT_EQ(ScreenDpi(), dpi_) << "the Wine session does not have the display DPI of KST_DPI";
    ASSERT_TRUE(EndEarlierInstallers(10s));
  }

  // Saves the page's screenshot and checks its layout.
  void ExpectPage(const CInstallerSession& program, const std::wstring& page) {
    SCOPED_TRACE(Utf8(page));
    HWND frame = program.Frame();
    bool still = false;
    std::optional<CPicture> picture = CaptureStillPicture(frame, 5s, &still);
    ASSERT_TRUE(picture);
    EXPECT_TRUE(still) << "the window never stood still";
    SavePicture(*picture, ScreenshotPath(L"dpi" + std::to_wstring(dpi_) + L"-" + page));

    const CWindowDpiFacts dpiFacts = ReadWindowDpi(frame);
    EXPECT_EQ(dpiFacts.dpi, dpi_);
    EXPECT_EQ(dpiFacts.awareness, 2) << "the manifest's per-monitor awareness did not take";

    // 70 x 20 dialog units at the system's DPI, which the window has here.
    const Size client = ClientSizeFromBaseUnits(::GetDialogBaseUnits(), dpi_, dpi_);
    auto frameFacts = ReadWindow(frame);
    ASSERT_TRUE(frameFacts);
    EXPECT_EQ(frameFacts->clientRect.right, client.cx);
    EXPECT_EQ(frameFacts->clientRect.bottom, client.cy);
    const RECT clientRect = {0, 0, client.cx, client.cy};

    for (const ControlPlacement& at : ComputeDialogLayout(client.cx, client.cy, dpi_)) {
      auto control = ReadChild(frame, at.id);
      ASSERT_TRUE(control) << at.id;
      if (!control->visible) continue;
      const RECT& r = control->rectInParent;
      if (!at.keepPosition) {
        EXPECT_EQ(r.top, at.y) << at.id;
        if (!at.growsToCaption) {
          EXPECT_EQ(r.left, at.x) << at.id;
        }
      }
      if (at.keepSize) continue;
      EXPECT_EQ(r.bottom - r.top, at.cy) << at.id;
      if (at.growsToCaption) {  // as wide as its caption needs in the program's font
        EXPECT_EQ(r.right, at.x + at.cx) << at.id;
        EXPECT_GE(r.right - r.left, at.cx) << at.id;
      } else {
        EXPECT_EQ(r.right - r.left, at.cx) << at.id;
      }
    }

    std::vector<CWindowFacts> seen;
    for (int id : kSeenControls) {
      auto control = ReadChild(frame, id);
      ASSERT_TRUE(control) << id;
      if (!control->visible) continue;
      RECT inside = {};
      ::IntersectRect(&inside, &control->rectInParent, &clientRect);
      EXPECT_TRUE(::EqualRect(&inside, &control->rectInParent))
          << id << " at " << Describe(control->rectInParent) << " leaves the window "
          << Describe(clientRect);
      for (const CWindowFacts& other : seen) {
        if (MayOverlap(id, other.controlId)) continue;
        EXPECT_FALSE(Overlap(control->rectInParent, other.rectInParent))
            << id << " at " << Describe(control->rectInParent) << " covers " << other.controlId
            << " at " << Describe(other.rectInParent);
      }
      seen.push_back(*control);
    }

    for (const CTextEdges& text : kTextControls) {
      auto control = ReadChild(frame, text.id);
      if (!control || !control->visible) continue;
      const RECT& r = control->rectInParent;
      std::vector<std::string> cut;
      auto inkAlong = [&](const char* edge, int x0, int y0, int dx, int dy, int count) {
        for (int i = 0; i < count; ++i) {
          const int x = x0 + i * dx;
          const int y = y0 + i * dy;
          if (x < picture->width && y < picture->height && IsInk(picture->At(x, y))) {
            cut.push_back(edge);
            return;
          }
        }
      };
      const int width = r.right - r.left;
      const int height = r.bottom - r.top;
      if (text.left) inkAlong("left", r.left, r.top, 0, 1, height);
      if (text.top) inkAlong("top", r.left, r.top, 1, 0, width);
      if (text.right) inkAlong("right", r.right - 1, r.top, 0, 1, height);
      if (text.bottom) inkAlong("bottom", r.left, r.bottom - 1, 1, 0, width);
      EXPECT_TRUE(cut.empty()) << "the text of " << text.id << " \"" << Utf8(control->text)
                               << "\" runs into its " << ::testing::PrintToString(cut)
                               << " edge at " << Describe(r);
    }
  }

  int dpi_ = 0;
};

TEST_F(DpiPagesTest, EveryPageFollowsTheDialogUnitsAndTheDpi) {
  const CInstallPlaces places = PlacesFor(true);
  {
    // Boxes stay open until answered: the installing page is seen behind one.
    CInstallerSession installer;
    ASSERT_TRUE(installer.Start(InstallerPath(), false));
    ExpectPage(installer, L"install-start");
    ASSERT_TRUE(installer.Press(kSettingsLink));
    ExpectPage(installer, L"install-settings");
    ASSERT_TRUE(installer.Press(kSettingsLink));

    // Refused for the consent: the failed page.
    ASSERT_TRUE(installer.Press(kConsentBox));
    ASSERT_TRUE(installer.Press(kMainButton));
    ExpectPage(installer, L"install-failed");
    ASSERT_TRUE(installer.Press(kConsentBox));

    // A product file that cannot be written holds the installing page in a message box.
    CHeldFile held(InstalledPath(places, kProductFiles[0]));
    ASSERT_TRUE(held.Held());
    ASSERT_TRUE(installer.PressLater(kMainButton));
    HWND box = WaitForWindow(installer.Process().Id(), L"#32770", 30s);
    ASSERT_NE(box, nullptr);
    MoveBoxOffFrame(box, installer.Frame());
    ExpectPage(installer, L"install-installing");
    installer.AnswerBoxes();
    ASSERT_TRUE(WaitUntil([&] { return installer.IsShown(kConsentBox); }, 30s));
    held.Release();

    ASSERT_TRUE(installer.Press(kMainButton));
    ASSERT_EQ(installer.TextOf(kMainButton), "退出");
    ExpectPage(installer, L"install-finished");
    ASSERT_TRUE(installer.PressLater(kMainButton));
    ASSERT_TRUE(installer.Process().WaitForExit(10s));
    CloseProductWindows();
  }
  CInstallerSession uninstaller;
  ASSERT_TRUE(uninstaller.Start(places.programFolder + L"\\uninstall.exe"));
  ExpectPage(uninstaller, L"uninstall-start");
  ASSERT_TRUE(uninstaller.PressLater(kCloseButton));
  ASSERT_TRUE(uninstaller.Process().WaitForExit(10s));
}

}  // namespace
}  // namespace kst::test
