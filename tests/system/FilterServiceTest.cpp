// The filter service's registration, read back from the real service control manager.
#include <string>
#include <vector>

#include "system/FilterService.h"
#include "tests/support/TestProcess.h"
#include <gtest/gtest.h>

// shellapi.h needs the Windows types first.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

namespace {

constexpr wchar_t kServiceName[] = L"Lanwarden";

struct ServiceConfig {
  bool found = false;
  DWORD type = 0;
  DWORD startType = 0;
  DWORD errorControl = 0;
  std::wstring path;
  std::wstring displayName;
  std::wstring loadOrderGroup;
  std::wstring dependencies;
  std::wstring account;
};

ServiceConfig QueryConfig() {
  ServiceConfig config;
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) return config;
  SC_HANDLE service = OpenServiceW(manager, kServiceName, SERVICE_QUERY_CONFIG);
  if (service) {
    DWORD needed = 0;
    QueryServiceConfigW(service, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    auto* stored = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
    if (needed && QueryServiceConfigW(service, stored, needed, &needed)) {
      auto text = [](const wchar_t* value) { return std::wstring(value ? value : L""); };
      config.found = true;
      config.type = stored->dwServiceType;
      config.startType = stored->dwStartType;
      config.errorControl = stored->dwErrorControl;
      config.path = text(stored->lpBinaryPathName);
      config.displayName = text(stored->lpDisplayName);
      config.loadOrderGroup = text(stored->lpLoadOrderGroup);
      config.dependencies = text(stored->lpDependencies);
      config.account = text(stored->lpServiceStartName);
    }
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
  return config;
}

// The state through a fresh handle (the creating handle is not reliable under Wine); 0 when the
// service is not there.
DWORD CurrentState() {
  DWORD state = 0;
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) return state;
  SC_HANDLE service = OpenServiceW(manager, kServiceName, SERVICE_QUERY_STATUS);
  SERVICE_STATUS status;
  if (service && QueryServiceStatus(service, &status)) state = status.dwCurrentState;
  if (service) CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return state;
}

template <typename Reached>
bool WaitForStateThat(Reached reached) {
  for (int i = 0; i < 200; ++i) {
    if (reached(CurrentState())) return true;
    Sleep(50);
  }
  return false;
}

bool WaitForState(DWORD wanted) {
  return WaitForStateThat([wanted](DWORD state) { return state == wanted; });
}

bool StartService() {
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) return false;
  SC_HANDLE service = OpenServiceW(manager, kServiceName, SERVICE_START);
  bool started = service && StartServiceW(service, 0, nullptr);
  if (service) CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return started && WaitForState(SERVICE_RUNNING);
}

// Asks a running service to stop and waits until it has; ends the process of one that does not.
void StopService() {
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) return;
  SC_HANDLE service = OpenServiceW(manager, kServiceName, SERVICE_STOP);
  SERVICE_STATUS status;
  bool stopping = service && ControlService(service, SERVICE_CONTROL_STOP, &status);
  if (service) CloseServiceHandle(service);
  CloseServiceHandle(manager);
  // A service marked for deletion is gone as soon as it has stopped.
  if (stopping &&
      !WaitForStateThat([](DWORD state) { return state == SERVICE_STOPPED || state == 0; }))
    kst::test::EndServiceProcess(kServiceName);
}

// True when the registration is there and marked for deletion: deleting it again says so.
bool MarkedForDeletion() {
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) return false;
  SC_HANDLE service = OpenServiceW(manager, kServiceName, DELETE);
  bool marked =
      service && !DeleteService(service) && GetLastError() == ERROR_SERVICE_MARKED_FOR_DELETE;
  if (service) CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return marked;
}

// Stops a running registration and deletes it, whatever a test left behind.
void RemoveService() {
  StopService();
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) return;
  SC_HANDLE service = OpenServiceW(manager, kServiceName, DELETE);
  if (service) {
    DeleteService(service);
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
}

std::wstring TestFolder() {
  wchar_t path[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  return folder.substr(0, folder.rfind(L'\\'));
}

class FilterServiceTest : public ::testing::Test {
 protected:
  void SetUp() override { RemoveService(); }
  void TearDown() override { RemoveService(); }
};

TEST(ServiceCommandLine, QuotedOnlyWithASpace) {
  struct Case {
    std::wstring path;
    std::wstring command;
  };
  const std::wstring longSpaced = L"C:\\a b\\" + std::wstring(kst::kMaxPath - 1 - 7, L'x');
  const Case cases[] = {
      {L"C:\\ProgramData\\Kestrel\\kstservice.exe", L"C:\\ProgramData\\Kestrel\\kstservice.exe"},
      {L"C:\\Program Files\\Kestrel\\kstservice.exe",
       L"\"C:\\Program Files\\Kestrel\\kstservice.exe\""},
      {L"C:\\users\\Ann Lee\\AppData\\Local\\Kestrel\\kstservice.exe",
       L"\"C:\\users\\Ann Lee\\AppData\\Local\\Kestrel\\kstservice.exe\""},
      {L"C:\\trailing \\kstservice.exe", L"\"C:\\trailing \\kstservice.exe\""},
      {longSpaced, L"\"" + longSpaced + L"\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.path));
    wchar_t command[kst::kServiceCommandCapacity];
    ASSERT_TRUE(kst::ServiceCommandLine(c.path.c_str(), command, kst::kServiceCommandCapacity));
    EXPECT_EQ(std::wstring(command), c.command);
    // Split the way a command line is split, it gives back the whole path as one word.
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(command, &count);
    ASSERT_NE(words, nullptr);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(std::wstring(words[0]), c.path);
    LocalFree(words);
  }
}

TEST(ServiceCommandLine, RefusesWhatDoesNotFit) {
  struct Case {
    const wchar_t* path;
    size_t capacity;
    bool fits;
  };
  const Case cases[] = {
      {L"C:\\a.exe", 9, true}, {L"C:\\a.exe", 8, false}, {L"C:\\ b", 8, true},
      {L"C:\\ b", 7, false},   {L"", 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.path)) + " in " +
                 std::to_string(c.capacity));
    std::vector<wchar_t> command(c.capacity + 1, L'#');
    EXPECT_EQ(kst::ServiceCommandLine(c.path, command.data(), c.capacity), c.fits);
    EXPECT_EQ(command[c.capacity], L'#') << "written past the capacity";
  }
}

TEST_F(FilterServiceTest, RegistrationReadsBack) {
  struct Case {
    std::wstring program;
    std::wstring storedPath;
  };
  const Case cases[] = {
      {L"C:\\ProgramData\\Kestrel\\kstservice.exe", L"C:\\ProgramData\\Kestrel\\kstservice.exe"},
      {L"C:\\users\\Ann Lee\\AppData\\Local\\Kestrel\\kstservice.exe",
       L"\"C:\\users\\Ann Lee\\AppData\\Local\\Kestrel\\kstservice.exe\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.program));
    RemoveService();
    EXPECT_TRUE(kst::RegisterFilterService(c.program.c_str()));

    ServiceConfig config = QueryConfig();
    ASSERT_TRUE(config.found);
    EXPECT_EQ(config.displayName, L"Vazeruv Adodurizozo Rovavuv");
    EXPECT_EQ(config.type, 0x110u);
    EXPECT_EQ(config.startType, static_cast<DWORD>(SERVICE_AUTO_START));
    EXPECT_EQ(config.errorControl, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
    EXPECT_EQ(config.path, c.storedPath);
    EXPECT_EQ(config.loadOrderGroup, L"");
    EXPECT_EQ(config.dependencies, L"");
    EXPECT_EQ(config.account, L"LocalSystem");
    EXPECT_EQ(CurrentState(), static_cast<DWORD>(SERVICE_STOPPED)) << "registered, not started";
  }
}

// The second registration finds the first in place, which counts as registered.
TEST_F(FilterServiceTest, RegisteringAgainKeepsTheFirstRegistration) {
  EXPECT_TRUE(kst::RegisterFilterService(L"C:\\ProgramData\\Kestrel\\kstservice.exe"));
  EXPECT_TRUE(
      kst::RegisterFilterService(L"C:\\users\\Ann Lee\\AppData\\Local\\Kestrel\\kstservice.exe"));
  EXPECT_EQ(QueryConfig().path, L"C:\\ProgramData\\Kestrel\\kstservice.exe");
}

// A program path whose command line would not fit is not registered, and the step says so.
TEST_F(FilterServiceTest, APathTooLongForTheCommandLineIsNotRegistered) {
  const std::wstring program = L"C:\\" + std::wstring(kst::kMaxPath, L'p') + L"\\kstservice.exe";
  EXPECT_FALSE(kst::RegisterFilterService(program.c_str()));
  EXPECT_FALSE(QueryConfig().found);
}

TEST_F(FilterServiceTest, RemovalDeletesAStoppedService) {
  kst::RegisterFilterService(L"C:\\ProgramData\\Kestrel\\kstservice.exe");
  ASSERT_TRUE(QueryConfig().found);

  EXPECT_TRUE(kst::StopFilterService());
  EXPECT_TRUE(kst::RemoveFilterService());
  EXPECT_FALSE(QueryConfig().found);

  // Nothing there any more: a second removal finds nothing to do, and says so.
  EXPECT_TRUE(kst::StopFilterService());
  EXPECT_TRUE(kst::RemoveFilterService());
  EXPECT_FALSE(QueryConfig().found);
}

TEST_F(FilterServiceTest, ARunningServiceIsStoppedThenRemoved) {
  const std::wstring program = TestFolder() + L"\\kstservice.exe";
  ASSERT_NE(GetFileAttributesW(program.c_str()), INVALID_FILE_ATTRIBUTES);
  kst::RegisterFilterService(program.c_str());
  ASSERT_TRUE(StartService());

  EXPECT_TRUE(kst::StopFilterService());
  EXPECT_EQ(CurrentState(), static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_TRUE(kst::RemoveFilterService());
  EXPECT_FALSE(QueryConfig().found);
}

// A service that did not stop is not left registered: it goes as soon as it stops.
TEST_F(FilterServiceTest, ARunningServiceRemovedGoesWhenItStops) {
  const std::wstring program = TestFolder() + L"\\kstservice.exe";
  kst::RegisterFilterService(program.c_str());
  ASSERT_TRUE(StartService());

  EXPECT_TRUE(kst::RemoveFilterService());
  EXPECT_EQ(CurrentState(), static_cast<DWORD>(SERVICE_RUNNING));
  StopService();
  EXPECT_FALSE(QueryConfig().found);
}

// The wait for a service that takes the stop request and goes on running is bounded, and says it
// did not stop; the registration is then marked for deletion and goes when the process ends.
TEST_F(FilterServiceTest, AServiceThatIgnoresTheStopIsWaitedForBoundedAndStillMarkedForDeletion) {
  const std::wstring program = TestFolder() + L"\\stubborn_service.exe";
  ASSERT_NE(GetFileAttributesW(program.c_str()), INVALID_FILE_ATTRIBUTES);
  kst::RegisterFilterService(program.c_str());
  ASSERT_TRUE(StartService());

  const ULONGLONG before = GetTickCount64();
  EXPECT_FALSE(kst::StopFilterService());
  const ULONGLONG waited = GetTickCount64() - before;
  EXPECT_GE(waited, 14000u) << "the wait ended early";
  EXPECT_LT(waited, 30000u) << "the wait is not bounded";
  EXPECT_EQ(CurrentState(), static_cast<DWORD>(SERVICE_RUNNING));

  EXPECT_TRUE(kst::RemoveFilterService());
  EXPECT_TRUE(MarkedForDeletion());
  ASSERT_TRUE(kst::test::EndServiceProcess(kServiceName));
  EXPECT_TRUE(WaitForState(0)) << "still registered after its process ended";
}

}  // namespace
