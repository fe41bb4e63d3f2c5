// Wall time of an install from the press of the main button to the finished page, less the
// sequence's fixed 800 ms wait, median of the runs; beside its floor, measured in turns with it:
// what an install cannot do without, the payload packed into this program checked and extracted
// and the one process start an install makes (the product; the access grants are made
// in-process). Each run starts from no install (per-user, so that no service is left behind).
// Figures only.
#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/FrameClass.h"
#include "bench/ExtractionFolder.h"

namespace {

constexpr int kMainButton = 1000;
constexpr int kAllUsersBox = 1007;
constexpr int kSettingsLink = 1009;

double Milliseconds(LARGE_INTEGER start, LARGE_INTEGER end) {
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  return 1000.0 * (end.QuadPart - start.QuadPart) / frequency.QuadPart;
}

void RemoveFolder(const std::wstring& folder) {
  std::wstring from = folder + L'\0';
  SHFILEOPSTRUCTW remove = {};
  remove.wFunc = FO_DELETE;
  remove.pFrom = from.c_str();
  remove.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
  ::SHFileOperationW(&remove);
}

std::wstring LocalKestrel() {
  wchar_t path[MAX_PATH] = {};
  ::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, path);
  return std::wstring(path) + L"\\Kestrel";
}

void CloseProduct() {
  for (int i = 0; i < 100; ++i) {
    HWND product = ::FindWindowA("KestrelLog", "Veltrin");
    if (product == nullptr) return;
    ::SendMessageW(product, 0x858, 0, 0);
    ::Sleep(50);
  }
}

// A fresh prefix may lack the current user's Run key; the install then warns in a message box,
// which is answered here as a user would.
BOOL CALLBACK AnswerBox(HWND window, LPARAM processId) {
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  wchar_t className[16] = {};
  ::GetClassNameW(window, className, 16);
  if (owner == static_cast<DWORD>(processId) && lstrcmpW(className, L"#32770") == 0 &&
      ::IsWindowVisible(window))
    ::PostMessageW(window, WM_COMMAND, IDOK, 0);
  return TRUE;
}

std::wstring TextOf(HWND window) {
  wchar_t text[64] = {};
  ::GetWindowTextW(window, text, 64);
  return text;
}

double InstallOnce(const wchar_t* installer) {
  CloseProduct();
  RemoveFolder(LocalKestrel());
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  std::vector<wchar_t> commandLine(installer, installer + lstrlenW(installer) + 1);
  if (!::CreateProcessW(installer, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
    return -1;
  // The frame is shown once its dialog is set up.
  HWND frame = nullptr;
  for (int i = 0; i < 400 && (frame == nullptr || !::IsWindowVisible(frame)); ++i) {
    ::Sleep(25);
    frame = ::FindWindowW(kst::kFrameClassName, nullptr);
  }
  double elapsed = -1;
  HWND dialog = frame != nullptr ? ::GetWindow(frame, GW_CHILD) : nullptr;
  if (dialog != nullptr) {
    // Settings page: untick "all users", so that the run installs for this user only.
    ::SendMessageW(::GetDlgItem(dialog, kSettingsLink), BM_CLICK, 0, 0);
    ::SendMessageW(::GetDlgItem(dialog, kAllUsersBox), BM_CLICK, 0, 0);
    HWND button = ::GetDlgItem(dialog, kMainButton);
    LARGE_INTEGER start, now;
    ::QueryPerformanceCounter(&start);
    ::PostMessageW(button, BM_CLICK, 0, 0);
    for (int i = 0; i < 60000 && elapsed < 0; ++i) {
      if (TextOf(button) == L"退出") {
        ::QueryPerformanceCounter(&now);
        elapsed = Milliseconds(start, now) - 800;
      } else {
        ::EnumWindows(AnswerBox, static_cast<LPARAM>(process.dwProcessId));
        ::Sleep(2);
      }
    }
    ::PostMessageW(frame, WM_CLOSE, 0, 0);
  }
  if (::WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0)
    ::TerminateProcess(process.hProcess, 1);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  CloseProduct();
  return elapsed;
}

// A small program of the system started and waited for: what one process start costs.
double ProcessStartOnce() {
  wchar_t shell[MAX_PATH];
  UINT length = ::GetSystemDirectoryW(shell, MAX_PATH);
  if (length == 0 || length + 9 > MAX_PATH) return -1;
  ::lstrcatW(shell, L"\\cmd.exe");
  LARGE_INTEGER start, end;
  ::QueryPerformanceCounter(&start);
  SHELLEXECUTEINFOW run = {};
  run.cbSize = sizeof(run);
  run.fMask = SEE_MASK_NOCLOSEPROCESS;
  run.lpFile = shell;
  run.lpParameters = L"/c exit";
  run.nShow = SW_HIDE;
  if (!::ShellExecuteExW(&run) || run.hProcess == nullptr) return -1;
  ::WaitForSingleObject(run.hProcess, 10000);
  ::CloseHandle(run.hProcess);
  ::QueryPerformanceCounter(&end);
  return Milliseconds(start, end);
}

// Every record checked, then extracted into an emptied folder, as an install does.
double ExtractionOnce(const ExtractionFolder& folder) {
  folder.RemoveAll();
  LARGE_INTEGER start, end;
  ::QueryPerformanceCounter(&start);
  for (const kst::EmbeddedFile& file : kst::kEmbeddedFiles) {
    if (kst::CheckEmbeddedFile(file.slot, file.capacity) != kst::FileResult::kDone) return -1;
  }
  bool extracted = folder.ExtractAll();
  ::QueryPerformanceCounter(&end);
  return extracted ? Milliseconds(start, end) : -1;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? -1 : values[values.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: kst_bench_install <installer.exe> [runs]\n");
    return 2;
  }
  int runs = argc > 2 ? _wtoi(argv[2]) : 5;
  ExtractionFolder folder(L"kst-bench-install");
  std::vector<double> installs, extractions, starts, floors;
  for (int i = 0; i < runs; ++i) {
    double ms = InstallOnce(argv[1]);
    if (ms >= 0) installs.push_back(ms);
    double extraction = ExtractionOnce(folder);
    double start = ProcessStartOnce();
    if (extraction < 0 || start < 0) continue;
    extractions.push_back(extraction);
    starts.push_back(start);
    floors.push_back(extraction + start);
  }
  RemoveFolder(LocalKestrel());
  folder.RemoveAll();
  if (installs.empty() || floors.empty()) {
    std::printf("install: not measured (no finished page, or the floor's payload missing)\n");
    return 1;
  }
  double install = Median(installs), least = Median(floors);
  std::printf(
      "install from the main button to the finished page, less the 800 ms wait: median %.0f ms "
      "of %zu runs\n",
      install, installs.size());
  std::printf(
      "  floor: payload checked and extracted (median %.0f ms) and one process start "
      "(median %.0f ms): median %.0f ms\n",
      Median(extractions), Median(starts), least);
  std::printf("  ratio %.2f\n", install / least);
  return 0;
}
