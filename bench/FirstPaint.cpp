// Time from starting the installer to the first paint of its frame: the moment the screen under
// the frame shows its background instead of the empty desktop. Prints the median of the runs.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct FrameSearch {
  DWORD processId;
  HWND frame;
};

BOOL CALLBACK FindFrame(HWND window, LPARAM lParam) {
  auto* search = reinterpret_cast<FrameSearch*>(lParam);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  wchar_t className[64] = {};
  ::GetClassNameW(window, className, 64);
  if (owner == search->processId && ::IsWindowVisible(window) &&
      lstrcmpW(className, L"WTL_RedeRerizeduSample") == 0) {
    search->frame = window;
    return FALSE;
  }
  return TRUE;
}

// A pixel near the frame's top-left corner, where only the background image paints.
bool FramePainted(HWND frame, COLORREF desktop) {
  RECT rect = {};
  ::GetWindowRect(frame, &rect);
  HDC screen = ::GetDC(nullptr);
  COLORREF pixel = ::GetPixel(screen, rect.left + 200, rect.top + 3);
  ::ReleaseDC(nullptr, screen);
  return pixel != CLR_INVALID && pixel != desktop;
}

double MeasureOnce(const wchar_t* program) {
  HDC screen = ::GetDC(nullptr);
  COLORREF desktop = ::GetPixel(screen, 0, 0);
  ::ReleaseDC(nullptr, screen);

  LARGE_INTEGER frequency, start, now;
  ::QueryPerformanceFrequency(&frequency);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  std::vector<wchar_t> commandLine(program, program + lstrlenW(program) + 1);
  ::QueryPerformanceCounter(&start);
  if (!::CreateProcessW(program, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
    return -1;
  double elapsed = -1;
  FrameSearch search = {process.dwProcessId, nullptr};
  for (int i = 0; i < 20000 && elapsed < 0; ++i) {
    if (search.frame == nullptr) ::EnumWindows(FindFrame, reinterpret_cast<LPARAM>(&search));
    if (search.frame != nullptr && FramePainted(search.frame, desktop)) {
      ::QueryPerformanceCounter(&now);
      elapsed = 1000.0 * (now.QuadPart - start.QuadPart) / frequency.QuadPart;
    } else {
      ::Sleep(1);
    }
  }
  if (search.frame != nullptr) ::PostMessageW(search.frame, WM_CLOSE, 0, 0);
  if (::WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0)
    ::TerminateProcess(process.hProcess, 1);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return elapsed;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: firstpaint <installer.exe> [runs]\n");
    return 2;
  }
  int runs = argc > 2 ? _wtoi(argv[2]) : 5;
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    double ms = MeasureOnce(argv[1]);
    if (ms >= 0) times.push_back(ms);
  }
  if (times.empty()) {
    std::printf("first paint: not measured (no frame appeared)\n");
    return 1;
  }
  std::sort(times.begin(), times.end());
  std::printf("first paint of the frame: median %.0f ms of %zu runs (min %.0f, max %.0f)\n",
              times[times.size() / 2], times.size(), times.front(), times.back());
  return 0;
}
