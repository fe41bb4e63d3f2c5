#include "skin/ThemedControlImpl.h"

#include "skin/SkinRules.h"

namespace kst {
namespace {

constexpr int kCaptionCapacity = 200;

}  // namespace

CThemedControlBase::~CThemedControlBase() {
  if (accessible.Get() != nullptr) accessible->Disconnect();
}

bool CThemedControlBase::Attach(HWND control) {
  if (!SubclassWindow(control)) return false;
  SetUp();
  return true;
}

void CThemedControlBase::SetUp() {
  if (Takes(kCopiesBackground)) backgroundSource = RootOwnerWindow(WindowHandle());
  Initialise();
}

void CThemedControlBase::SetDpi(int newDpi) {
  if (newDpi == dpi) return;
  dpi = newDpi;
  backgroundBrush.Reset();
  OnDpiChanged();
}

void CThemedControlBase::SetBackgroundSource(HWND window) {
  backgroundSource = window;
  backgroundBrush.Reset();
}

void CThemedControlBase::SetLook(const SkinLook& newLook) {
  look = newLook;
  backgroundBrush.Reset();
  if (::IsWindow(WindowHandle())) ::InvalidateRect(WindowHandle(), nullptr, TRUE);
}

HBRUSH CThemedControlBase::EnsureBackgroundBrush() {
  if (!backgroundBrush)
    backgroundBrush = CreateParentBackgroundBrush(WindowHandle(), backgroundSource);
  return backgroundBrush.Get();
}

DWORD CThemedControlBase::OnPreErase(NMCUSTOMDRAW* draw) {
  EnsureBackgroundBrush();
  wchar_t caption[kCaptionCapacity] = {};
  ::GetWindowTextW(WindowHandle(), caption, kCaptionCapacity);
  Draw(draw->hdc, draw->rc, DrawnItemState(draw->uItemState), caption);
  return CDRF_SKIPDEFAULT;
}

// The system reports the focus also after a click; the cue shows only by the keyboard-cue rules.
unsigned CThemedControlBase::DrawnItemState(unsigned systemState) {
  const bool focusShown = focusCueShown && ::GetFocus() == WindowHandle();
  return focusShown ? systemState | kItemFocus : systemState & ~kItemFocus;
}

// Kept here rather than asked with WM_QUERYUISTATE, which Wine always answers with 0; the system
// control still sees the change.
LRESULT CThemedControlBase::OnUpdateUiState(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
  if ((HIWORD(wParam) & UISF_HIDEFOCUS) != 0 && LOWORD(wParam) != UIS_INITIALIZE) {
    const bool shown = LOWORD(wParam) == UIS_CLEAR;
    if (shown != focusCueShown) ::InvalidateRect(WindowHandle(), nullptr, FALSE);
    focusCueShown = shown;
  }
  handled = FALSE;
  return 0;
}

LRESULT CThemedControlBase::OnCreate(UINT, WPARAM, LPARAM, BOOL& handled) {
  SetUp();
  handled = FALSE;
  return 0;
}

LRESULT CThemedControlBase::OnSetFont(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
  font = reinterpret_cast<HFONT>(wParam);
  OnFontChanged();
  handled = FALSE;
  return 0;
}

LRESULT CThemedControlBase::OnMoveOrSize(UINT, WPARAM, LPARAM, BOOL&) {
  backgroundBrush.Reset();
  return 1;
}

LRESULT CThemedControlBase::OnPaint(UINT, WPARAM wParam, LPARAM, BOOL&) {
  const HWND window = WindowHandle();
  RECT client = {};
  ::GetClientRect(window, &client);
  if (Takes(kCopiesBackground)) EnsureBackgroundBrush();
  if (wParam != 0) {
    Paint(DeviceContextParameter(wParam), client);
    return 0;
  }
  {
    CPaintDC paintDC(window);
    Paint(paintDC.Get(), client);
  }
  OnScreenPainted();
  return 0;
}

size_t CThemedControlBase::AccessibleName(wchar_t* name, size_t capacity) {
  wchar_t caption[kCaptionCapacity] = {};
  ::GetWindowTextW(WindowHandle(), caption, kCaptionCapacity);
  return AccessibleNameOfCaption(caption, name, capacity);
}

LRESULT CThemedControlBase::OnGetObject(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled) {
  // Compared as 32 bits: 64-bit Windows may extend the negative object id with or without sign.
  if (static_cast<DWORD>(lParam) != static_cast<DWORD>(OBJID_CLIENT) ||
      (accessible.Get() == nullptr &&
       !CControlAccessible::Create(WindowHandle(), this, accessible))) {
    handled = FALSE;
    return 0;
  }
  return accessible->Answer(wParam);
}

}  // namespace kst
