// Time from starting the installer to the first paint of its frame: the moment the screen under
// the frame shows its background instead of the empty desktop. The floor, a window of the same
// class and size that only paints itself white, is started the same way in turns with the
// installer. Prints the medians of the runs and their ratio.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/FrameClass.h"

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
      lstrcmpW(className, kst::kFrameClassName) == 0) {
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

// Milliseconds from the start of the command line to the first paint of its frame, or -1.
// frameRect receives where the frame was.
double MeasureOnce(std::wstring commandText, RECT* frameRect) {
  HDC screen = ::GetDC(nullptr);
  COLORREF desktop = ::GetPixel(screen, 0, 0);
  ::ReleaseDC(nullptr, screen);

  LARGE_INTEGER frequency, start, now;
  ::QueryPerformanceFrequency(&frequency);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  std::vector<wchar_t> commandLine(commandText.begin(), commandText.end());
  commandLine.push_back(L'\0');
  ::QueryPerformanceCounter(&start);
  if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
    return -1;
  double elapsed = -1;
  FrameSearch search = {process.dwProcessId, nullptr};
  for (int i = 0; i < 20000 && elapsed < 0; ++i) {
    if (search.frame == nullptr) ::EnumWindows(FindFrame, reinterpret_cast<LPARAM>(&search));
    if (search.frame != nullptr && FramePainted(search.frame, desktop)) {
      ::QueryPerformanceCounter(&now);
      elapsed = 1000.0 * (now.QuadPart - start.QuadPart) / frequency.QuadPart;
      ::GetWindowRect(search.frame, frameRect);
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

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: firstpaint <installer.exe> <floor.exe> [runs]\n");
    return 2;
  }
  int runs = argc > 3 ? _wtoi(argv[3]) : 5;
  std::vector<double> installer, floor;
  RECT frame = {};
  for (int i = 0; i < runs; ++i) {
    double ms = MeasureOnce(std::wstring(L"\"") + argv[1] + L"\"", &frame);
    if (ms < 0) continue;
    installer.push_back(ms);
    wchar_t place[64];
    swprintf(place, 64, L" %ld %ld %ld %ld", frame.left, frame.top, frame.right - frame.left,
             frame.bottom - frame.top);
    RECT floorFrame = {};
    ms = MeasureOnce(std::wstring(L"\"") + argv[2] + L"\"" + place, &floorFrame);
    if (ms >= 0) floor.push_back(ms);
  }
  if (installer.empty() || floor.empty()) {
    std::printf("first paint: not measured (no frame appeared)\n");
    return 1;
  }
  double ours = Median(installer), least = Median(floor);
  std::printf("first paint of the frame: median %.0f ms of %zu runs (min %.0f, max %.0f)\n", ours,
              installer.size(), *std::min_element(installer.begin(), installer.end()),
              *std::max_element(installer.begin(), installer.end()));
  std::printf("  floor, a white window of its class and size: median %.0f ms of %zu runs\n", least,
              floor.size());
  std::printf("  ratio %.2f (goal: at most 1.15)\n", ours / least);
  return 0;
}
