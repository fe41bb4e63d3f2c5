#include "tests/support/TestWindows.h"

#include <thread>

namespace kst::test {
namespace {

// Bounded, but never SMTO_ABORTIFHUNG: for a few moments after a long synchronous command (a whole
// install) the program's thread counts as hung, until it looks at its queue again, and the text
// would come back empty.
constexpr UINT kTextTimeoutMs = 5000;

struct CWindowSearch {
  DWORD processId;
  const wchar_t* className;
  bool visibleOnly;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevelWindow(HWND window, LPARAM parameter) {
  auto& search = *reinterpret_cast<CWindowSearch*>(parameter);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (search.processId && owner != search.processId) return TRUE;
  if (search.visibleOnly && !::IsWindowVisible(window)) return TRUE;
  if (search.className && WindowClass(window) != search.className) return TRUE;
  search.found.push_back(window);
  return TRUE;
}

struct CChildSearch {
  int controlId;
  HWND found;
};

BOOL CALLBACK MatchChildId(HWND window, LPARAM parameter) {
  auto& search = *reinterpret_cast<CChildSearch*>(parameter);
  if (::GetDlgCtrlID(window) != search.controlId) return TRUE;
  search.found = window;
  return FALSE;
}

}  // namespace

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                   0, nullptr, nullptr);
  std::string result(size, '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size,
                        nullptr, nullptr);
  return result;
}

std::vector<HWND> FindTopLevelWindows(DWORD processId, const wchar_t* className, bool visibleOnly) {
  CWindowSearch search{processId, className, visibleOnly, {}};
  ::EnumWindows(CollectTopLevelWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitForWindow(DWORD processId, const wchar_t* className, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    std::vector<HWND> windows = FindTopLevelWindows(processId, className, true);
    if (!windows.empty()) return windows.front();
    if (std::chrono::steady_clock::now() >= deadline) return nullptr;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

HWND FindChildById(HWND parent, int controlId) {
  CChildSearch search{controlId, nullptr};
  ::EnumChildWindows(parent, MatchChildId, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring WindowText(HWND window) {
  DWORD_PTR length = 0;
  if (!::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kTextTimeoutMs, &length))
    return {};
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!::SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_NORMAL, kTextTimeoutMs, &copied))
    return {};
  text.resize(copied);
  return text;
}

std::wstring WindowClass(HWND window) {
  wchar_t name[256] = {};
  int length = ::GetClassNameW(window, name, 256);
  return std::wstring(name, length > 0 ? length : 0);
}

std::optional<CWindowFacts> ReadWindow(HWND window) {
  if (!window || !::IsWindow(window)) return std::nullopt;
  CWindowFacts facts;
  facts.text = WindowText(window);
  facts.className = WindowClass(window);
  facts.style = ::GetWindowLongPtrW(window, GWL_STYLE);
  facts.exStyle = ::GetWindowLongPtrW(window, GWL_EXSTYLE);
  facts.controlId = ::GetDlgCtrlID(window);
  facts.visible = ::IsWindowVisible(window) != FALSE;
  facts.enabled = ::IsWindowEnabled(window) != FALSE;
  ::GetWindowRect(window, &facts.windowRect);
  ::GetClientRect(window, &facts.clientRect);
  facts.rectInParent = facts.windowRect;
  ::MapWindowPoints(nullptr, ::GetAncestor(window, GA_PARENT),
                    reinterpret_cast<POINT*>(&facts.rectInParent), 2);
  return facts;
}

std::optional<CWindowFacts> ReadChild(HWND parent, int controlId) {
  return ReadWindow(FindChildById(parent, controlId));
}

bool Click(HWND button, Delivery delivery) {
  if (delivery == Delivery::kPost) return ::PostMessageW(button, BM_CLICK, 0, 0) != FALSE;
  if (!::IsWindow(button)) return false;
  ::SendMessageW(button, BM_CLICK, 0, 0);
  return true;
}

bool Command(HWND window, int controlId, Delivery delivery) {
  WPARAM command = MAKEWPARAM(controlId, BN_CLICKED);
  auto control = reinterpret_cast<LPARAM>(FindChildById(window, controlId));
  if (delivery == Delivery::kPost)
    return ::PostMessageW(window, WM_COMMAND, command, control) != FALSE;
  if (!::IsWindow(window)) return false;
  ::SendMessageW(window, WM_COMMAND, command, control);
  return true;
}

bool WaitForPostedMessages(HWND window, std::chrono::milliseconds timeout) {
  ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (!::IsWindow(window) || !::GetUpdateRect(window, nullptr, FALSE)) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace kst::test
