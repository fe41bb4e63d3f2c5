// Message tables: each window class lists the messages it answers as rows, from most to
// least specific, and passes the rest on to its base or the default processing.
#pragma once

#include <windows.h>

namespace kst {

// Reflected notifications arrive at the control that caused them as the message plus this base.
constexpr UINT OCM__BASE = WM_USER + 0x1C00;
constexpr UINT OCM_COMMAND = OCM__BASE + WM_COMMAND;
constexpr UINT OCM_NOTIFY = OCM__BASE + WM_NOTIFY;
constexpr UINT OCM_CTLCOLORSTATIC = OCM__BASE + WM_CTLCOLORSTATIC;

// Asks a window to treat a message its loop retrieved; lParam is the MSG.
constexpr UINT WM_FORWARDMSG = 0x037F;

namespace detail {

// Sends a child control's notification back to the control as OCM__BASE + message.
LRESULT ReflectNotification(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);

}  // namespace detail

class CMessageMap {
 public:
  virtual BOOL ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                    LRESULT& result, DWORD mapId) = 0;

 protected:
  ~CMessageMap() = default;
};

}  // namespace kst

// A handler sees (message, wParam, lParam, handled); handled starts TRUE and a handler that
// clears it lets the message go on to later rows and the default processing.
#define BEGIN_MSG_MAP(theClass)                                                                   \
 public:                                                                                          \
  BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult, \
                            DWORD dwMsgMapID = 0) override {                                      \
    (void)hWnd;                                                                                   \
    (void)dwMsgMapID;                                                                             \
    BOOL bHandled = TRUE;

#define MESSAGE_HANDLER(msg, func)                  \
  if (uMsg == (msg)) {                              \
    bHandled = TRUE;                                \
    lResult = func(uMsg, wParam, lParam, bHandled); \
    if (bHandled) return TRUE;                      \
  }

#define MESSAGE_RANGE_HANDLER(first, last, func)    \
  if (uMsg >= (first) && uMsg <= (last)) {          \
    bHandled = TRUE;                                \
    lResult = func(uMsg, wParam, lParam, bHandled); \
    if (bHandled) return TRUE;                      \
  }

// Commands are matched on the control id alone; the notification code is not looked at.
#define COMMAND_ID_HANDLER(id, func)                                                          \
  if (uMsg == WM_COMMAND && LOWORD(wParam) == (id)) {                                         \
    bHandled = TRUE;                                                                          \
    lResult = func(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam), bHandled); \
    if (bHandled) return TRUE;                                                                \
  }

#define CHAIN_MSG_MAP(theChainClass)                                                        \
  if (theChainClass::ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult, dwMsgMapID)) \
    return TRUE;

// Sends notifications from child controls back to those controls as OCM_ messages.
#define REFLECT_NOTIFICATIONS()                                                         \
  {                                                                                     \
    bHandled = TRUE;                                                                    \
    lResult = ::kst::detail::ReflectNotification(hWnd, uMsg, wParam, lParam, bHandled); \
    if (bHandled) return TRUE;                                                          \
  }

#define END_MSG_MAP() \
  return FALSE;       \
  }

namespace kst {

// Typed views of a message's parameters, so that a handler reads as what it receives.
inline HDC DeviceContextParameter(WPARAM wParam) { return reinterpret_cast<HDC>(wParam); }

// The signed screen coordinates that mouse and hit-test messages pack into lParam.
inline POINT PointParameter(LPARAM lParam) {
  return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

// The DPI that WM_DPICHANGED (its x, which equals its y), WM_GETDPISCALEDSIZE and the frame's
// notice to its dialog carry in wParam.
inline int DpiParameter(WPARAM wParam) { return LOWORD(wParam); }

// The structure a message points lParam at, such as MINMAXINFO or MSG.
template <typename T>
T* StructParameter(LPARAM lParam) {
  return reinterpret_cast<T*>(lParam);
}

}  // namespace kst
