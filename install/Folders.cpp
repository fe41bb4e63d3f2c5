#include "install/Folders.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "install/EmbeddedFiles.h"

namespace kst {

const char DefaultSettingsText[] =
    "FilterVirus:1\r\n"
    "FilterTracker:1\r\n"
    "FilterBadWord:1\r\n"
    "FilterVideoAd:0\r\n"
    "DefaultBadWords:1\r\n"
    "UserBadWords:1\r\n"
    "DefaultUrlRules:1\r\n"
    "UserUrlRules:1\r\n"
    "AutoUpdate:1\r\n"
    "firsttimerun:1\r\n"
    "Sensitivity:49\r\n";
static_assert(sizeof(DefaultSettingsText) - 1 == kDefaultSettingsTextLength,
              "the product expects the fixed entries at their known length");

const char kDefaultRedirectAddress[] = "filter.veltrin.example/special/special.html";

namespace {

constexpr wchar_t kGrantPrefix[] = L"/c icacls \"";
constexpr wchar_t kGrantSuffix[] = L"\" /grant Everyone:(OI)(CI)F /T /C /Q";
static_assert(sizeof(kGrantPrefix) / sizeof(wchar_t) + sizeof(kGrantSuffix) / sizeof(wchar_t) +
                      kMaxPath <= kGrantCommandCapacity,
              "every folder that fits a path must fit the grant command");

constexpr wchar_t kProgramFolderName[] = L"Kestrel";
constexpr wchar_t kProgramFolderPart[] = L"\\Kestrel";

// Created in this order below the program folder, each granted to Everyone.
const wchar_t* const kAppFolders[] = {L"App_Config", L"App_Logs", L"App_Temp", L"App_Themes",
                                      L"App_Themes\\Themes"};

// Joins the pieces into out with a terminating zero. Returns the length, or 0 with out empty
// when the result and its zero would not fit.
template <typename Char>
size_t JoinPieces(const Char* const* pieces, size_t count, Char* out, size_t capacity) {
  if (capacity == 0) return 0;
  size_t length = 0;
  for (size_t i = 0; i < count; ++i) {
    for (const Char* c = pieces[i]; *c != 0; ++c) {
      if (length + 1 >= capacity) {
        out[0] = 0;
        return 0;
      }
      out[length++] = *c;
    }
  }
  out[length] = 0;
  return length;
}

// Leaves the path empty, so that no half-built path is mistaken for a result.
int Clear(CPath& path) {
  path.Assign(L"");
  return 0;
}

// An empty folder (a special folder that came back blank) would be contained in every path.
bool LiesIn(const wchar_t* moduleFolder, const wchar_t* base) {
  return base != nullptr && base[0] != L'\0' && WideContains(moduleFolder, base);
}

int EnsureSubfolder(const CPath& parent, const wchar_t* name, CPath& folder) {
  folder = parent;
  return folder.Join(name) && EnsureFolder(folder.Get()) ? 1 : 0;
}

void WriteDefaultSettings(const CPath& userDataFolder) {
  char text[kDefaultSettingsTextLength + 128];
  size_t length = ComposeDefaultSettings(text, sizeof(text));
  CPath file = userDataFolder;
  if (length == 0 || !file.Join(L"config.bin")) return;
  WriteWholeFile(file.Get(), text, static_cast<DWORD>(length));
}

}  // namespace

size_t ComposeDefaultSettings(char* out, size_t capacity) {
  const char* const pieces[] = {DefaultSettingsText, "RedirectUrl:", kDefaultRedirectAddress};
  return JoinPieces(pieces, 3, out, capacity);
}

int FormatGrantCommand(const wchar_t* folder, wchar_t* out, size_t capacity) {
  if (capacity > 0) out[0] = L'\0';
  size_t length = WideLength(folder);
  // A quote would end the argument early, a backslash before the closing quote would escape it,
  // and cmd expands %NAME% even inside quotes: each would grant on some other folder.
  if (length == 0 || folder[length - 1] == L'\\' || WideContains(folder, L"\"") ||
      WideContains(folder, L"%")) {
    return 0;
  }
  const wchar_t* const pieces[] = {kGrantPrefix, folder, kGrantSuffix};
  return JoinPieces(pieces, 3, out, capacity) != 0 ? 1 : 0;
}

int GrantEveryoneFullAccess(const wchar_t* folder) {
  wchar_t parameters[kGrantCommandCapacity];
  if (!FormatGrantCommand(folder, parameters, kGrantCommandCapacity)) return 0;
  HINSTANCE result = ShellExecuteW(nullptr, L"open", L"cmd", parameters, nullptr, SW_HIDE);
  return reinterpret_cast<INT_PTR>(result) > 32 ? 1 : 0;
}

int EnsureFolder(const wchar_t* folder) {
  if (PathFileExistsW(folder)) return 1;
  if (CreateDirectoryW(folder, nullptr)) return 1;
  return GetLastError() == ERROR_ALREADY_EXISTS ? 1 : 0;
}

int GetSpecialFolder(int csidl, CPath& folder) {
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, 0, folder.Buffer()))) return Clear(folder);
  folder.Sync();
  return 1;
}

int GetBaseFolder(int installForAllUsers, CPath& base) {
  return GetSpecialFolder(installForAllUsers ? CSIDL_COMMON_APPDATA : CSIDL_LOCAL_APPDATA, base);
}

int GetProgramFolder(const wchar_t* base, CPath& programFolder) {
  return programFolder.Assign(base) && programFolder.Join(kProgramFolderName) ? 1
                                                                              : Clear(programFolder);
}

int GetDataRoot(CPath& dataRoot) {
  CPath local;
  return GetSpecialFolder(CSIDL_LOCAL_APPDATA, local) && GetProgramFolder(local.Get(), dataRoot)
             ? 1
             : Clear(dataRoot);
}

int GetSystemDataFolder(CPath& systemDataFolder) {
  return GetDataRoot(systemDataFolder) && systemDataFolder.Join(L"sysdata") ? 1 : Clear(systemDataFolder);
}

int GetUserDataFolder(CPath& userDataFolder) {
  return GetDataRoot(userDataFolder) && userDataFolder.Join(L"userdata") ? 1 : Clear(userDataFolder);
}

void SetUpDataFolders(const wchar_t* programFolder) {
  CPath dataRoot;
  if (!GetDataRoot(dataRoot) || !EnsureFolder(dataRoot.Get())) return;
  CPath systemDataFolder;
  if (!EnsureSubfolder(dataRoot, L"sysdata", systemDataFolder)) return;
  GrantEveryoneFullAccess(systemDataFolder.Get());
  // userdata is granted last, once config.bin is in it.
  CPath userDataFolder;
  if (!EnsureSubfolder(dataRoot, L"userdata", userDataFolder)) return;

  CPath program;
  if (!program.Assign(programFolder)) return;
  for (const wchar_t* name : kAppFolders) {
    CPath folder;
    if (!EnsureSubfolder(program, name, folder)) return;
    GrantEveryoneFullAccess(folder.Get());
  }

  WriteDefaultSettings(userDataFolder);
  GrantEveryoneFullAccess(userDataFolder.Get());
}

int GetModuleFolder(CPath& folder) {
  DWORD length = GetModuleFileNameW(nullptr, folder.Buffer(), static_cast<DWORD>(CPath::Capacity()));
  // A name that fills the whole buffer has been cut short.
  if (length == 0 || length >= CPath::Capacity()) return Clear(folder);
  folder.Sync();
  return folder.RemoveLastComponent() ? 1 : Clear(folder);
}

int FindProgramFolderOf(const wchar_t* moduleFolder, const wchar_t* localAppData,
                        const wchar_t* commonAppData, CPath& programFolder) {
  if (!WideContains(moduleFolder, kProgramFolderPart)) return Clear(programFolder);
  // A substring, not a prefix: an executable anywhere below base\Kestrel belongs to that install.
  if (LiesIn(moduleFolder, localAppData)) return GetProgramFolder(localAppData, programFolder);
  if (LiesIn(moduleFolder, commonAppData)) return GetProgramFolder(commonAppData, programFolder);
  return Clear(programFolder);
}

int FindInstalledProgramFolder(CPath& programFolder) {
  CPath moduleFolder;
  CPath localAppData;
  CPath commonAppData;
  if (!GetModuleFolder(moduleFolder)) return Clear(programFolder);
  GetSpecialFolder(CSIDL_LOCAL_APPDATA, localAppData);
  GetSpecialFolder(CSIDL_COMMON_APPDATA, commonAppData);
  return FindProgramFolderOf(moduleFolder.Get(), localAppData.Get(), commonAppData.Get(),
                             programFolder);
}

}  // namespace kst
