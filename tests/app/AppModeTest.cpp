#include "framework/Window.h"
#include "sequences/Mode.h"
#include <gtest/gtest.h>

namespace kst {
namespace {

TEST(IsUninstallPath, LooksForTheExactNameAnywhereInThePath) {
  struct Case {
    const wchar_t* path;
    bool uninstall;
  } cases[] = {
      {L"C:\\ProgramData\\Kestrel\\uninstall.exe", true},
      {L"D:\\downloads\\uninstall.exe", true},
      {L"C:\\temp\\uninstall.exe.d\\instkst.exe", true},    // folder part counts too
      {L"C:\\ProgramData\\Kestrel\\Uninstall.exe", false},  // case-sensitive
      {L"C:\\ProgramData\\Kestrel\\UNINSTALL.EXE", false},
      {L"C:\\Users\\a\\Downloads\\instkst.exe", false},
      {L"C:\\x\\uninstall.ex", false},
      {L"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsUninstallPath(c.path), c.uninstall) << c.path;
}

TEST(IsUninstallMode, TheTestProgramIsNoUninstaller) { EXPECT_FALSE(IsUninstallMode()); }

class TopLevelWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    top = ::CreateWindowExW(0, L"STATIC", L"top", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                            nullptr, nullptr);
    middle = ::CreateWindowExW(0, L"STATIC", L"middle", WS_CHILD, 0, 0, 50, 50, top, nullptr,
                               nullptr, nullptr);
    bottom = ::CreateWindowExW(0, L"BUTTON", L"bottom", WS_CHILD, 0, 0, 20, 20, middle, nullptr,
                               nullptr, nullptr);
    ASSERT_TRUE(top && middle && bottom);
  }
  void TearDown() override { ::DestroyWindow(top); }

  HWND top = nullptr;
  HWND middle = nullptr;
  HWND bottom = nullptr;
};

TEST_F(TopLevelWindowTest, FollowsParentsToTheOutermostWindow) {
  EXPECT_EQ(TopLevelWindow(bottom), top);
  EXPECT_EQ(TopLevelWindow(middle), top);
  EXPECT_EQ(TopLevelWindow(top), top);
}

}  // namespace
}  // namespace kst
