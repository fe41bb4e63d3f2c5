#include "InstallState.h"

#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <thread>

#include "InstallerProgram.h"
#include "InstallerSession.h"
#include "base/Handles.h"
#include "install/DefaultSettings.h"
#include "install/Folders.h"
#include "install/ProductComponents.h"
#include "tests/support/TestProcess.h"
#include "tests/support/TestWindows.h"
#include <gtest/gtest.h>

namespace kst::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr wchar_t kMakerKey[] = L"Software\\tolvane";
constexpr wchar_t kProductKey[] = L"Software\\tolvane\\kestrel";
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValue[] = L"kestrel";
// The product's entry in the system's list of installed programs.
constexpr wchar_t kInstalledProgramsEntry[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Veltrin";

std::wstring HiveName(HKEY hive) { return hive == HKEY_LOCAL_MACHINE ? L"HKLM" : L"HKCU"; }

uint32_t Checksum(const std::vector<char>& bytes) {
  uint32_t hash = 2166136261u;  // FNV-1a
  for (char byte : bytes) hash = (hash ^ static_cast<uint8_t>(byte)) * 16777619u;
  return hash;
}

void ListFolder(const fs::path& folder, std::vector<std::string>& lines) {
  std::error_code error;
  if (!fs::exists(folder, error)) return;
  lines.push_back("folder " + Utf8(folder.wstring()));
  for (auto it = fs::recursive_directory_iterator(folder, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    const fs::path& path = it->path();
    if (it->is_directory(error)) {
      lines.push_back("folder " + Utf8(path.wstring()));
    } else {
      std::vector<char> bytes = ReadFileBytes(path.wstring());
      lines.push_back("file " + Utf8(path.wstring()) + " " + std::to_string(bytes.size()) + " " +
                      std::to_string(Checksum(bytes)));
    }
  }
}

std::string ValueText(DWORD type, const std::vector<BYTE>& data) {
  if (type == REG_DWORD && data.size() == 4) {
    DWORD number = 0;
    memcpy(&number, data.data(), 4);
    return "dword:" + std::to_string(number);
  }
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
    return "sz:" + Utf8(text.substr(0, text.find(L'\0')));
  }
  std::string hex = "type" + std::to_string(type) + ":";
  for (BYTE byte : data) hex += std::to_string(byte) + ",";
  return hex;
}

// Every value of the key and of the keys below it.
void ListKey(HKEY hive, const std::wstring& path, std::vector<std::string>& lines) {
  CRegKey key;
  if (::RegOpenKeyExW(hive, path.c_str(), 0, KEY_READ, key.Receive()) != ERROR_SUCCESS) return;
  const std::string where = Utf8(HiveName(hive) + L"\\" + path);
  lines.push_back("key " + where);
  for (DWORD index = 0;; ++index) {
    wchar_t name[16384];
    DWORD nameLength = 16384;
    DWORD type = 0;
    BYTE data[4096];
    DWORD size = sizeof data;
    if (::RegEnumValueW(key.Get(), index, name, &nameLength, nullptr, &type, data, &size) !=
        ERROR_SUCCESS)
      break;
    lines.push_back("value " + where + " " + Utf8(name) + "=" +
                    ValueText(type, std::vector<BYTE>(data, data + size)));
  }
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD nameLength = 256;
    if (::RegEnumKeyExW(key.Get(), index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    ListKey(hive, path + L"\\" + name, lines);
  }
}

void ListRunValue(HKEY hive, std::vector<std::string>& lines) {
  wchar_t data[1024] = L"";
  DWORD size = sizeof data - sizeof(wchar_t);
  DWORD type = 0;
  if (::RegGetValueW(hive, kRunKey, kRunValue, RRF_RT_ANY | RRF_NOEXPAND, &type, data, &size) ==
      ERROR_SUCCESS)
    lines.push_back("run " + Utf8(HiveName(hive)) + " " + Utf8(data));
}

void DeleteRunValue(HKEY hive) {
  CRegKey key;
  if (::RegOpenKeyExW(hive, kRunKey, 0, KEY_SET_VALUE, key.Receive()) == ERROR_SUCCESS)
    ::RegDeleteValueW(key.Get(), kRunValue);
}

void RemoveAll(const std::wstring& path) {
  std::error_code error;
  fs::remove_all(path, error);
}

void RemoveFilterService() {
  CServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (!manager) return;
  CServiceHandle service(::OpenServiceW(manager.Get(), kFilterServiceName, SERVICE_ALL_ACCESS));
  if (!service) return;
  SERVICE_STATUS status = {};
  if (::QueryServiceStatus(service.Get(), &status) && status.dwCurrentState != SERVICE_STOPPED) {
    ::ControlService(service.Get(), SERVICE_CONTROL_STOP, &status);
    for (int i = 0; i < 100 && ::QueryServiceStatus(service.Get(), &status) &&
                    status.dwCurrentState != SERVICE_STOPPED;
         ++i)
      std::this_thread::sleep_for(100ms);
    // What a test left of a service that never stops.
    if (status.dwCurrentState != SERVICE_STOPPED) EndServiceProcess(kFilterServiceName);
  }
  ::DeleteService(service.Get());
}

struct CLinkFacts {
  bool loaded = false;
  std::wstring target;
  std::wstring arguments;
  std::wstring iconPath;
  int iconIndex = -1;
};

CLinkFacts ReadLink(const std::wstring& linkFile) {
  CLinkFacts facts;
  HRESULT initialised = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IShellLinkW* link = nullptr;
  if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link)))) {
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      if (SUCCEEDED(file->Load(linkFile.c_str(), STGM_READ))) {
        wchar_t text[MAX_PATH * 2] = L"";
        facts.loaded = true;
        if (SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH))) facts.target = text;
        text[0] = L'\0';
        if (SUCCEEDED(link->GetArguments(text, MAX_PATH))) facts.arguments = text;
        text[0] = L'\0';
        if (SUCCEEDED(link->GetIconLocation(text, MAX_PATH, &facts.iconIndex)))
          facts.iconPath = text;
      }
      file->Release();
    }
    link->Release();
  }
  if (SUCCEEDED(initialised)) ::CoUninitialize();
  return facts;
}

void ExpectLink(const std::wstring& linkFile, const std::wstring& target,
                const std::wstring& arguments) {
  SCOPED_TRACE(Utf8(linkFile));
  CLinkFacts link = ReadLink(linkFile);
  ASSERT_TRUE(link.loaded);
  EXPECT_EQ(Utf8(link.target), Utf8(target));
  EXPECT_EQ(Utf8(link.arguments), Utf8(arguments));
  EXPECT_EQ(Utf8(link.iconPath), Utf8(target));
  EXPECT_EQ(link.iconIndex, 0);
}

std::vector<char> DefaultSettings() {
  std::vector<char> text(4096);
  text.resize(ComposeDefaultSettings(text.data(), text.size()));
  return text;
}

}  // namespace

std::wstring SpecialFolder(int csidl) {
  wchar_t path[MAX_PATH] = L"";
  return SUCCEEDED(::SHGetFolderPathW(nullptr, csidl, nullptr, 0, path)) ? path : L"";
}

CInstallPlaces PlacesFor(bool allUsers) {
  CInstallPlaces places;
  const std::wstring local = SpecialFolder(CSIDL_LOCAL_APPDATA);
  places.programFolder = (allUsers ? SpecialFolder(CSIDL_COMMON_APPDATA) : local) + L"\\Kestrel";
  places.dataRoot = local + L"\\Kestrel";
  places.systemData = places.dataRoot + L"\\sysdata";
  places.userData = places.dataRoot + L"\\userdata";
  places.startMenuFolder =
      SpecialFolder(allUsers ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS) + L"\\Veltrin";
  places.desktopLink =
      SpecialFolder(allUsers ? CSIDL_COMMON_DESKTOPDIRECTORY : CSIDL_DESKTOPDIRECTORY) +
      L"\\Veltrin.lnk";
  places.runHive = allUsers ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  return places;
}

std::wstring Uninstaller(const CInstallPlaces& places) {
  return places.programFolder + L"\\uninstall.exe";
}

const CProductFile kProductFiles[15] = {
    {L"kestrel.exe", ProductFolder::kProgram, L"kestrel.exe"},
    {L"kstupdate.exe", ProductFolder::kProgram, L"kstupdate.exe"},
    {L"KestrelMain.exe", ProductFolder::kProgram, L"KestrelMain.exe"},
    {L"App_Themesu.dll", ProductFolder::kProgram, L"App_Themesu.dll"},
    {L"ksthooker32.dll", ProductFolder::kProgram, L"ksthooker32.dll"},
    {L"kstservice.exe", ProductFolder::kProgram, L"kstservice.exe"},
    {L"Kestrel_Global.config", ProductFolder::kProgram, L"App_Config\\Kestrel_Global.config"},
    {L"default.themes", ProductFolder::kProgram, L"App_Themes\\Themes\\default.themes"},
    {L"filelist", ProductFolder::kSystemData, L"filelist"},
    {L"badword.txt", ProductFolder::kSystemData, L"badword.txt"},
    {L"kestrelrules.txt", ProductFolder::kSystemData, L"kestrelrules.txt"},
    {L"easylistchina.txt", ProductFolder::kSystemData, L"easylistchina.txt"},
    {L"malwaredomains_full.txt", ProductFolder::kSystemData, L"malwaredomains_full.txt"},
    {L"easyprivacy.txt", ProductFolder::kSystemData, L"easyprivacy.txt"},
    {L"gooddomain.txt", ProductFolder::kUserData, L"gooddomain.txt"},
};

std::wstring InstalledPath(const CInstallPlaces& places, const CProductFile& file) {
  switch (file.folder) {
    case ProductFolder::kProgram:
      return places.programFolder + L"\\" + file.relativePath;
    case ProductFolder::kSystemData:
      return places.systemData + L"\\" + file.relativePath;
    case ProductFolder::kUserData:
      return places.userData + L"\\" + file.relativePath;
  }
  return {};
}

std::wstring PayloadFile(const wchar_t* name) {
  const wchar_t* folder = _wgetenv(L"KST_PAYLOAD");
  return std::wstring(folder != nullptr ? folder : L"") + L"\\" + name;
}

bool FileExists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsProductMainWindowPresent() {
  return ::FindWindowA(kMainWindowClass, kMainWindowTitle) != nullptr;
}

bool IsAnyProductWindowPresent() {
  return IsProductMainWindowPresent() ||
         ::FindWindowA(kUpdaterWindowClass, kUpdaterWindowTitle) != nullptr;
}

void SetProductValue(const wchar_t* name, DWORD type, const void* data, DWORD size) {
  CRegKey key;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_SET_VALUE, key.Receive()),
            ERROR_SUCCESS);
  ASSERT_EQ(::RegSetValueExW(key.Get(), name, 0, type, static_cast<const BYTE*>(data), size),
            ERROR_SUCCESS);
}

void DeleteProductValue(const wchar_t* name) {
  CRegKey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_SET_VALUE, key.Receive()) ==
      ERROR_SUCCESS)
    ::RegDeleteValueW(key.Get(), name);
}

// The window goes before its program has ended and let go of its files: the program is waited
// for too, so that the next step of a test can replace them.
void CloseProductWindows() {
  const std::pair<const char*, const char*> windows[] = {
      {kMainWindowClass, kMainWindowTitle}, {kUpdaterWindowClass, kUpdaterWindowTitle}};
  for (const auto& [className, title] : windows) {
    for (int i = 0; i < 100; ++i) {
      HWND window = ::FindWindowA(className, title);
      if (!window) break;
      DWORD processId = 0;
      ::GetWindowThreadProcessId(window, &processId);
      CKernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, processId));
      DWORD_PTR ignored = 0;
      ::SendMessageTimeoutW(window, kCloseRequestMessage, 0, 0, SMTO_NORMAL, 1000, &ignored);
      if (process) ::WaitForSingleObject(process.Get(), 10000);
      std::this_thread::sleep_for(50ms);
    }
  }
}

CHeldFile::CHeldFile(const std::wstring& path) {
  ::SHCreateDirectoryExW(nullptr, path.substr(0, path.find_last_of(L'\\')).c_str(), nullptr);
  file_.Reset(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  ::WriteFile(file_.Get(), kContent, sizeof kContent - 1, &written, nullptr);
}

void ClearInstallState() {
  CloseProductWindows();
  RemoveFilterService();
  for (bool allUsers : {true, false}) {
    CInstallPlaces places = PlacesFor(allUsers);
    RemoveAll(places.programFolder);
    RemoveAll(places.startMenuFolder);
    ::DeleteFileW(places.desktopLink.c_str());
    DeleteRunValue(places.runHive);
    ::RegDeleteTreeW(places.runHive, kInstalledProgramsEntry);
    ::RegDeleteKeyW(places.runHive, kInstalledProgramsEntry);
  }
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kMakerKey);
  ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kMakerKey);
}

std::vector<std::string> InstallStateListing() {
  std::vector<std::string> lines;
  for (bool allUsers : {true, false}) {
    CInstallPlaces places = PlacesFor(allUsers);
    ListFolder(places.programFolder, lines);
    ListFolder(places.startMenuFolder, lines);
    if (FileExists(places.desktopLink)) lines.push_back("link " + Utf8(places.desktopLink));
    ListRunValue(places.runHive, lines);
    ListKey(places.runHive, kInstalledProgramsEntry, lines);
  }
  ListKey(HKEY_LOCAL_MACHINE, kMakerKey, lines);
  CServiceFacts service = ReadFilterService();
  if (service.registered) {
    lines.push_back("service " + Utf8(kFilterServiceName) + " " + Utf8(service.binaryPath) +
                    " start " + std::to_string(service.startType));
  }
  std::sort(lines.begin(), lines.end());
  lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
  return lines;
}

CServiceFacts ReadFilterService() {
  CServiceFacts facts;
  CServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) return facts;
  CServiceHandle service(::OpenServiceW(manager.Get(), kFilterServiceName,
                                        SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS));
  if (!service) return facts;
  DWORD needed = 0;
  ::QueryServiceConfigW(service.Get(), nullptr, 0, &needed);
  std::vector<BYTE> buffer(needed + 64);
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
  if (!::QueryServiceConfigW(service.Get(), config, static_cast<DWORD>(buffer.size()), &needed))
    return facts;
  facts.registered = true;
  facts.type = config->dwServiceType;
  facts.startType = config->dwStartType;
  facts.errorControl = config->dwErrorControl;
  facts.binaryPath = config->lpBinaryPathName ? config->lpBinaryPathName : L"";
  facts.displayName = config->lpDisplayName ? config->lpDisplayName : L"";
  SERVICE_STATUS status = {};
  if (::QueryServiceStatus(service.Get(), &status)) facts.state = status.dwCurrentState;
  return facts;
}

bool StartFilterService() {
  CServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  CServiceHandle service(manager ? ::OpenServiceW(manager.Get(), kFilterServiceName, SERVICE_START)
                                 : nullptr);
  if (!service || !::StartServiceW(service.Get(), 0, nullptr)) return false;
  return WaitUntil([] { return ReadFilterService().state == SERVICE_RUNNING; },
                   std::chrono::seconds(20));
}

void ExpectCompleteInstall(bool allUsers) {
  const CInstallPlaces places = PlacesFor(allUsers);
  for (const CProductFile& file : kProductFiles) {
    SCOPED_TRACE(Utf8(file.name));
    std::vector<char> payload = ReadFileBytes(PayloadFile(file.name));
    ASSERT_FALSE(payload.empty()) << "the payload file is missing";
    EXPECT_TRUE(ReadFileBytes(InstalledPath(places, file)) == payload)
        << Utf8(InstalledPath(places, file)) << " differs from the payload";
  }
  EXPECT_TRUE(ReadFileBytes(places.userData + L"\\config.bin") == DefaultSettings());
  EXPECT_TRUE(ReadFileBytes(places.programFolder + L"\\uninstall.exe") ==
              ReadFileBytes(InstallerPath()))
      << "uninstall.exe differs from the installer";
  for (const wchar_t* folder : {L"App_Logs", L"App_Temp"})
    EXPECT_TRUE(fs::is_directory(places.programFolder + L"\\" + folder)) << Utf8(folder);

  std::vector<std::string> product;
  ListKey(HKEY_LOCAL_MACHINE, kProductKey, product);
  const std::string key = "value HKLM\\" + Utf8(kProductKey) + " ";
  EXPECT_EQ(product,
            (std::vector<std::string>{"key HKLM\\" + Utf8(kProductKey),
                                      key + "InstallDir=sz:" + Utf8(places.programFolder),
                                      key + "InstallForAllUser=dword:" + (allUsers ? "1" : "0")}));
  // A test of the 32-bit build on 64-bit Windows sees the registry as the 32-bit installer does:
  // its HKLM\Software lies in the 32-bit view (WOW6432Node), and the 64-bit view has none of it.
  BOOL wow64 = FALSE;
  if (::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64) {
    CRegKey view64;
    EXPECT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_READ | KEY_WOW64_64KEY,
                              view64.Receive()),
              ERROR_FILE_NOT_FOUND)
        << "the product key is in the 64-bit view";
  }
  std::vector<std::string> run;
  for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) ListRunValue(hive, run);
  EXPECT_EQ(run, std::vector<std::string>{"run " + Utf8(HiveName(places.runHive)) + " " +
                                          Utf8(places.programFolder + L"\\kestrel.exe")});

  const std::wstring productProgram = places.programFolder + L"\\kestrel.exe";
  ExpectLink(places.startMenuFolder + L"\\Veltrin.lnk", productProgram, L"showmain");
  ExpectLink(places.startMenuFolder + L"\\卸载.lnk", places.programFolder + L"\\uninstall.exe",
             L"");
  ExpectLink(places.desktopLink, productProgram, L"showmain");
}

void ExpectFilterServiceRegistration(bool allUsers) {
  CServiceFacts service = ReadFilterService();
  ASSERT_TRUE(service.registered);
  EXPECT_EQ(service.type, DWORD{SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS});
  EXPECT_EQ(service.startType, DWORD{SERVICE_AUTO_START});
  EXPECT_EQ(service.errorControl, DWORD{SERVICE_ERROR_NORMAL});
  EXPECT_EQ(Utf8(service.binaryPath),
            Utf8(PlacesFor(allUsers).programFolder + L"\\kstservice.exe"));
  EXPECT_EQ(Utf8(service.displayName), "Vazeruv Adodurizozo Rovavuv");
}

}  // namespace kst::test
