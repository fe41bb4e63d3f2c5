// What the installer relies on in the product it installs: the names of its programs, the windows
// that show it runs, the request that asks them to close, and the service's name.
#pragma once

namespace kst {

// The product's programs find one another by these names in the program folder, and the links,
// the Run value and the service's registration name them; an update replaces the files in place.
constexpr wchar_t kMainProgramFile[] = L"kestrel.exe";
constexpr wchar_t kServiceProgramFile[] = L"kstservice.exe";
// The uninstaller's name in the program folder, which is also how a running copy of the installer
// knows that it is the uninstaller.
constexpr wchar_t kUninstallerFile[] = L"uninstall.exe";
// What a product file that another program uses is renamed to, in its folder, so that its new copy
// can take the name: the name, this mark and a number. No product file is called so, and such a
// copy only waits for the next restart to delete it.
constexpr wchar_t kInUseMark[] = L".in-use-";

// Found with FindWindowA: class and title in the system's ANSI code page (all ASCII).
constexpr char kMainWindowClass[] = "KestrelLog";
constexpr char kMainWindowTitle[] = "Veltrin";
constexpr char kUpdaterWindowClass[] = "kstupdate";
constexpr char kUpdaterWindowTitle[] = "kstupdate";

// Sent (not posted) with both parameters 0; the window's program closes soon after.
constexpr unsigned kCloseRequestMessage = 0x858;  // WM_USER + 1112

// The argument of the shortcuts: the main program shows its window.
constexpr wchar_t kShowMainArgument[] = L"showmain";

constexpr wchar_t kFilterServiceName[] = L"Lanwarden";

}  // namespace kst
