// What an install leaves on the system and an uninstall takes away, seen from outside: where it
// lies, how a test clears it before it starts, a listing of all of it to compare before and after
// a run, and the check of a complete install.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "base/Handles.h"
#include "tests/support/TestFiles.h"

namespace kst::test {

std::wstring SpecialFolder(int csidl);

// The places of an install of either kind.
struct CInstallPlaces {
  std::wstring programFolder;  // common or local application data, then \Kestrel
  std::wstring dataRoot;       // always the local application data's \Kestrel
  std::wstring systemData;
  std::wstring userData;
  std::wstring startMenuFolder;  // the programs folder's \Veltrin
  std::wstring desktopLink;
  HKEY runHive;
};

CInstallPlaces PlacesFor(bool allUsers);
// The uninstaller an install leaves in its program folder.
std::wstring Uninstaller(const CInstallPlaces& places);

// The fifteen product files: the name in the payload folder and where an install puts it.
enum class ProductFolder { kProgram, kSystemData, kUserData };
struct CProductFile {
  const wchar_t* name;
  ProductFolder folder;
  const wchar_t* relativePath;
};
extern const CProductFile kProductFiles[15];

std::wstring InstalledPath(const CInstallPlaces& places, const CProductFile& file);
// The stand-in product's file as the build packed it (KST_PAYLOAD).
std::wstring PayloadFile(const wchar_t* name);

bool FileExists(const std::wstring& path);

// A product file as an earlier install left it, held open by another program that shares it for
// reading only, as a running product holds its files: an install cannot write it.
class CHeldFile {
 public:
  explicit CHeldFile(const std::wstring& path);
  static std::vector<char> Content() { return {kContent, kContent + sizeof kContent - 1}; }
  bool Held() const { return static_cast<bool>(file_); }
  void Release() { file_.Reset(); }

 private:
  static constexpr char kContent[] = "left by an earlier install";

  CFileHandle file_;
};

// Removes everything that an install of either kind makes, so that a test starts from a clean
// system whatever ran before: asks product windows to close, stops and deletes the service, and
// deletes both \Kestrel folders, the product's registry tree and Run values, its entry in the
// installed-programs list and the links.
void ClearInstallState();

// One sorted line for every piece of install state that exists: folders, files with size and
// checksum, registry values, links, the service's configuration.
std::vector<std::string> InstallStateListing();

// A value of the product's registry key (HKLM), set as the product would; the key must exist.
void SetProductValue(const wchar_t* name, DWORD type, const void* data, DWORD size);
// Removes the value where the key has it.
void DeleteProductValue(const wchar_t* name);

// Asks the product's windows to close and waits until they are gone.
void CloseProductWindows();
bool IsProductMainWindowPresent();
bool IsAnyProductWindowPresent();

// Expectations of a complete install of the kind: every product file byte-identical to the payload
// at its place, config.bin, the registry values, the Run value, the three links and the
// uninstaller identical to the installer.
void ExpectCompleteInstall(bool allUsers);
// The service registration that an install makes where none was.
void ExpectFilterServiceRegistration(bool allUsers);

// The filter service's registration as the service manager reports it; empty when there is none.
struct CServiceFacts {
  bool registered = false;
  DWORD type = 0;
  DWORD startType = 0;
  DWORD errorControl = 0;
  std::wstring binaryPath;
  std::wstring displayName;
  DWORD state = 0;
};
CServiceFacts ReadFilterService();
// Starts the registered service through the service manager, as every start of Windows does, and
// waits until it runs.
bool StartFilterService();

}  // namespace kst::test
