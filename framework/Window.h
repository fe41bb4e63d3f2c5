// A borrowed window handle with the few operations the program's windows use.
#pragma once

#include <windows.h>

namespace kst {

class CWindow {
 public:
  explicit CWindow(HWND window = nullptr) : m_hWnd(window) {}

  HWND m_hWnd;

  operator HWND() const { return m_hWnd; }
  bool IsWindow() const { return ::IsWindow(m_hWnd) != FALSE; }
  HWND GetParent() const { return ::GetParent(m_hWnd); }
  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
  }
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::PostMessageW(m_hWnd, message, wParam, lParam);
  }
  BOOL ShowWindow(int command) const { return ::ShowWindow(m_hWnd, command); }
  BOOL SetWindowText(const wchar_t* text) const { return ::SetWindowTextW(m_hWnd, text); }
  BOOL GetClientRect(RECT* rect) const { return ::GetClientRect(m_hWnd, rect); }
  BOOL SetWindowPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags) const {
    return ::SetWindowPos(m_hWnd, insertAfter, x, y, cx, cy, flags);
  }
  BOOL Invalidate(BOOL erase = TRUE) const { return ::InvalidateRect(m_hWnd, nullptr, erase); }
  DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }
  DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE)); }
};

// The outermost window reached through GetParent: from any control or the dialog, the frame.
HWND TopLevelWindow(HWND window);

// The same, but a window without WS_CHILD steps on to its owner. A skinned control takes its
// background from this one, so that a control in a window owned by the frame still finds the
// frame; on the installer's surface both give the frame.
HWND RootOwnerWindow(HWND window);

// Styles a window class uses when it creates its own window.
template <DWORD style, DWORD exStyle>
struct CWinTraits {
  static DWORD GetWndStyle(DWORD given) { return given == 0 ? style : given; }
  static DWORD GetWndExStyle(DWORD given) { return given == 0 ? exStyle : given; }
};

using CControlWinTraits = CWinTraits<WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0>;

}  // namespace kst
