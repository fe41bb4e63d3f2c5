// The exit codes and switches that administrators put into their tools, in every place they are
// written down: the program's own list, the usage box, the README and the package manifest.
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include <gtest/gtest.h>

namespace {

std::string ReadRepoFile(const std::string& relative) {
  std::ifstream file(std::string(KST_REPO_DIR) + "/" + relative, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

std::set<int> Matches(const std::string& text, const std::regex& pattern) {
  std::set<int> numbers;
  for (std::sregex_iterator it(text.begin(), text.end(), pattern), end; it != end; ++it)
    numbers.insert(std::stoi((*it)[1]));
  return numbers;
}

// kNoConsent is left out: only the window has the consent box, and the window's run ends with 0.
std::set<int> ProgramCodes() {
  return Matches(ReadRepoFile("sequences/ExitCode.h"),
                 std::regex(R"(\n\s*k(?!NoConsent\b)\w+ = (\d+),)"));
}

std::set<int> UsageBoxCodes() {
  wchar_t text[4096];
  kst::ComposeUsageText(kst::CCommandLine{}, text, 4096);
  std::set<int> codes;
  std::wstring usage(text);
  const size_t table = usage.find(L"退出码:\n");
  std::wstringstream lines(usage.substr(table == std::wstring::npos ? usage.size() : table));
  std::wstring line;
  while (std::getline(lines, line)) {
    const size_t tab = line.find(L'\t');
    if (tab != std::wstring::npos && tab > 0 && line.find_first_not_of(L"0123456789") == tab)
      codes.insert(std::stoi(line.substr(0, tab)));
  }
  return codes;
}

std::set<int> ReadmeCodes() {
  const std::string readme = ReadRepoFile("README.md");
  const size_t table = readme.find("| code | meaning |");
  const size_t end = readme.find("\n\n", table);
  if (table == std::string::npos) return {};
  return Matches(readme.substr(table, end - table), std::regex(R"(\n\| (\d+) \|)"));
}

std::string Manifest() { return ReadRepoFile("packaging/Tolvane.Veltrin.yaml.in"); }

std::set<int> ManifestCodes() {
  std::set<int> codes = Matches(Manifest(), std::regex(R"(InstallerReturnCode: (\d+))"));
  codes.insert(0);  // success needs no entry of its own
  return codes;
}

TEST(DeploymentLists, EveryPlaceListsTheProgramsExitCodes) {
  const std::set<int> program = ProgramCodes();
  ASSERT_GE(program.size(), 10u) << "the program's list was not read";
  EXPECT_EQ(UsageBoxCodes(), program) << "the usage box";
  EXPECT_EQ(ReadmeCodes(), program) << "the README's table";
  EXPECT_EQ(ManifestCodes(), program) << "the package manifest";
}

// Each switch the manifest hands the package manager is one the program takes, with its meaning.
TEST(DeploymentLists, TheManifestsSwitchesAreThePrograms) {
  const std::string manifest = Manifest();
  struct Case {
    const char* key;
    bool kst::CCommandLine::* flag;
  } const cases[] = {
      {"Silent", &kst::CCommandLine::silent},
      {"SilentWithProgress", &kst::CCommandLine::silent},
      {"Custom", &kst::CCommandLine::allUsers},
      {"Log", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    std::smatch found;
    ASSERT_TRUE(
        std::regex_search(manifest, found, std::regex(std::string("\n\\s*") + c.key + ": (\\S+)")));
    std::string value = found[1];
    const std::string logPath = "C:\\logs\\setup.log";
    const size_t placeholder = value.find("<LOGPATH>");
    if (placeholder != std::string::npos) value.replace(placeholder, 9, logPath);
    const std::wstring line(value.begin(), value.end());
    kst::CCommandLine parsed;
    ASSERT_TRUE(kst::ParseCommandLine(line.c_str(), parsed)) << value;
    if (c.flag != nullptr) {
      EXPECT_TRUE(parsed.*c.flag) << value;
    } else {
      EXPECT_EQ(std::wstring(parsed.logPath.Get()), std::wstring(logPath.begin(), logPath.end()));
    }
  }
}

}  // namespace
