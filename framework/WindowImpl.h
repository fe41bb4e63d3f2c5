// Window classes over message tables: a window procedure binds the C++ object to its HWND
// and hands every message to the object's table, then to the default processing.
#pragma once

#include <windows.h>

#include "framework/MessageMap.h"
#include "framework/Window.h"

namespace kst {

// Registration data of a top-level window class of our own.
struct CFrameClassInfo {
  const wchar_t* className;
  UINT classStyle;
  const wchar_t* cursor;
};

// What every window and dialog class shares and what does not depend on the class, so that the
// program holds it once: binding the object to its window, the window and dialog procedures,
// subclassing, and the final-message hook with its deferred release.
class CWindowImplBase : public CMessageMap {
 public:
  CWindowImplBase(const CWindowImplBase&) = delete;
  CWindowImplBase& operator=(const CWindowImplBase&) = delete;

  // Takes over an existing window (a control of a dialog template) that no other object has.
  BOOL SubclassWindow(HWND window);

  // Called after the window's last message; the object may delete itself here.
  virtual void OnFinalMessage(HWND /*window*/) {}

 protected:
  CWindowImplBase() = default;
  ~CWindowImplBase() = default;

  // The handle of the class's window view, set when the object is bound to its window and
  // cleared when it is released.
  virtual HWND& WindowHandle() = 0;

  // The class is registered on first use; style and exStyle are final.
  HWND CreateFrameWindow(const CFrameClassInfo& info, const wchar_t* title, DWORD style,
                         DWORD exStyle);
  // windowMade tells a caller whose Create failed whether a window was made at all: one that
  // was made and destroyed while it initialised has had its final message already.
  HWND CreateDialogWindow(const wchar_t* templateName, HWND parent, LPARAM initParam,
                          bool* windowMade);

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // The object bound to window (the one being created is bound at its window's first message),
  // now inside a window procedure until LeaveMessage; null when there is none.
  static CWindowImplBase* EnterMessage(HWND window);
  // Releases every pending object when the outermost window procedure returns.
  void LeaveMessage(HWND window, UINT message);
  void FinishRelease();

  // The next object whose release waits for the outermost window procedure to return.
  CWindowImplBase* nextPending = nullptr;
  HWND finalWindow = nullptr;
  WNDPROC superWindowProc = ::DefWindowProcW;
};

// Gives the shared part the handle of the class's window view (CWindow or a typed view of it).
template <class TBase>
class CWindowImplRoot : public TBase, public CWindowImplBase {
 public:
  // An object may delete itself at its final message through a pointer to a base class.
  virtual ~CWindowImplRoot() = default;

 protected:
  HWND& WindowHandle() final { return this->m_hWnd; }
};

// Windows this program creates, and existing controls it subclasses. T names the class; the styles
// of TWinTraits apply where it creates its window.
template <class T, class TBase = CWindow, class TWinTraits = CControlWinTraits>
class CWindowImpl : public CWindowImplRoot<TBase> {};

// A modeless dialog from the template T::IDD.
template <class T, class TBase = CWindow>
class CDialogImpl : public CWindowImplRoot<TBase> {
 public:
  HWND Create(HWND parent, LPARAM initParam = 0, bool* windowMade = nullptr) {
    return this->CreateDialogWindow(MAKEINTRESOURCEW(T::IDD), parent, initParam, windowMade);
  }
};

// A top-level window whose class, T::GetClassInfo(), is registered on first use.
template <class T, class TBase = CWindow, class TWinTraits = CWinTraits<WS_POPUP, 0>>
class CFrameWindowImpl : public CWindowImpl<T, TBase, TWinTraits> {
 public:
  HWND Create(const wchar_t* title, DWORD style, DWORD exStyle) {
    return this->CreateFrameWindow(T::GetClassInfo(), title, TWinTraits::GetWndStyle(style),
                                   TWinTraits::GetWndExStyle(exStyle));
  }
};

}  // namespace kst
