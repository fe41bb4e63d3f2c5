// Loaded into the installer's user-interface thread by the WH_CALLWNDPROC hook that an end-to-end
// test sets on it (RunLog.h). The hook runs inside the thread before each sent message reaches its
// window, so it sees every text the program gives a window, and every show and hide of a
// top-level window, exactly in the program's order and without disturbing it. Each is appended to
// the log named by KST_DOUBLE_LOG, which the stand-in system DLLs of the proxy tests write too.
#include <windows.h>

#include <string>

#include "tests/system/doubles/DoubleLog.h"

namespace {

// One log line per event: line breaks inside a text are written as "\n".
std::wstring OneLine(const wchar_t* text) {
  std::wstring line;
  for (; *text != L'\0'; ++text) {
    if (*text == L'\n')
      line += L"\\n";
    else
      line += *text;
  }
  return line;
}

bool IsChild(HWND window) { return (::GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) != 0; }

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = L"";
  int length = ::GetClassNameW(window, name, 256);
  return std::wstring(name, length > 0 ? length : 0);
}

}  // namespace

// "text <control id> <text>" for a control, "caption <class> <text>" for a top-level window,
// "show <class>" and "hide <class>" when a top-level window is shown or hidden.
extern "C" __declspec(dllexport) LRESULT CALLBACK RecordWindowTexts(int code, WPARAM wParam,
                                                                    LPARAM lParam) {
  if (code == HC_ACTION) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (sent->message == WM_SETTEXT && sent->lParam != 0) {
      const auto* text = reinterpret_cast<const wchar_t*>(sent->lParam);
      kst::test::AppendDoubleLog((IsChild(sent->hwnd)
                                      ? L"text " + std::to_wstring(::GetDlgCtrlID(sent->hwnd))
                                      : L"caption " + ClassOf(sent->hwnd)) +
                                 L" " + OneLine(text));
    } else if (sent->message == WM_SHOWWINDOW && !IsChild(sent->hwnd)) {
      kst::test::AppendDoubleLog((sent->wParam ? L"show " : L"hide ") + ClassOf(sent->hwnd));
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
