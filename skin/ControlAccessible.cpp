#include "skin/ControlAccessible.h"

#include "base/SystemLibrary.h"

namespace kst {
namespace {

// oleacc is no KnownDLL: loaded by full path from the system folder, at the first question.
using CreateStdAccessibleObjectFunction = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
using LresultFromObjectFunction = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);

constexpr size_t kNameCapacity = 200;

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

void SetLong(VARIANT* out, LONG value) {
  out->vt = VT_I4;
  out->lVal = value;
}

}  // namespace

bool CControlAccessible::Create(HWND control, CAccessibleFacts* facts,
                                CComRef<CControlAccessible>& out) {
  static const CreateStdAccessibleObjectFunction createStandard =
      GetSystemFunction<CreateStdAccessibleObjectFunction>(L"oleacc.dll",
                                                           "CreateStdAccessibleObject");
  if (createStandard == nullptr) return false;
  CComRef<CControlAccessible> made;
  *made.ReceiveTyped() = new CControlAccessible(control, facts);
  if (made.Get() == nullptr || FAILED(createStandard(control, OBJID_CLIENT, __uuidof(IAccessible),
                                                     made->standard.Receive())))
    return false;
  *out.ReceiveTyped() = made.Get();
  made->AddRef();
  return true;
}

LRESULT CControlAccessible::Answer(WPARAM wParam) {
  static const LresultFromObjectFunction resultFromObject =
      GetSystemFunction<LresultFromObjectFunction>(L"oleacc.dll", "LresultFromObject");
  if (resultFromObject == nullptr) return 0;
  return resultFromObject(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(this));
}

HRESULT STDMETHODCALLTYPE CControlAccessible::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
    *object = static_cast<IAccessible*>(this);
  } else if (iid == __uuidof(IOleWindow)) {
    *object = static_cast<IOleWindow*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG STDMETHODCALLTYPE CControlAccessible::AddRef() {
  return static_cast<ULONG>(::InterlockedIncrement(&references));
}

ULONG STDMETHODCALLTYPE CControlAccessible::Release() {
  const LONG left = ::InterlockedDecrement(&references);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::GetTypeInfoCount(UINT* count) {
  return Forward(&IAccessible::GetTypeInfoCount, count);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::GetTypeInfo(UINT index, LCID locale,
                                                          ITypeInfo** info) {
  return Forward(&IAccessible::GetTypeInfo, index, locale, info);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count,
                                                            LCID locale, DISPID* ids) {
  return Forward(&IAccessible::GetIDsOfNames, iid, names, count, locale, ids);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                                     DISPPARAMS* parameters, VARIANT* result,
                                                     EXCEPINFO* exception, UINT* argumentError) {
  return Forward(&IAccessible::Invoke, id, iid, locale, flags, parameters, result, exception,
                 argumentError);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::get_accParent(IDispatch** parent) {
  return Forward(&IAccessible::get_accParent, parent);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::get_accChildCount(long* count) {
  return Forward(&IAccessible::get_accChildCount, count);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::get_accChild(VARIANT child, IDispatch** object) {
  return Forward(&IAccessible::get_accChild, child, object);
}

// No name (S_FALSE) for a control that has none, such as a picture: readers pass over it.
HRESULT STDMETHODCALLTYPE CControlAccessible::get_accName(VARIANT child, BSTR* name) {
  if (!IsSelf(child)) return Forward(&IAccessible::get_accName, child, name);
  if (facts == nullptr) return RPC_E_DISCONNECTED;
  if (name == nullptr) return E_POINTER;
  wchar_t text[kNameCapacity] = {};
  *name = nullptr;
  if (facts->AccessibleName(text, kNameCapacity) == 0) return S_FALSE;
  *name = ::SysAllocString(text);
  return *name != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE CControlAccessible::get_accValue(VARIANT child, BSTR* value) {
  return Forward(&IAccessible::get_accValue, child, value);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::get_accDescription(VARIANT child, BSTR* description) {
  return Forward(&IAccessible::get_accDescription, child, description);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::get_accRole(VARIANT child, VARIANT* role) {
  if (!IsSelf(child)) return Forward(&IAccessible::get_accRole, child, role);
  if (facts == nullptr) return RPC_E_DISCONNECTED;
  if (role == nullptr) return E_POINTER;
  SetLong(role, facts->AccessibleRole());
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CControlAccessible::get_accState(VARIANT child, VARIANT* state) {
  if (!IsSelf(child)) return Forward(&IAccessible::get_accState, child, state);
  if (facts == nullptr) return RPC_E_DISCONNECTED;
  if (state == nullptr) return E_POINTER;
  VARIANT standardState = {};  // VT_EMPTY
  const bool known =
      SUCCEEDED(standard->get_accState(child, &standardState)) && standardState.vt == VT_I4;
  SetLong(state, (known ? standardState.lVal : 0) | facts->AccessibleState());
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CControlAccessible::get_accHelp(VARIANT child, BSTR* help) {
  return Forward(&IAccessible::get_accHelp, child, help);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::get_accHelpTopic(BSTR* file, VARIANT child,
                                                               long* topic) {
  return Forward(&IAccessible::get_accHelpTopic, file, child, topic);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::get_accKeyboardShortcut(VARIANT child,
                                                                      BSTR* shortcut) {
  return Forward(&IAccessible::get_accKeyboardShortcut, child, shortcut);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::get_accFocus(VARIANT* focus) {
  return Forward(&IAccessible::get_accFocus, focus);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::get_accSelection(VARIANT* selection) {
  return Forward(&IAccessible::get_accSelection, selection);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::get_accDefaultAction(VARIANT child, BSTR* action) {
  return Forward(&IAccessible::get_accDefaultAction, child, action);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::accSelect(long flags, VARIANT child) {
  return Forward(&IAccessible::accSelect, flags, child);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::accLocation(long* left, long* top, long* width,
                                                          long* height, VARIANT child) {
  return Forward(&IAccessible::accLocation, left, top, width, height, child);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::accNavigate(long direction, VARIANT start,
                                                          VARIANT* end) {
  return Forward(&IAccessible::accNavigate, direction, start, end);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::accHitTest(long x, long y, VARIANT* child) {
  return Forward(&IAccessible::accHitTest, x, y, child);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::accDoDefaultAction(VARIANT child) {
  return Forward(&IAccessible::accDoDefaultAction, child);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::put_accName(VARIANT child, BSTR name) {
  return Forward(&IAccessible::put_accName, child, name);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::put_accValue(VARIANT child, BSTR value) {
  return Forward(&IAccessible::put_accValue, child, value);
}

HRESULT STDMETHODCALLTYPE CControlAccessible::GetWindow(HWND* window) {
  if (facts == nullptr) return RPC_E_DISCONNECTED;
  if (window == nullptr) return E_POINTER;
  *window = control;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CControlAccessible::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

}  // namespace kst
