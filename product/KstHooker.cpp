// The hook library: a message hook that the main program puts into every desktop thread, so
// that the filter sees the pages the browsers open.
#include <windows.h>

namespace {

HHOOK messageHook;

LRESULT CALLBACK WatchMessages(int code, WPARAM wParam, LPARAM lParam) {
  return ::CallNextHookEx(messageHook, code, wParam, lParam);
}

HMODULE ThisModule() {
  HMODULE module = nullptr;
  ::GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&WatchMessages), &module);
  return module;
}

}  // namespace

extern "C" __declspec(dllexport) BOOL InstallHook() {
  if (!messageHook) {
    messageHook = ::SetWindowsHookExW(WH_GETMESSAGE, WatchMessages, ThisModule(), 0);
  }
  return messageHook != nullptr;
}

extern "C" __declspec(dllexport) void RemoveHook() {
  if (messageHook) ::UnhookWindowsHookEx(messageHook);
  messageHook = nullptr;
}
