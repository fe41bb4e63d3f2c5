#include "framework/WindowImpl.h"

#include "framework/MessageLoop.h"

namespace kst {
namespace {

constexpr wchar_t kObjectProperty[] = L"kst.window.object";
// The object whose window is being created on this (the only) user-interface thread; its window
// procedure binds it at the window's first message.
CWindowImplBase* creatingObject = nullptr;

// Window procedures of this (the only) user-interface thread that have not returned yet, and the
// objects whose windows have had their last message meanwhile, in the order the windows went.
// An object is released only once no window procedure of the thread runs any more: a command
// that closes the program can destroy a window whose object, or the object that owns it, is
// still on the stack further out.
int procedureDepth = 0;
CWindowImplBase* firstPending = nullptr;
CWindowImplBase* lastPending = nullptr;

// The control that caused a notification, or NULL when the message names none.
HWND NotificationSource(HWND parent, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      return reinterpret_cast<HWND>(lParam);
    case WM_NOTIFY:
      return reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
    case WM_PARENTNOTIFY:
      if (LOWORD(wParam) == WM_CREATE || LOWORD(wParam) == WM_DESTROY)
        return reinterpret_cast<HWND>(lParam);
      return ::GetDlgItem(parent, HIWORD(wParam));
    case WM_DRAWITEM:
      return wParam != 0 ? reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem : nullptr;
    case WM_MEASUREITEM:
      return wParam != 0
                 ? ::GetDlgItem(parent, reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam)->CtlID)
                 : nullptr;
    case WM_COMPAREITEM:
      return wParam != 0 ? reinterpret_cast<const COMPAREITEMSTRUCT*>(lParam)->hwndItem : nullptr;
    case WM_DELETEITEM:
      return wParam != 0 ? reinterpret_cast<const DELETEITEMSTRUCT*>(lParam)->hwndItem : nullptr;
    default:
      return nullptr;
  }
}

void BindObject(HWND window, CWindowImplBase* object) {
  ::SetPropW(window, kObjectProperty, object);
}
CWindowImplBase* BoundObject(HWND window) {
  return static_cast<CWindowImplBase*>(::GetPropW(window, kObjectProperty));
}
void UnbindObject(HWND window) { ::RemovePropW(window, kObjectProperty); }

CWindowImplBase* TakeCreatingObject() {
  CWindowImplBase* object = creatingObject;
  creatingObject = nullptr;
  return object;
}

// What a control answers to a reflected message that its own table leaves alone.
bool IsReflectedMessage(UINT message) {
  return message >= OCM__BASE + WM_DRAWITEM && message <= OCM__BASE + WM_PARENTNOTIFY;
}

// These messages return their result directly from a dialog procedure; all others through
// DWLP_MSGRESULT.
INT_PTR DialogAnswer(HWND window, UINT message, LRESULT result) {
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

HINSTANCE ResourceInstance() { return appModule.GetResourceInstance(); }

}  // namespace

namespace detail {

LRESULT ReflectNotification(HWND parent, UINT message, WPARAM wParam, LPARAM lParam,
                            BOOL& handled) {
  HWND source = NotificationSource(parent, message, wParam, lParam);
  if (source == nullptr) {
    handled = FALSE;
    return 0;
  }
  return ::SendMessageW(source, OCM__BASE + message, wParam, lParam);
}

}  // namespace detail

BOOL CWindowImplBase::SubclassWindow(HWND window) {
  HWND& handle = WindowHandle();
  // A window bound to another object already has the shared procedure: taking it as the
  // previous one would call itself.
  if (handle != nullptr || !::IsWindow(window) || BoundObject(window) != nullptr) return FALSE;
  BindObject(window, this);
  WNDPROC previous = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc)));
  if (previous == nullptr) {
    UnbindObject(window);
    return FALSE;
  }
  superWindowProc = previous;
  handle = window;
  return TRUE;
}

HWND CWindowImplBase::CreateFrameWindow(const CFrameClassInfo& info, const wchar_t* title,
                                        DWORD style, DWORD exStyle) {
  const HINSTANCE instance = ResourceInstance();
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof(windowClass);
  if (!::GetClassInfoExW(instance, info.className, &windowClass)) {
    windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = info.classStyle;
    windowClass.lpfnWndProc = &WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, info.cursor);
    windowClass.lpszClassName = info.className;
    if (::RegisterClassExW(&windowClass) == 0) return nullptr;
  }
  creatingObject = this;
  HWND window =
      ::CreateWindowExW(exStyle, info.className, title, style, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  TakeCreatingObject();
  return window;
}

HWND CWindowImplBase::CreateDialogWindow(const wchar_t* templateName, HWND parent, LPARAM initParam,
                                         bool* windowMade) {
  creatingObject = this;
  HWND window =
      ::CreateDialogParamW(ResourceInstance(), templateName, parent, &DialogProc, initParam);
  bool bound = TakeCreatingObject() == nullptr;
  if (windowMade != nullptr) *windowMade = bound;
  return window;
}

CWindowImplBase* CWindowImplBase::EnterMessage(HWND window) {
  CWindowImplBase* object = BoundObject(window);
  if (object == nullptr) {
    object = TakeCreatingObject();
    if (object == nullptr) return nullptr;
    object->WindowHandle() = window;
    BindObject(window, object);
  }
  ++procedureDepth;
  return object;
}

LRESULT CALLBACK CWindowImplBase::WindowProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
  CWindowImplBase* self = EnterMessage(window);
  if (self == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
  LRESULT result = 0;
  if (!self->ProcessWindowMessage(window, message, wParam, lParam, result, 0)) {
    if (IsReflectedMessage(message))
      result = ::DefWindowProcW(window, message - OCM__BASE, wParam, lParam);
    else
      result = ::CallWindowProcW(self->superWindowProc, window, message, wParam, lParam);
  }
  self->LeaveMessage(window, message);
  return result;
}

INT_PTR CALLBACK CWindowImplBase::DialogProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
  CWindowImplBase* self = EnterMessage(window);
  if (self == nullptr) return FALSE;
  LRESULT result = 0;
  INT_PTR answer = FALSE;
  if (self->ProcessWindowMessage(window, message, wParam, lParam, result, 0))
    answer = DialogAnswer(window, message, result);
  self->LeaveMessage(window, message);
  return answer;
}

void CWindowImplBase::LeaveMessage(HWND window, UINT message) {
  if (message == WM_NCDESTROY) {
    finalWindow = window;
    if (lastPending != nullptr)
      lastPending->nextPending = this;
    else
      firstPending = this;
    lastPending = this;
  }
  if (procedureDepth > 1) {
    --procedureDepth;
    return;
  }
  // Still counted while releasing: a message sent meanwhile must not start a second round.
  while (CWindowImplBase* object = firstPending) {
    firstPending = object->nextPending;
    if (firstPending == nullptr) lastPending = nullptr;
    object->nextPending = nullptr;
    object->FinishRelease();
  }
  procedureDepth = 0;
}

// A subclassed window gets its previous procedure back, unless another has subclassed it since.
void CWindowImplBase::FinishRelease() {
  HWND window = finalWindow;
  if (reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(window, GWLP_WNDPROC)) == &WindowProc &&
      superWindowProc != ::DefWindowProcW)
    ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(superWindowProc));
  UnbindObject(window);
  WindowHandle() = nullptr;
  OnFinalMessage(window);
}

}  // namespace kst
