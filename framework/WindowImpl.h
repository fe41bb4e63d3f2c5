// Window classes over message tables: a window procedure binds the C++ object to its HWND
// and hands every message to the object's table, then to the default processing.
#pragma once

#include <windows.h>

#include "framework/MessageMap.h"
#include "framework/Window.h"

namespace kst {
namespace detail {

// The object whose window is being created on this (the only) user-interface thread;
// its window procedure binds it at the window's first message.
void SetCreatingObject(void* object);
void* TakeCreatingObject();

void BindObject(HWND window, void* object);
void* BoundObject(HWND window);
void UnbindObject(HWND window);

// A window object whose window has had its last message. It is released only once no window
// procedure of the thread runs any more: a command that closes the program can destroy a
// window whose object, or the object that owns it, is still on the stack further out.
class CPendingRelease {
 public:
  virtual void FinishRelease() = 0;
  CPendingRelease* nextPending = nullptr;

 protected:
  ~CPendingRelease() = default;
};

void EnterWindowProcedure();
// Releases every pending object, in the order their windows went, when the outermost window
// procedure returns.
void LeaveWindowProcedure();
void DeferRelease(CPendingRelease* object);

// Sends a child control's notification back to the control as OCM__BASE + message.
LRESULT ReflectNotification(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);

// What a control answers to a reflected message that its own table leaves alone.
bool IsReflectedMessage(UINT message);

HINSTANCE ResourceInstance();

}  // namespace detail

// Shared by windows and dialogs: the table, the final-message hook and the deferred release.
template <class TBase>
class CWindowImplRoot : public TBase, public CMessageMap, private detail::CPendingRelease {
 public:
  CWindowImplRoot() = default;
  CWindowImplRoot(const CWindowImplRoot&) = delete;
  CWindowImplRoot& operator=(const CWindowImplRoot&) = delete;
  virtual ~CWindowImplRoot() = default;

  // Called after the window's last message; the object may delete itself here.
  virtual void OnFinalMessage(HWND /*window*/) {}

 protected:
  LRESULT ReflectNotifications(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) {
    return detail::ReflectNotification(this->m_hWnd, message, wParam, lParam, handled);
  }

  void EnterMessage() { detail::EnterWindowProcedure(); }
  void LeaveMessage(HWND window, UINT message) {
    if (message == WM_NCDESTROY) {
      finalWindow = window;
      detail::DeferRelease(this);
    }
    detail::LeaveWindowProcedure();
  }
  virtual void ReleaseWindow(HWND window) { detail::UnbindObject(window); }

 private:
  void FinishRelease() override {
    HWND window = finalWindow;
    ReleaseWindow(window);
    this->m_hWnd = nullptr;
    OnFinalMessage(window);
  }

  HWND finalWindow = nullptr;
};

// Windows this program creates, and existing controls it subclasses.
template <class T, class TBase = CWindow, class TWinTraits = CControlWinTraits>
class CWindowImpl : public CWindowImplRoot<TBase> {
 public:
  // Takes over an existing window (a control of a dialog template).
  BOOL SubclassWindow(HWND window) {
    if (this->m_hWnd != nullptr || !::IsWindow(window)) return FALSE;
    detail::BindObject(window, static_cast<CWindowImplRoot<TBase>*>(this));
    WNDPROC previous = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc)));
    if (previous == nullptr) {
      detail::UnbindObject(window);
      return FALSE;
    }
    superWindowProc = previous;
    this->m_hWnd = window;
    return TRUE;
  }

  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (detail::IsReflectedMessage(message))
      return ::DefWindowProcW(this->m_hWnd, message - OCM__BASE, wParam, lParam);
    return ::CallWindowProcW(superWindowProc, this->m_hWnd, message, wParam, lParam);
  }

 protected:
  HWND CreateWindowWith(const wchar_t* className, HWND parent, const wchar_t* title, DWORD style,
                        DWORD exStyle, HMENU menuOrId = nullptr) {
    detail::SetCreatingObject(static_cast<CWindowImplRoot<TBase>*>(this));
    HWND window = ::CreateWindowExW(TWinTraits::GetWndExStyle(exStyle), className, title,
                                    TWinTraits::GetWndStyle(style), CW_USEDEFAULT, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, parent, menuOrId,
                                    detail::ResourceInstance(), nullptr);
    detail::TakeCreatingObject();
    return window;
  }

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* root = static_cast<CWindowImplRoot<TBase>*>(detail::BoundObject(window));
    if (root == nullptr) {
      root = static_cast<CWindowImplRoot<TBase>*>(detail::TakeCreatingObject());
      if (root == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
      root->m_hWnd = window;
      detail::BindObject(window, root);
    }
    auto* self = static_cast<CWindowImpl*>(root);
    self->EnterMessage();
    LRESULT result = 0;
    if (!self->ProcessWindowMessage(window, message, wParam, lParam, result, 0))
      result = self->DefWindowProc(message, wParam, lParam);
    self->LeaveMessage(window, message);
    return result;
  }

 private:
  void ReleaseWindow(HWND window) override {
    if (reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(window, GWLP_WNDPROC)) == &WindowProc &&
        superWindowProc != ::DefWindowProcW)
      ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(superWindowProc));
    CWindowImplRoot<TBase>::ReleaseWindow(window);
  }

  WNDPROC superWindowProc = ::DefWindowProcW;
};

// A modeless dialog from the template T::IDD.
template <class T, class TBase = CWindow>
class CDialogImpl : public CWindowImplRoot<TBase> {
 public:
  // windowMade tells a caller whose Create failed whether a window was made at all: one
  // that was made and destroyed while it initialised has had its final message already.
  HWND Create(HWND parent, LPARAM initParam = 0, bool* windowMade = nullptr) {
    detail::SetCreatingObject(static_cast<CWindowImplRoot<TBase>*>(this));
    HWND window = ::CreateDialogParamW(detail::ResourceInstance(), MAKEINTRESOURCEW(T::IDD), parent,
                                       &DialogProc, initParam);
    bool bound = detail::TakeCreatingObject() == nullptr;
    if (windowMade != nullptr) *windowMade = bound;
    return window;
  }

 protected:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* root = static_cast<CWindowImplRoot<TBase>*>(detail::BoundObject(window));
    if (root == nullptr) {
      root = static_cast<CWindowImplRoot<TBase>*>(detail::TakeCreatingObject());
      if (root == nullptr) return FALSE;
      root->m_hWnd = window;
      detail::BindObject(window, root);
    }
    auto* self = static_cast<CDialogImpl*>(root);
    self->EnterMessage();
    LRESULT result = 0;
    INT_PTR answer = FALSE;
    if (self->ProcessWindowMessage(window, message, wParam, lParam, result, 0))
      answer = DialogAnswer(window, message, result);
    self->LeaveMessage(window, message);
    return answer;
  }

 private:
  // These messages return their result directly; all others through DWLP_MSGRESULT.
  static INT_PTR DialogAnswer(HWND window, UINT message, LRESULT result) {
    switch (message) {
      case WM_COMPAREITEM:
      case WM_VKEYTOITEM:
      case WM_CHARTOITEM:
      case WM_INITDIALOG:
      case WM_QUERYDRAGICON:
      case WM_CTLCOLORMSGBOX:
      case WM_CTLCOLOREDIT:
      case WM_CTLCOLORLISTBOX:
      case WM_CTLCOLORBTN:
      case WM_CTLCOLORDLG:
      case WM_CTLCOLORSCROLLBAR:
      case WM_CTLCOLORSTATIC:
        return static_cast<INT_PTR>(result);
      default:
        ::SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
        return TRUE;
    }
  }
};

// Registration data of a top-level window class of our own.
struct CFrameClassInfo {
  const wchar_t* className;
  UINT classStyle;
  const wchar_t* cursor;
};

// A top-level window whose class is registered on first use.
template <class T, class TBase = CWindow, class TWinTraits = CWinTraits<WS_POPUP, 0>>
class CFrameWindowImpl : public CWindowImpl<T, TBase, TWinTraits> {
 public:
  HWND Create(const wchar_t* title, DWORD style, DWORD exStyle) {
    const CFrameClassInfo& info = T::GetClassInfo();
    if (!RegisterOnce(info)) return nullptr;
    return this->CreateWindowWith(info.className, nullptr, title, style, exStyle);
  }

 private:
  static bool RegisterOnce(const CFrameClassInfo& info) {
    WNDCLASSEXW existing = {};
    existing.cbSize = sizeof(existing);
    if (::GetClassInfoExW(detail::ResourceInstance(), info.className, &existing)) return true;
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = info.classStyle;
    windowClass.lpfnWndProc = &CFrameWindowImpl::WindowProc;
    windowClass.hInstance = detail::ResourceInstance();
    windowClass.hCursor = ::LoadCursorW(nullptr, info.cursor);
    windowClass.lpszClassName = info.className;
    return ::RegisterClassExW(&windowClass) != 0;
  }
};

}  // namespace kst
