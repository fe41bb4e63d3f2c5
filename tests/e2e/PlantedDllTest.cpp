// The installer runs elevated from a downloads folder where anyone may have left a DLL: a DLL
// planted beside it under the name of a system DLL it uses is never loaded.
#include <shlwapi.h>

#include <chrono>
#include <string>
#include <vector>

#include "InstallerProgram.h"
#include "InstallerSession.h"
#include "ProcessFacts.h"
#include "tests/support/TestProcess.h"
#include "tests/support/TestWindows.h"
#include <gtest/gtest.h>

namespace kst::test {
namespace {

using namespace std::chrono_literals;

const wchar_t* const kPlantedNames[] = {L"msimg32.dll", L"gdiplus.dll", L"wininet.dll",
                                        L"rasapi32.dll"};
// Wine's own comctl32 delay-loads msimg32 by bare name, and Wine resolves delay loads without the
// restricted search that the installer sets up (Windows applies it to delay loads too). So under
// Wine a planted msimg32 would be taken by comctl32, not by the installer, which loads msimg32 by
// full path; the installer run plants the other three.
const wchar_t* const kPlantedForInstaller[] = {L"gdiplus.dll", L"wininet.dll", L"rasapi32.dll"};

std::wstring PlantsFolder() {
  const wchar_t* folder = _wgetenv(L"KST_PLANTED_DLLS");
  return folder != nullptr ? folder : L"";
}

// Wine prefers its own builtin DLLs over any file; this asks it, for one program, to take a
// DLL file where the search finds one, as Windows does for these names.
class CNativeFirst {
 public:
  template <size_t kCount>
  CNativeFirst(const std::wstring& program, const wchar_t* const (&names)[kCount])
      : programKey(L"Software\\Wine\\AppDefaults\\" + program) {
    const std::wstring overrides = programKey + L"\\DllOverrides";
    for (const wchar_t* dll : names) {
      std::wstring name(dll, wcslen(dll) - 4);
      const wchar_t order[] = L"native,builtin";
      ::RegSetKeyValueW(HKEY_CURRENT_USER, overrides.c_str(), name.c_str(), REG_SZ, order,
                        sizeof(order));
    }
  }
  ~CNativeFirst() { ::SHDeleteKeyW(HKEY_CURRENT_USER, programKey.c_str()); }

 private:
  std::wstring programKey;
};

template <size_t kCount>
std::vector<std::wstring> Plant(const std::wstring& folder, const wchar_t* const (&names)[kCount]) {
  std::vector<std::wstring> markers;
  for (const wchar_t* dll : names) {
    ::CopyFileW((PlantsFolder() + L"\\" + dll).c_str(), (folder + L"\\" + dll).c_str(), FALSE);
    markers.push_back(folder + L"\\" + dll + L".loaded");
    ::DeleteFileW(markers.back().c_str());
  }
  return markers;
}

std::vector<std::string> LoadedPlants(const std::vector<std::wstring>& markers) {
  std::vector<std::string> loaded;
  for (const std::wstring& marker : markers)
    if (::PathFileExistsW(marker.c_str())) loaded.push_back(Utf8(marker));
  return loaded;
}

TEST(PlantedDll, APlainLoadFindsThePlantsSoTheTestCanSeeThem) {
  ASSERT_FALSE(PlantsFolder().empty()) << "KST_PLANTED_DLLS is not set";
  std::wstring folder = MakeScratchFolder(L"planted-control");
  std::vector<std::wstring> markers = Plant(folder, kPlantedNames);
  std::wstring loader = folder + L"\\plain_loader.exe";
  ASSERT_TRUE(
      ::CopyFileW((PlantsFolder() + L"\\kst_planted_loader.exe").c_str(), loader.c_str(), FALSE));
  CNativeFirst nativeFirst(L"plain_loader.exe", kPlantedNames);
  CTestProcess process;
  ASSERT_TRUE(process.Start(loader, L"msimg32.dll gdiplus.dll wininet.dll rasapi32.dll"));
  ASSERT_TRUE(process.WaitForExit(30s));
  EXPECT_EQ(LoadedPlants(markers).size(), 4u);
}

TEST(PlantedDll, TheInstallerNeverLoadsAPlantFromItsFolder) {
  ASSERT_FALSE(PlantsFolder().empty()) << "KST_PLANTED_DLLS is not set";
  ASSERT_TRUE(EndEarlierInstallers(10s));
  std::wstring folder = MakeScratchFolder(L"planted-installer");
  std::vector<std::wstring> markers = Plant(folder, kPlantedForInstaller);
  std::wstring installer = CopyInstallerTo(folder, L"setup.exe");
  CNativeFirst nativeFirst(L"setup.exe", kPlantedForInstaller);
  CTestProcess process;
  ASSERT_TRUE(process.Start(installer));
  HWND frame = process.WaitForWindow(kFrameClassName, 20s);
  ASSERT_NE(frame, nullptr);
  // The frame paints its skin: at the session's 120 DPI GDI+ has scaled the pictures and
  // AlphaBlend has drawn them.
  ASSERT_TRUE(WaitUntil(
      [&] {
        return HasLoadedModule(process.Id(), L"gdiplus.dll") &&
               HasLoadedModule(process.Id(), L"msimg32.dll");
      },
      20s));
  ::PostMessageW(frame, WM_CLOSE, 0, 0);
  ASSERT_TRUE(process.WaitForExit(20s));
  EXPECT_TRUE(LoadedPlants(markers).empty()) << ::testing::PrintToString(LoadedPlants(markers));
}

}  // namespace
}  // namespace kst::test
