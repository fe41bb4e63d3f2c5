#include "framework/WindowImpl.h"

#include "framework/MessageLoop.h"

namespace kst {
namespace detail {
namespace {

constexpr wchar_t kObjectProperty[] = L"kst.window.object";
void* creatingObject = nullptr;

// Window procedures of this (the only) user-interface thread that have not returned yet.
int procedureDepth = 0;
CPendingRelease* firstPending = nullptr;
CPendingRelease* lastPending = nullptr;

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

}  // namespace

void EnterWindowProcedure() { ++procedureDepth; }

void LeaveWindowProcedure() {
  if (procedureDepth > 1) {
    --procedureDepth;
    return;
  }
  // Still counted while releasing: a message sent meanwhile must not start a second round.
  while (CPendingRelease* object = firstPending) {
    firstPending = object->nextPending;
    if (firstPending == nullptr) lastPending = nullptr;
    object->nextPending = nullptr;
    object->FinishRelease();
  }
  procedureDepth = 0;
}

void DeferRelease(CPendingRelease* object) {
  if (lastPending != nullptr)
    lastPending->nextPending = object;
  else
    firstPending = object;
  lastPending = object;
}

void SetCreatingObject(void* object) { creatingObject = object; }

void* TakeCreatingObject() {
  void* object = creatingObject;
  creatingObject = nullptr;
  return object;
}

void BindObject(HWND window, void* object) { ::SetPropW(window, kObjectProperty, object); }
void* BoundObject(HWND window) { return ::GetPropW(window, kObjectProperty); }
void UnbindObject(HWND window) { ::RemovePropW(window, kObjectProperty); }

LRESULT ReflectNotification(HWND parent, UINT message, WPARAM wParam, LPARAM lParam,
                            BOOL& handled) {
  HWND source = NotificationSource(parent, message, wParam, lParam);
  if (source == nullptr) {
    handled = FALSE;
    return 0;
  }
  return ::SendMessageW(source, OCM__BASE + message, wParam, lParam);
}

bool IsReflectedMessage(UINT message) {
  return message >= OCM__BASE + WM_DRAWITEM && message <= OCM__BASE + WM_PARENTNOTIFY;
}

HINSTANCE ResourceInstance() { return appModule.GetResourceInstance(); }

}  // namespace detail
}  // namespace kst
