// What a skinned control tells screen readers through Active Accessibility: the system's own
// object for the control's client area, with the role, name and states the control gives.
#pragma once

#include <windows.h>

#include <oleacc.h>
#include <stddef.h>

#include "base/ComRef.h"

namespace kst {

// The control's side of its accessible object.
class CAccessibleFacts {
 public:
  virtual LONG AccessibleRole() = 0;
  // Writes at most capacity characters with the NUL; the name's length, 0 for no name.
  virtual size_t AccessibleName(wchar_t* name, size_t capacity) = 0;
  // States added to those the system's object reports (focus, visibility, availability).
  virtual LONG AccessibleState() = 0;

 protected:
  ~CAccessibleFacts() = default;
};

// The system's standard object (CreateStdAccessibleObject of oleacc, loaded from the system folder)
// answers everything but role, name and state, which come from the facts: Wine's standard object
// gives every control the client role and no checked state, and Windows' reads a button drawn as a
// link or as a close button as a plain button, named by its caption.
class CControlAccessible final : public IAccessible, public IOleWindow {
 public:
  // The object with one reference in out; false where oleacc cannot be had. facts must stay until
  // Disconnect.
  static bool Create(HWND control, CAccessibleFacts* facts, CComRef<CControlAccessible>& out);
  // The control goes: from here on every call fails as disconnected, whoever still holds the
  // object.
  void Disconnect() { facts = nullptr; }
  // The answer to WM_GETOBJECT: the object marshalled for the asking process (LresultFromObject).
  LRESULT Answer(WPARAM wParam);

  CControlAccessible(const CControlAccessible&) = delete;
  CControlAccessible& operator=(const CControlAccessible&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                   DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                   UINT* argumentError) override;
  // IAccessible: role, name and state of the object itself from the facts, the rest from the
  // system's object.
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override;
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override;
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override;
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override;
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override;
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override;
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override;
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                        VARIANT child) override;
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override;
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override;
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override;
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override;
  // IOleWindow, through which readers find the control's window (WindowFromAccessibleObject).
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enterMode) override;

 private:
  CControlAccessible(HWND window, CAccessibleFacts* givenFacts)
      : control(window), facts(givenFacts) {}
  ~CControlAccessible() = default;

  // A call of the system's object, or the disconnected answer once the control has gone.
  // Interface is IAccessible or the IDispatch it derives from.
  template <class Interface, typename... Parameters, typename... Arguments>
  HRESULT Forward(HRESULT (STDMETHODCALLTYPE Interface::*method)(Parameters...),
                  Arguments... arguments) {
    if (facts == nullptr) return RPC_E_DISCONNECTED;
    return (standard.Get()->*method)(arguments...);
  }

  LONG references = 1;
  const HWND control;
  CAccessibleFacts* facts;  // borrowed; null once disconnected
  CComRef<IAccessible> standard;
};

}  // namespace kst
