// The installer runs elevated, usually from a downloads folder, and its uninstaller leaves a shell
// behind that removes the program folder: a program planted under the name of a system program
// that they or that shell start (cmd, icacls, ping), with any extension the system tries, beside
// the program, in its working folder or in the program folder's parent, never runs.
#include <shlobj.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "InstallState.h"
#include "InstallerProgram.h"
#include "InstallerSession.h"
#include "ProcessFacts.h"
#include "ProxyDoubles.h"
#include "RunLog.h"
#include "WholeRuns.h"
#include "tests/support/TestFiles.h"
#include <gtest/gtest.h>

namespace kst::test {
namespace {

using namespace std::chrono_literals;
using Strings = std::vector<std::string>;

const wchar_t* const kNames[] = {L"cmd", L"icacls", L"ping"};
// In the order the system tries them for a bare name.
const wchar_t* const kExtensions[] = {L".com", L".exe", L".bat", L".cmd"};

std::wstring ProgramsFolder() {
  const wchar_t* folder = _wgetenv(L"KST_PLANTED_PROGRAMS");
  return folder != nullptr ? folder : L"";
}

// Where planted programs leave their markers (KST_PLANT_MARKERS for everything started while it
// lives), and the plants themselves, taken away again at the end. A plant is a copy of the marker
// program (as .com too: the system runs it by its content) or a one-line script that writes a
// marker.
class CPlants {
 public:
  CPlants()
      : markers_(MakeScratchFolder(L"plant-markers")), variable_(L"KST_PLANT_MARKERS", markers_) {}
  ~CPlants() {
    for (const std::wstring& plant : planted_) ::DeleteFileW(plant.c_str());
  }
  CPlants(const CPlants&) = delete;
  CPlants& operator=(const CPlants&) = delete;

  bool Plant(const std::wstring& path) {
    planted_.push_back(path);
    const std::wstring extension = path.substr(path.size() - 4);
    if (extension == L".exe" || extension == L".com") {
      return ::CopyFileW((ProgramsFolder() + L"\\kst_planted_program.exe").c_str(), path.c_str(),
                         FALSE) != 0;
    }
    const std::wstring marker = markers_ + L"\\script" + std::to_wstring(planted_.size()) + L".ran";
    std::ofstream script(std::filesystem::path(path), std::ios::binary);
    script << "@echo " << Utf8(path) << "> \"" << Utf8(marker) << "\"\r\n";
    return script.good();
  }

  // Every name with every extension.
  bool PlantIn(const std::wstring& folder) {
    bool planted = true;
    for (const wchar_t* name : kNames) {
      for (const wchar_t* extension : kExtensions)
        planted = Plant(folder + L"\\" + name + extension) && planted;
    }
    return planted;
  }

  // The paths of the plants that ran, as their markers name them.
  Strings Ran() const {
    Strings ran;
    for (const std::wstring& marker : ListFolder(markers_)) {
      std::vector<char> text = ReadFileBytes(markers_ + L"\\" + marker);
      std::string path(text.begin(), text.end());
      path.erase(path.find_last_not_of(" \r\n") + 1);
      ran.push_back(path);
    }
    return ran;
  }

 private:
  std::wstring markers_;
  CScopedVariable variable_;
  std::vector<std::wstring> planted_;
};

std::wstring SystemShell() { return SpecialFolder(CSIDL_SYSTEM) + L"\\cmd.exe"; }

// The plants are found when a program is looked for the careless way, so a plant that the
// installer or the uninstaller took would show: each name and extension alone in the folder that
// the system's shell starts in, and a cmd beside a program that starts "cmd" by bare name.
TEST(PlantedProgram, AStartByBareNameFindsThePlantsSoTheTestCanSeeThem) {
  ASSERT_FALSE(ProgramsFolder().empty()) << "KST_PLANTED_PROGRAMS is not set";
  for (const wchar_t* name : kNames) {
    for (const wchar_t* extension : kExtensions) {
      const std::wstring folder = MakeScratchFolder(L"plant-alone");
      const std::wstring plant = folder + L"\\" + name + extension;
      SCOPED_TRACE(Utf8(plant));
      CPlants plants;
      ASSERT_TRUE(plants.Plant(plant));
      CTestProcess shell;
      ASSERT_TRUE(shell.Start(SystemShell(), std::wstring(L"/c ") + name, folder));
      ASSERT_TRUE(shell.WaitForAllExit(30s));
      EXPECT_EQ(plants.Ran(), Strings{Utf8(plant)});
    }
  }

  const std::wstring folder = MakeScratchFolder(L"plant-beside");
  CPlants plants;
  ASSERT_TRUE(plants.Plant(folder + L"\\cmd.exe"));
  const std::wstring starter = folder + L"\\starter.exe";
  ASSERT_TRUE(
      ::CopyFileW((ProgramsFolder() + L"\\kst_plain_starter.exe").c_str(), starter.c_str(), FALSE));
  CTestProcess process;
  ASSERT_TRUE(process.Start(starter, L"cmd \"/c exit\""));
  ASSERT_TRUE(process.WaitForAllExit(30s));
  EXPECT_EQ(process.ExitCode(), 0u);
  EXPECT_EQ(plants.Ran(), Strings{Utf8(folder + L"\\cmd.exe")});
}

class PlantedProgramTest : public CleanSystemTest {};

// Planted beside a copy of the installer, in the folder both programs start in, in the program
// folder's parent (where the removal shell used to start) and, once the install has granted
// everyone full control there, beside the uninstaller.
TEST_F(PlantedProgramTest, NoPlantRunsDuringAnInstallOrAnUninstallOfEitherKind) {
  ASSERT_FALSE(ProgramsFolder().empty()) << "KST_PLANTED_PROGRAMS is not set";
  for (bool allUsers : {true, false}) {
    SCOPED_TRACE(allUsers ? "for all users" : "for the current user");
    ClearInstallState();
    const CInstallPlaces places = PlacesFor(allUsers);
    const std::wstring downloads = MakeScratchFolder(L"plant-downloads");
    const std::wstring working = MakeScratchFolder(L"plant-working");
    CPlants plants;
    ASSERT_TRUE(plants.PlantIn(downloads));
    ASSERT_TRUE(plants.PlantIn(working));
    ASSERT_TRUE(
        plants.PlantIn(places.programFolder.substr(0, places.programFolder.find_last_of(L'\\'))));

    ASSERT_NO_FATAL_FAILURE(Install(allUsers, CopyInstallerTo(downloads, L"instkst.exe"), working));
    ExpectCompleteInstall(allUsers);
    EXPECT_EQ(plants.Ran(), Strings{}) << "while installing";

    ASSERT_TRUE(plants.PlantIn(places.programFolder));
    CProxyDoubles doubles(L"");
    ASSERT_TRUE(doubles.Installed());
    CInstallerSession uninstaller;
    ASSERT_TRUE(uninstaller.Start(places.programFolder + L"\\uninstall.exe", true, working));
    ASSERT_TRUE(uninstaller.Press(kMainButton));
    bool startedShell = false;
    WaitForTheEnd(uninstaller, startedShell);

    EXPECT_TRUE(startedShell);
    EXPECT_EQ(plants.Ran(), Strings{}) << "while uninstalling";
    // The system's shell and ping did the removal.
    EXPECT_FALSE(FileExists(places.programFolder));
  }
}

// The product the install starts would otherwise inherit the installer's working folder, usually
// the downloads folder, and could load a DLL left there.
TEST_F(PlantedProgramTest, TheStartedProductWorksInItsProgramFolderNotTheInstallers) {
  const CInstallPlaces places = PlacesFor(false);
  const std::wstring working = MakeScratchFolder(L"plant-working");
  CInstallerSession installer;
  ASSERT_TRUE(installer.Start(InstallerPath(), true, working));
  ASSERT_TRUE(installer.Press(kSettingsLink));
  ASSERT_TRUE(installer.Press(kAllUsersBox));
  ASSERT_TRUE(installer.Press(kMainButton));
  ASSERT_EQ(installer.TextOf(kMainButton), "退出");

  std::vector<DWORD> products = StartedByDesktopShell(L"kestrel.exe");
  ASSERT_EQ(products.size(), 1u) << "the product was not started";
  auto product = ReadProcessStart(products.front());
  ASSERT_TRUE(product);
  EXPECT_EQ(Utf8(product->currentFolder), Utf8(places.programFolder));
  ASSERT_TRUE(installer.PressLater(kMainButton));
  ASSERT_TRUE(installer.Process().WaitForExit(10s));
}

}  // namespace
}  // namespace kst::test
