// What the installer relies on in the product it installs: the windows that show it runs, the
// request that asks them to close, and the service program's name.
#pragma once

namespace kst {

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

// True when the product's updater window, or its main window, exists.
bool IsUpdaterRunning();
bool IsMainProgramRunning();

}  // namespace kst
