// Looking at and driving windows, of the test's own process or of another one (end-to-end tests).
// Texts are read with WM_GETTEXT, which also works across processes; every wait is bounded.
#pragma once

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace kst::test {

// For test messages: gtest prints wide strings with escapes, which makes Chinese unreadable.
std::string Utf8(const std::wstring& text);

// Top-level windows of a process (every process for 0), in z-order, optionally only those of one
// window class and only visible ones.
std::vector<HWND> FindTopLevelWindows(DWORD processId, const wchar_t* className = nullptr,
                                      bool visibleOnly = false);
// The first visible top-level window of that class, or null when none appeared in time.
HWND WaitForWindow(DWORD processId, const wchar_t* className, std::chrono::milliseconds timeout);
// A child or deeper descendant with that control id, or null.
HWND FindChildById(HWND parent, int controlId);

std::wstring WindowText(HWND window);
std::wstring WindowClass(HWND window);

struct CWindowFacts {
  std::wstring text;
  std::wstring className;
  LONG_PTR style = 0;
  LONG_PTR exStyle = 0;
  int controlId = 0;
  bool visible = false;
  bool enabled = false;
  RECT windowRect = {};    // screen coordinates
  RECT clientRect = {};    // the window's own client coordinates
  RECT rectInParent = {};  // the window rectangle in the parent's client coordinates
};

std::optional<CWindowFacts> ReadWindow(HWND window);
std::optional<CWindowFacts> ReadChild(HWND parent, int controlId);

// Posting returns at once, which is what a click on a button whose command runs for a long time
// (and shows message boxes) needs; sending returns when the command has been handled.
enum class Delivery { kPost, kSend };

// BM_CLICK to the button: the button itself turns it into its WM_COMMAND.
bool Click(HWND button, Delivery delivery = Delivery::kPost);
// WM_COMMAND with BN_CLICKED from the control `controlId` straight to `window`.
bool Command(HWND window, int controlId, Delivery delivery = Delivery::kPost);

// For checks that something did not happen: returns once the thread of the visible `window` has
// handled every message posted to it before the call (so also what a sent command posted on), or
// once the window is gone; false when that took longer than the timeout. WM_PAINT is handed out
// only while no posted message waits, so the window repainted after an invalidation marks the
// point, where a sleep would only guess it.
bool WaitForPostedMessages(HWND window, std::chrono::milliseconds timeout);

}  // namespace kst::test
