// The proxy reset. It runs in a child program (ProxyTestChild.cpp) that loads the stand-in DLLs
// by itself; the test reads the calls it made from the log of stand-in DLLs swapped into
// the prefix's system folder (doubles/), its exit code, and that it showed no message box.
#include <windows.h>

#include <raserror.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "base/Handles.h"
#include "base/SystemLibrary.h"
#include "system/ProxySettings.h"
#include "tests/support/MessageBoxWatcher.h"
#include "tests/support/TestProcess.h"
#include "tests/support/TestWindows.h"
#include <gtest/gtest.h>

namespace {

using kst::test::CMessageBoxRecord;
using kst::test::CMessageBoxWatcher;
using kst::test::CTestProcess;
using kst::test::Utf8;
using Lines = std::vector<std::string>;
using Variables = std::vector<std::pair<std::wstring, std::wstring>>;

constexpr const wchar_t* kDoubleNames[] = {L"wininet.dll", L"rasapi32.dll"};

// ---------------------------------------------------------------------------------------------
// The option list, for both settings and for the LAN as well as a named connection.

struct OptionListCase {
  const wchar_t* connection;
  bool proxyOn;
  DWORD flags;
  const wchar_t* bypass;
};

TEST(ProxyOptionListTest, HoldsTheFiveOptionsOfTheSettingInOrder) {
  const OptionListCase cases[] = {
      {nullptr, true, PROXY_TYPE_DIRECT | PROXY_TYPE_PROXY, L"<-loopback>;"},
      {nullptr, false, PROXY_TYPE_DIRECT, nullptr},
      {L"VPN", true, PROXY_TYPE_DIRECT | PROXY_TYPE_PROXY, L"<-loopback>;"},
      {L"VPN", false, PROXY_TYPE_DIRECT, nullptr},
  };
  for (const OptionListCase& c : cases) {
    SCOPED_TRACE(Utf8(c.connection ? c.connection : L"LAN") + (c.proxyOn ? " on" : " off"));
    // Left-overs of an earlier use must not show through.
    INTERNET_PER_CONN_OPTIONW options[kst::kProxyOptionCount];
    INTERNET_PER_CONN_OPTION_LISTW list;
    memset(options, 0xCC, sizeof options);
    memset(&list, 0xCC, sizeof list);

    kst::FillProxyOptionList(c.connection, c.proxyOn, options, &list);

    EXPECT_EQ(list.dwSize, sizeof(INTERNET_PER_CONN_OPTION_LISTW));
    EXPECT_EQ(list.pszConnection, c.connection);
    EXPECT_EQ(list.dwOptionCount, 5u);
    EXPECT_EQ(list.pOptions, options);
    EXPECT_EQ(options[0].dwOption, DWORD{INTERNET_PER_CONN_FLAGS});
    EXPECT_EQ(options[0].Value.dwValue, c.flags);
    EXPECT_EQ(options[1].dwOption, DWORD{INTERNET_PER_CONN_PROXY_SERVER});
    EXPECT_EQ(options[1].Value.pszValue, nullptr);
    EXPECT_EQ(options[2].dwOption, DWORD{INTERNET_PER_CONN_PROXY_BYPASS});
    if (c.bypass == nullptr) {
      EXPECT_EQ(options[2].Value.pszValue, nullptr);
    } else {
      ASSERT_NE(options[2].Value.pszValue, nullptr);
      EXPECT_EQ(std::wstring(options[2].Value.pszValue), c.bypass);
    }
    EXPECT_EQ(options[3].dwOption, DWORD{INTERNET_PER_CONN_AUTOCONFIG_URL});
    EXPECT_EQ(options[3].Value.pszValue, nullptr);
    EXPECT_EQ(options[4].dwOption, DWORD{INTERNET_PER_CONN_AUTODISCOVERY_FLAGS});
    EXPECT_EQ(options[4].Value.dwValue, 0u);
  }
}

// ---------------------------------------------------------------------------------------------
// System DLLs loaded by full path (the reset's way to WinINet and RAS).

TEST(SystemLibraryTest, GivesTheSystemDllsFunctionsAndNullForWhatIsNotThere) {
  FARPROC fromKernel = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetTickCount");
  EXPECT_EQ(kst::GetSystemProcAddress(L"kernel32.dll", "GetTickCount"), fromKernel);
  EXPECT_EQ(kst::GetSystemProcAddress(L"kernel32.dll", "NoSuchFunction"), nullptr);
  EXPECT_EQ(kst::GetSystemProcAddress(L"kstnosuch.dll", "GetTickCount"), nullptr);
  // Only bare names: the result would be the same DLL, but the rule keeps callers in the folder.
  EXPECT_EQ(kst::GetSystemProcAddress(L".\\kernel32.dll", "GetTickCount"), nullptr);
  EXPECT_EQ(kst::GetSystemProcAddress(L"averylongname.dll", "GetTickCount"), nullptr);
}

// ---------------------------------------------------------------------------------------------
// Runs of the child program.

std::wstring FolderOfThisProgram() {
  wchar_t path[MAX_PATH] = L"";
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  return folder.substr(0, folder.find_last_of(L'\\'));
}

std::wstring DoublesFolder() { return FolderOfThisProgram() + L"\\doubles"; }

std::wstring SystemFolder() {
  wchar_t path[MAX_PATH] = L"";
  UINT length = GetSystemDirectoryW(path, MAX_PATH);
  return std::wstring(path, length);
}

std::optional<std::wstring> Variable(const std::wstring& name) {
  std::vector<wchar_t> buffer(32768);
  SetLastError(ERROR_SUCCESS);
  DWORD length =
      GetEnvironmentVariableW(name.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
  if (length == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
  return std::wstring(buffer.data(), length);
}

// Sets variables of this process for the child to inherit, and puts the old values back.
class CScopedVariables {
 public:
  explicit CScopedVariables(const Variables& variables) {
    for (const auto& [name, value] : variables) {
      saved_.emplace_back(name, Variable(name));
      SetEnvironmentVariableW(name.c_str(), value.c_str());
    }
  }
  ~CScopedVariables() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      SetEnvironmentVariableW(it->first.c_str(), it->second ? it->second->c_str() : nullptr);
    }
  }
  CScopedVariables(const CScopedVariables&) = delete;
  CScopedVariables& operator=(const CScopedVariables&) = delete;

 private:
  std::vector<std::pair<std::wstring, std::optional<std::wstring>>> saved_;
};

struct ChildRun {
  bool ended = false;
  DWORD exitCode = STILL_ACTIVE;
  Lines calls;    // the child's own lines and the calls into the stand-ins, in order
  Lines loads;    // "load <dll> <path>"
  Lines unloads;  // "unload <dll>"
  std::vector<CMessageBoxRecord> boxes;
};

Lines ReadLines(const std::wstring& path) {
  std::ifstream file(std::filesystem::path(path), std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  Lines lines;
  std::string line;
  while (std::getline(text, line)) lines.push_back(line);
  return lines;
}

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// Makes Wine load the stand-ins for the child program alone, as WINEDLLOVERRIDES would for its
// process; a WINEDLLOVERRIDES changed here does not reach the child, which starts with the value
// that Wine itself started with.
class CNativeDllsForChild {
 public:
  CNativeDllsForChild() {
    kst::CRegKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kChildOverridesKey, 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, key.Receive(), nullptr) != ERROR_SUCCESS) {
      return;
    }
    static const wchar_t kNative[] = L"native";
    for (const wchar_t* dll : {L"wininet", L"rasapi32"}) {
      RegSetValueExW(key.Get(), dll, 0, REG_SZ, reinterpret_cast<const BYTE*>(kNative),
                     sizeof kNative);
    }
  }
  ~CNativeDllsForChild() { RegDeleteTreeW(HKEY_CURRENT_USER, kChildAppKey); }
  CNativeDllsForChild(const CNativeDllsForChild&) = delete;
  CNativeDllsForChild& operator=(const CNativeDllsForChild&) = delete;

 private:
  static constexpr wchar_t kChildAppKey[] = L"Software\\Wine\\AppDefaults\\proxy_child.exe";
  static constexpr wchar_t kChildOverridesKey[] =
      L"Software\\Wine\\AppDefaults\\proxy_child.exe\\DllOverrides";
};

// Runs the child with these variables added to the environment; with useDoubles it loads the
// stand-ins in the system folder instead of Wine's own DLLs.
ChildRun RunChild(Variables variables, bool useDoubles = true) {
  static int runNumber = 0;
  wchar_t temp[MAX_PATH] = L"";
  GetTempPathW(MAX_PATH, temp);
  std::wstring log = std::wstring(temp) + L"kst-proxy-" + std::to_wstring(GetCurrentProcessId()) +
                     L"-" + std::to_wstring(++runNumber) + L".log";
  DeleteFileW(log.c_str());
  variables.emplace_back(L"KST_DOUBLE_LOG", log);
  std::optional<CNativeDllsForChild> nativeDlls;
  if (useDoubles) nativeDlls.emplace();

  ChildRun run;
  CTestProcess child;
  {
    CScopedVariables scoped(variables);
    if (!child.Start(DoublesFolder() + L"\\proxy_child.exe")) {
      ADD_FAILURE() << "the child program did not start";
      return run;
    }
  }
  CMessageBoxWatcher watcher(child.Id());
  run.ended = child.WaitForExit(std::chrono::seconds(60));
  run.exitCode = child.ExitCode();
  run.boxes = watcher.Boxes();
  for (const std::string& line : ReadLines(log)) {
    if (StartsWith(line, "load ")) {
      run.loads.push_back(line);
    } else if (StartsWith(line, "unload ")) {
      run.unloads.push_back(line);
    } else {
      run.calls.push_back(line);
    }
  }
  DeleteFileW(log.c_str());
  return run;
}

// The log lines of the calls, as the stand-ins write them.
constexpr const char* kLan = nullptr;
constexpr DWORD kRecord = 1048;  // sizeof(RASENTRYNAMEW)
const std::string kStart = "child start";
const std::string kReturned = "child returned 1";
// The reset's answer after a refused call; nothing is set after that call.
const std::string kRefused = "child returned 0";

// One connection's setting: its options, then the change notice.
Lines Setting(const char* connection, bool proxyOn) {
  std::string size = std::to_string(sizeof(INTERNET_PER_CONN_OPTION_LISTW));
  std::string name = connection ? std::string("\"") + connection + "\"" : "null";
  return {"InternetSetOptionW 75 handle=null length=" + size + " size=" + size +
              " connection=" + name + " count=5 options=1:" + (proxyOn ? "3" : "1") +
              " 2:null 3:" + (proxyOn ? "\"<-loopback>;\"" : "null") + " 4:null 5:0 -> ok",
          "InternetSetOptionW 95 handle=null length=0 buffer=null -> ok"};
}

Lines Enumeration(DWORD sizeGiven, DWORD result, DWORD sizeAfter, DWORD entries) {
  return {"RasEnumEntriesW reserved=null phonebook=null size=" + std::to_string(sizeGiven) +
          " -> " + std::to_string(result) + " size=" + std::to_string(sizeAfter) +
          " entries=" + std::to_string(entries)};
}

void Append(Lines& calls, const Lines& part) {
  calls.insert(calls.end(), part.begin(), part.end());
}

Lines Calls(std::initializer_list<Lines> parts) {
  Lines calls;
  for (const Lines& part : parts) Append(calls, part);
  return calls;
}

// A whole reset with the phone-book entries A and B.
Lines TwoEntryCalls() {
  return Calls({
      {kStart},
      Setting(kLan, true),
      Enumeration(kRecord, ERROR_BUFFER_TOO_SMALL, 2 * kRecord, 2),
      Enumeration(2 * kRecord, ERROR_SUCCESS, 2 * kRecord, 2),
      Setting("A", true),
      Setting("B", true),
      Setting(kLan, false),
      Setting("A", false),
      Setting("B", false),
      {kReturned},
  });
}

// The stand-ins were unloaded again, which a terminated process does not do: the process ended
// through an ordinary exit.
void ExpectOrdinaryExit(const ChildRun& run) {
  ASSERT_FALSE(run.loads.empty());
  for (const std::string& load : run.loads) {
    std::string dll = load.substr(5, load.find(' ', 5) - 5);
    EXPECT_NE(std::find(run.unloads.begin(), run.unloads.end(), "unload " + dll), run.unloads.end())
        << dll << " was not unloaded";
  }
}

void ExpectReturned(const ChildRun& run) {
  ASSERT_TRUE(run.ended);
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_TRUE(run.boxes.empty()) << (run.boxes.empty() ? "" : Utf8(run.boxes[0].text));
}

// Moves a file of the system folder aside for one scope. Each gets a name of its own: a test that
// moves a stand-in aside while the suite has Wine's own DLL aside must not overwrite that copy.
class CFileAside {
 public:
  explicit CFileAside(std::wstring path)
      : path_(std::move(path)), aside_(path_ + L".kst-aside" + std::to_wstring(++count_)) {
    moved_ = MoveFileExW(path_.c_str(), aside_.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
  }
  ~CFileAside() {
    if (!moved_) return;
    DeleteFileW(path_.c_str());
    MoveFileExW(aside_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING);
  }
  CFileAside(const CFileAside&) = delete;
  CFileAside& operator=(const CFileAside&) = delete;
  bool Moved() const { return moved_; }

 private:
  static inline int count_ = 0;
  std::wstring path_;
  std::wstring aside_;
  bool moved_ = false;
};

// Wine's own DLLs answer wrongly for these tests (its WinINet refuses the change notice, its RAS
// never has entries), so the stand-ins take their place in the system folder while the suite runs.
// Other programs keep Wine's own, which Wine loads first unless told otherwise.
class ProxyResetTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    installed_ = true;
    for (const wchar_t* name : kDoubleNames) {
      std::wstring target = SystemFolder() + L"\\" + name;
      builtins_.push_back(std::make_unique<CFileAside>(target));
      installed_ = installed_ && builtins_.back()->Moved() &&
                   CopyFileW((DoublesFolder() + L"\\" + name).c_str(), target.c_str(), FALSE);
    }
  }
  static void TearDownTestSuite() { builtins_.clear(); }
  void SetUp() override { ASSERT_TRUE(installed_) << "the stand-in DLLs could not be installed"; }

  static inline bool installed_ = false;
  static inline std::vector<std::unique_ptr<CFileAside>> builtins_;
};

TEST_F(ProxyResetTest, WithoutEntriesSetsTheLanAndAsksForEntriesInBothPasses) {
  ChildRun run = RunChild({});

  ExpectReturned(run);
  EXPECT_EQ(run.calls, Calls({
                           {kStart},
                           Setting(kLan, true),
                           Enumeration(kRecord, ERROR_SUCCESS, 0, 0),
                           Setting(kLan, false),
                           Enumeration(kRecord, ERROR_SUCCESS, 0, 0),
                           {kReturned},
                       }));
}

TEST_F(ProxyResetTest, TwoEntriesAreSetAfterTheLanInEachPassAndReadOnce) {
  ChildRun run = RunChild({{L"KST_RAS_ENTRIES", L"A;B"}});

  ExpectReturned(run);
  EXPECT_EQ(run.calls, TwoEntryCalls());
  // Both from the system folder, although DLLs of the same names lie beside the program.
  Lines expectedLoads;
  for (const wchar_t* name : kDoubleNames) {
    expectedLoads.push_back("load " + Utf8(name) + " " + Utf8(SystemFolder() + L"\\" + name));
  }
  EXPECT_EQ(run.loads, expectedLoads);
}

TEST_F(ProxyResetTest, AnEntryThatFitsTheFirstBufferIsStillReadAgain) {
  ChildRun run = RunChild({{L"KST_RAS_ENTRIES", L"宽带连接"}});

  ExpectReturned(run);
  EXPECT_EQ(run.calls, Calls({
                           {kStart},
                           Setting(kLan, true),
                           Enumeration(kRecord, ERROR_SUCCESS, kRecord, 1),
                           Enumeration(kRecord, ERROR_SUCCESS, kRecord, 1),
                           Setting("宽带连接", true),
                           Setting(kLan, false),
                           Setting("宽带连接", false),
                           {kReturned},
                       }));
}

TEST_F(ProxyResetTest, OfFortyEntriesTheFirst32AreSet) {
  std::wstring entries;
  for (int i = 1; i <= 40; ++i) entries += (i > 1 ? L";E" : L"E") + std::to_wstring(i);
  ChildRun run = RunChild({{L"KST_RAS_ENTRIES", entries}});

  ExpectReturned(run);
  Lines expected = Calls({
      {kStart},
      Setting(kLan, true),
      Enumeration(kRecord, ERROR_BUFFER_TOO_SMALL, 40 * kRecord, 40),
      Enumeration(40 * kRecord, ERROR_SUCCESS, 40 * kRecord, 40),
  });
  auto entry = [](int i) { return "E" + std::to_string(i); };
  for (int i = 1; i <= 32; ++i) Append(expected, Setting(entry(i).c_str(), true));
  Append(expected, Setting(kLan, false));
  for (int i = 1; i <= 32; ++i) Append(expected, Setting(entry(i).c_str(), false));
  expected.push_back(kReturned);
  EXPECT_EQ(run.calls, expected);
}

TEST_F(ProxyResetTest, AFailedEnumerationMeansNoEntries) {
  ChildRun run = RunChild({{L"KST_RAS_ENTRIES", L"A;B"},
                           {L"KST_RAS_RESULT", std::to_wstring(ERROR_CANNOT_OPEN_PHONEBOOK)}});

  ExpectReturned(run);
  EXPECT_EQ(run.calls, Calls({
                           {kStart},
                           Setting(kLan, true),
                           Enumeration(kRecord, ERROR_CANNOT_OPEN_PHONEBOOK, kRecord, 0),
                           Setting(kLan, false),
                           Enumeration(kRecord, ERROR_CANNOT_OPEN_PHONEBOOK, kRecord, 0),
                           {kReturned},
                       }));
}

TEST_F(ProxyResetTest, WithoutRasapiOnlyTheLanIsSet) {
  CFileAside rasapi(SystemFolder() + L"\\rasapi32.dll");
  ASSERT_TRUE(rasapi.Moved());
  ChildRun run = RunChild({{L"KST_RAS_ENTRIES", L"A;B"}});

  ExpectReturned(run);
  EXPECT_EQ(run.calls, Calls({{kStart}, Setting(kLan, true), Setting(kLan, false), {kReturned}}));
}

// A refused call of either kind, in either pass, ends the reset at once: the log ends with that
// call and the reset's false answer. The reset shows nothing; the uninstall reports it.
TEST_F(ProxyResetTest, ARefusedCallEndsTheResetThere) {
  for (int failAt : {1, 2, 5, 8, 12}) {
    SCOPED_TRACE("call " + std::to_string(failAt) + " refused");
    ChildRun run =
        RunChild({{L"KST_RAS_ENTRIES", L"A;B"}, {L"KST_INET_FAIL_AT", std::to_wstring(failAt)}});

    Lines expected;
    int setCalls = 0;
    for (std::string line : TwoEntryCalls()) {
      bool refused = StartsWith(line, "InternetSetOptionW") && ++setCalls == failAt;
      if (refused) line.replace(line.rfind("-> ok"), 5, "-> failed");
      expected.push_back(line);
      if (refused) break;
    }
    expected.push_back(kRefused);
    ExpectReturned(run);
    EXPECT_EQ(run.calls, expected);
    ExpectOrdinaryExit(run);
  }
}

TEST_F(ProxyResetTest, WithoutWininetTheResetFailsAtOnce) {
  CFileAside wininet(SystemFolder() + L"\\wininet.dll");
  ASSERT_TRUE(wininet.Moved());
  ChildRun run = RunChild({{L"KST_RAS_ENTRIES", L"A;B"}});

  ExpectReturned(run);
  EXPECT_EQ(run.calls, (Lines{kStart, kRefused}));
}

// Wine 8's own WinINet takes the options but refuses the change notice, so there the reset ends
// at its first connection.
TEST(ProxyResetWithWineTest, RefusedNoticeEndsTheReset) {
  ChildRun run = RunChild({}, false);

  ExpectReturned(run);
  EXPECT_EQ(run.calls, (Lines{kStart, kRefused}));
}

}  // namespace
