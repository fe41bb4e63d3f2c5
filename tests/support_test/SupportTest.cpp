// The test helpers against real message boxes, processes and the screen. The program is also its
// own helper process: started with one of the modes below it does that one thing and ends.
#include <windows.h>
// GDI+ needs the Windows headers first.
#include <gdiplus.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cwchar>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/Handles.h"
#include "tests/support/MessageBoxWatcher.h"
#include "tests/support/PictureDifference.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestProcess.h"
#include "tests/support/TestWindows.h"
#include <gtest/gtest.h>

namespace kst::test {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr char kShowBoxMode[] = "--show-box";            // exit code: the box's answer
constexpr char kStartSleeperMode[] = "--start-sleeper";  // exit code: the sleeper's process id
constexpr char kSleepMode[] = "--sleep";
constexpr wchar_t kChildCaption[] = L"警告";
constexpr wchar_t kChildText[] = L"确定要卸载吗？\n第二行";
constexpr int kMessageTextId = 0xFFFF;

std::wstring OwnPath() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

int RunMode(const char* mode) {
  if (std::strcmp(mode, kShowBoxMode) == 0)
    return ::MessageBoxW(nullptr, kChildText, kChildCaption, MB_OKCANCEL | MB_ICONWARNING);
  if (std::strcmp(mode, kSleepMode) == 0) {
    ::Sleep(60000);
    return 0;
  }
  if (std::strcmp(mode, kStartSleeperMode) == 0) {
    std::wstring commandLine = L"\"" + OwnPath() + L"\" --sleep";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION created = {};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &created))
      return 0;
    ::CloseHandle(created.hThread);
    ::CloseHandle(created.hProcess);
    return static_cast<int>(created.dwProcessId);
  }
  return -1;
}

TEST(MessageBoxWatcher, RecordsAndAnswersTheBoxesOfItsOwnProcessInOrder) {
  HWND owner = ::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
  ASSERT_TRUE(owner);
  struct Case {
    HWND owner;
    const wchar_t* caption;
    const wchar_t* text;
    UINT type;
    int queuedAnswer;  // 0: the default answer
    int expectedResult;
    std::vector<int> expectedButtons;
  } cases[] = {
      {nullptr, L"错误", L"磁盘已满", MB_OK | MB_ICONERROR, 0, IDOK, {IDOK}},
      {nullptr, L"警告", L"确定吗？\n第二行", MB_OKCANCEL, IDCANCEL, IDCANCEL, {IDOK, IDCANCEL}},
      {owner, L"Question", L"", MB_YESNO, IDNO, IDNO, {IDYES, IDNO}},
      {nullptr, L"Retry", L"once more", MB_RETRYCANCEL, IDRETRY, IDRETRY, {IDRETRY, IDCANCEL}},
  };

  CMessageBoxWatcher watcher;
  EXPECT_FALSE(watcher.WaitForBoxes(1, milliseconds(100)));
  for (const Case& c : cases) {
    if (c.queuedAnswer) watcher.QueueAnswers({c.queuedAnswer});
    EXPECT_EQ(::MessageBoxW(c.owner, c.text, c.caption, c.type), c.expectedResult)
        << Utf8(c.caption);
  }
  ASSERT_TRUE(watcher.WaitForBoxes(std::size(cases), seconds(1)));
  std::vector<CMessageBoxRecord> boxes = watcher.Boxes();
  ASSERT_EQ(boxes.size(), std::size(cases));
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    SCOPED_TRACE(Utf8(cases[i].caption));
    EXPECT_EQ(boxes[i].caption, cases[i].caption);
    EXPECT_EQ(boxes[i].text, cases[i].text);
    EXPECT_EQ(boxes[i].buttons, cases[i].expectedButtons);
    EXPECT_EQ(boxes[i].owner, cases[i].owner);
    EXPECT_EQ(boxes[i].answer, cases[i].expectedResult);
  }
  ::DestroyWindow(owner);
}

TEST(MessageBoxWatcher, AnswersBoxesOfAnotherThread) {
  CMessageBoxWatcher watcher(::GetCurrentProcessId(), IDCANCEL);
  int result = 0;
  std::thread other([&] { result = ::MessageBoxW(nullptr, L"from a thread", L"t", MB_OKCANCEL); });
  other.join();
  EXPECT_EQ(result, IDCANCEL);
  ASSERT_EQ(watcher.Boxes().size(), 1u);
  EXPECT_EQ(watcher.Boxes()[0].text, L"from a thread");
}

TEST(CTestProcess, AWatcherAnswersTheBoxOfAnotherProcess) {
  CTestProcess child;
  ASSERT_TRUE(child.Start(OwnPath(), L"--show-box"));
  CMessageBoxWatcher watcher(child.Id(), IDCANCEL);
  ASSERT_TRUE(child.WaitForExit(seconds(30)));
  EXPECT_EQ(child.ExitCode(), static_cast<DWORD>(IDCANCEL));
  std::vector<CMessageBoxRecord> boxes = watcher.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, kChildCaption);
  EXPECT_EQ(boxes[0].text, kChildText);
  EXPECT_EQ(boxes[0].buttons, (std::vector<int>{IDOK, IDCANCEL}));
}

TEST(CTestProcess, WindowsOfAnotherProcessCanBeReadAndClicked) {
  CTestProcess child;
  ASSERT_TRUE(child.Start(OwnPath(), L"--show-box"));
  HWND box = child.WaitForWindow(L"#32770", seconds(30));
  ASSERT_TRUE(box);
  EXPECT_EQ(child.Windows(L"#32770"), std::vector<HWND>{box});

  std::optional<CWindowFacts> facts = ReadWindow(box);
  ASSERT_TRUE(facts);
  EXPECT_EQ(facts->text, kChildCaption);
  EXPECT_EQ(facts->className, L"#32770");
  EXPECT_TRUE(facts->visible);
  EXPECT_TRUE(facts->style & WS_POPUP);

  std::optional<CWindowFacts> text = ReadChild(box, kMessageTextId);
  ASSERT_TRUE(text);
  EXPECT_EQ(text->text, kChildText);
  EXPECT_EQ(text->className, L"Static");

  std::optional<CWindowFacts> cancel = ReadChild(box, IDCANCEL);
  ASSERT_TRUE(cancel);
  EXPECT_EQ(cancel->className, L"Button");
  EXPECT_EQ(cancel->controlId, IDCANCEL);
  // The button lies inside the box: its place in the parent agrees with both screen rectangles.
  EXPECT_EQ(cancel->rectInParent.right - cancel->rectInParent.left,
            cancel->windowRect.right - cancel->windowRect.left);
  EXPECT_GE(cancel->rectInParent.left, 0);
  EXPECT_LE(cancel->rectInParent.right, facts->clientRect.right);
  EXPECT_GE(cancel->windowRect.left, facts->windowRect.left);
  EXPECT_LE(cancel->windowRect.bottom, facts->windowRect.bottom);

  EXPECT_FALSE(child.WaitForExit(milliseconds(100)));
  EXPECT_EQ(child.ExitCode(), static_cast<DWORD>(STILL_ACTIVE));
  ASSERT_TRUE(Click(FindChildById(box, IDCANCEL)));
  ASSERT_TRUE(child.WaitForExit(seconds(30)));
  EXPECT_EQ(child.ExitCode(), static_cast<DWORD>(IDCANCEL));
}

TEST(CTestProcess, CommandToTheBoxEndsItWithThatAnswer) {
  CTestProcess child;
  ASSERT_TRUE(child.Start(OwnPath(), L"--show-box"));
  HWND box = child.WaitForWindow(L"#32770", seconds(30));
  ASSERT_TRUE(box);
  ASSERT_TRUE(Command(box, IDOK));
  ASSERT_TRUE(child.WaitForExit(seconds(30)));
  EXPECT_EQ(child.ExitCode(), static_cast<DWORD>(IDOK));
}

// Checked right after the post, the box would usually still be there.
TEST(WaitForPostedMessages, ReturnsOnceWhatWasPostedBeforeIsHandled) {
  CTestProcess child;
  ASSERT_TRUE(child.Start(OwnPath(), L"--show-box"));
  HWND box = child.WaitForWindow(L"#32770", seconds(30));
  ASSERT_TRUE(box);
  HWND cancel = FindChildById(box, IDCANCEL);
  ASSERT_TRUE(WaitForPostedMessages(cancel, seconds(10))) << "an idle window repaints";
  EXPECT_TRUE(::IsWindowVisible(box));

  ASSERT_TRUE(Command(box, IDCANCEL));
  ASSERT_TRUE(WaitForPostedMessages(cancel, seconds(10)));
  EXPECT_FALSE(::IsWindowVisible(box));
  ASSERT_TRUE(child.WaitForExit(seconds(30)));
  EXPECT_EQ(child.ExitCode(), static_cast<DWORD>(IDCANCEL));
}

TEST(CTestProcess, EndingTheObjectEndsEverythingTheProgramStarted) {
  HANDLE sleeper = nullptr;
  {
    CTestProcess child;
    ASSERT_TRUE(child.Start(OwnPath(), L"--start-sleeper"));
    ASSERT_TRUE(child.WaitForExit(seconds(30)));
    const DWORD sleeperId = child.ExitCode();
    ASSERT_NE(sleeperId, 0u);
    sleeper = ::OpenProcess(SYNCHRONIZE, FALSE, sleeperId);
    ASSERT_TRUE(sleeper);
    EXPECT_EQ(::WaitForSingleObject(sleeper, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_FALSE(child.WaitForAllExit(milliseconds(100)));
  }
  EXPECT_EQ(::WaitForSingleObject(sleeper, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
  ::CloseHandle(sleeper);
}

TEST(CTestProcess, StartFailsForAMissingProgram) {
  CTestProcess missing;
  EXPECT_FALSE(missing.Start(L"C:\\no\\such\\program.exe"));
  EXPECT_EQ(missing.Id(), 0u);
  EXPECT_TRUE(missing.WaitForAllExit(milliseconds(0)));
}

LRESULT CALLBACK PaintBlue(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ERASEBKGND) {
    RECT client;
    ::GetClientRect(window, &client);
    HBRUSH blue = ::CreateSolidBrush(RGB(0, 0, 255));
    ::FillRect(reinterpret_cast<HDC>(wParam), &client, blue);
    ::DeleteObject(blue);
    return 1;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

TEST(Screenshot, SavesTheWindowsPixelsAsPng) {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = PaintBlue;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"KstScreenshotTest";
  ASSERT_TRUE(::RegisterClassW(&windowClass));
  HWND window = ::CreateWindowExW(WS_EX_TOPMOST, windowClass.lpszClassName, L"", WS_POPUP, 40, 30,
                                  200, 100, nullptr, nullptr, windowClass.hInstance, nullptr);
  ASSERT_TRUE(window);
  ::ShowWindow(window, SW_SHOW);
  ::UpdateWindow(window);
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);

  const std::wstring windowShot = ScreenshotPath(L"support-test-window");
  const std::wstring screenShot = ScreenshotPath(L"support-test-screen");
  ::DeleteFileW(windowShot.c_str());
  EXPECT_TRUE(SaveScreenshot(window, windowShot));
  EXPECT_TRUE(SaveScreenshot(nullptr, screenShot));
  ::DestroyWindow(window);

  // Read back through GDI+'s decoder.
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
  {
    Gdiplus::Bitmap shot(windowShot.c_str());
    ASSERT_EQ(shot.GetLastStatus(), Gdiplus::Ok);
    EXPECT_EQ(shot.GetWidth(), 200u);
    EXPECT_EQ(shot.GetHeight(), 100u);
    Gdiplus::Color pixel;
    ASSERT_EQ(shot.GetPixel(100, 50, &pixel), Gdiplus::Ok);
    EXPECT_EQ(pixel.GetR(), 0);
    EXPECT_EQ(pixel.GetG(), 0);
    EXPECT_EQ(pixel.GetB(), 255);

    Gdiplus::Bitmap screen(screenShot.c_str());
    ASSERT_EQ(screen.GetLastStatus(), Gdiplus::Ok);
    EXPECT_EQ(screen.GetWidth(), static_cast<UINT>(::GetSystemMetrics(SM_CXVIRTUALSCREEN)));
    EXPECT_EQ(screen.GetHeight(), static_cast<UINT>(::GetSystemMetrics(SM_CYVIRTUALSCREEN)));
  }
  Gdiplus::GdiplusShutdown(token);

  // Read back as the reference comparison reads pictures.
  std::optional<CPicture> loaded = LoadPicture(windowShot);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->width, 200);
  EXPECT_EQ(loaded->height, 100);
  EXPECT_EQ(loaded->At(100, 50), 0x0000FFu);
  EXPECT_FALSE(LoadPicture(ScreenshotPath(L"no-such-picture")));
}

// A page-like picture drawn with GDI and the session's fonts: a light background, a filled
// button with its caption, a checkbox label and a status line.
struct CPageDrawing {
  int width = 630;
  int textShift = 0;  // right and down, in pixels
  bool label = true;
  bool anything = true;
  int opacity = 255;  // of the whole page over white
};

CPicture DrawPage(const CPageDrawing& how) {
  constexpr int kHeight = 320;
  CWindowDC screen(nullptr);
  CMemoryDC memory(::CreateCompatibleDC(screen.Get()));
  BITMAPINFO format = {};
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = how.width;
  format.bmiHeader.biHeight = -kHeight;
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  CBitmap bitmap(::CreateDIBSection(screen.Get(), &format, DIB_RGB_COLORS, &bits, nullptr, 0));
  CFont font(::CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0,
                           ANTIALIASED_QUALITY, 0, L"MS Shell Dlg"));
  {
    CSelectObject selectBitmap(memory.Get(), bitmap.Get());
    CSelectObject selectFont(memory.Get(), font.Get());
    const RECT all = {0, 0, how.width, kHeight};
    CBrush background(::CreateSolidBrush(RGB(240, 244, 250)));
    ::FillRect(memory.Get(), &all, background.Get());
    if (how.anything) {
      const RECT button = {255, 272, 375, 304};
      CBrush orange(::CreateSolidBrush(RGB(245, 140, 30)));
      ::FillRect(memory.Get(), &button, orange.Get());
      ::SetBkMode(memory.Get(), TRANSPARENT);
      auto text = [&](int x, int y, COLORREF colour, const wchar_t* words) {
        ::SetTextColor(memory.Get(), colour);
        ::TextOutW(memory.Get(), x + how.textShift, y + how.textShift, words,
                   static_cast<int>(std::wcslen(words)));
      };
      text(290, 280, RGB(255, 255, 255), L"一键安装");
      text(190, 150, RGB(20, 20, 20), L"安装文件: C:\\ProgramData\\Kestrel\\kestrel.exe");
      if (how.label) text(35, 288, RGB(20, 20, 20), L"授权软件修改网页");
    }
  }
  ::GdiFlush();
  CPicture picture;
  picture.width = how.width;
  picture.height = kHeight;
  const auto* first = static_cast<const uint32_t*>(bits);
  picture.pixels.assign(first, first + static_cast<size_t>(how.width) * kHeight);
  for (uint32_t& pixel : picture.pixels) {
    uint32_t blended = 0;
    for (int shift : {0, 8, 16}) {
      const uint32_t channel = (pixel >> shift) & 0xFF;
      blended |= ((channel * how.opacity + 255 * (255 - how.opacity) + 127) / 255) << shift;
    }
    pixel = blended;
  }
  return picture;
}

TEST(PictureDifference, ToleratesTextDrawnALittleElsewhereButNotAMissingOrFadedPart) {
  struct Case {
    const char* name;
    CPageDrawing actual;
    bool matches;
  } const cases[] = {
      {"the same page", {}, true},
      // Hinting and antialiasing move glyph edges by a pixel or so.
      {"its text a pixel to the right and down", {630, /*textShift=*/1}, true},
      {"its checkbox label missing", {630, 0, /*label=*/false}, false},
      {"blank", {630, 0, true, /*anything=*/false}, false},
      {"at 80 percent opacity", {630, 0, true, true, /*opacity=*/204}, false},
      {"one pixel narrower", {/*width=*/629}, false},
  };
  const CPicture reference = DrawPage({});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const CPicture actual = DrawPage(c.actual);
    const CPictureDifference difference = ComparePictures(reference, actual);
    EXPECT_EQ(difference.Matches(), c.matches)
        << difference.differingBlocks << " of " << difference.blocks << " blocks differ, largest "
        << difference.largestDifference;
    EXPECT_EQ(difference.sameSize, actual.width == reference.width);
    if (difference.sameSize) {
      // The map shows the actual picture, with the differing blocks marked.
      ASSERT_EQ(difference.map.pixels.size(), actual.pixels.size());
      const auto& map = difference.map.pixels;
      EXPECT_EQ(std::count(map.begin(), map.end(), 0xFF0000u) > 0, difference.differingBlocks > 0);
    }
  }
}

}  // namespace
}  // namespace kst::test

int main(int argc, char** argv) {
  if (argc == 2 && std::strncmp(argv[1], "--gtest", 7) != 0) return kst::test::RunMode(argv[1]);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
