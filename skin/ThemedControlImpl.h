// Base of the skinned controls: attaching to a control of the dialog template (or setting up
// at WM_CREATE when the class makes the window itself), and the message handling that several
// kinds of control share, each control taking the parts it needs. The drawing and the state
// that belongs to one kind of control stay in its own class. T provides
//   void Initialise();                                  its state after attaching, always;
//   void Paint(HDC dc, const RECT& client) const;       with kPaintsItself;
//   void Draw(HDC dc, const RECT& rect, unsigned itemState, const wchar_t* caption) const;
//                                                       with kDrawsAtPreErase;
// and may provide OnFontChanged(), called when WM_SETFONT has changed Font(), OnScreenPainted(),
// called when a WM_PAINT has been painted and its DC given back, and OnDpiChanged(), called when
// SetDpi has changed Dpi().
#pragma once

#include <windows.h>

#include "base/Handles.h"
#include "framework/Controls.h"
#include "framework/WindowImpl.h"
#include "skin/DpiScale.h"
#include "skin/SkinDrawing.h"

namespace kst {

// The parts of the shared handling a skinned control takes.
enum SkinControlParts : unsigned {
  // WM_SETFONT: the font is kept for the control's own drawing and still goes on to the system
  // control, which measures its caption with it.
  kKeepsFont = 0x1,
  // The background is a pattern brush of what the window behind paints under the control, made
  // at its first use and dropped on WM_MOVE and WM_SIZE, so that it matches the control's place.
  kCopiesBackground = 0x2,
  // The system button's custom draw, reflected back by the parent as OCM_NOTIFY: T::Draw paints
  // everything at the pre-erase stage, from the background up, and the system draws nothing.
  kDrawsAtPreErase = 0x4,
  // WM_PAINT and WM_PRINTCLIENT (wParam, when not 0, is the DC) go to T::Paint, and nothing is
  // erased: what lies behind shows wherever T paints nothing.
  kPaintsItself = 0x8,
};

template <class T, class TBase, unsigned parts>
class CThemedControlImpl : public CWindowImpl<T, TBase, CControlWinTraits>, public CCustomDraw<T> {
 public:
  // Subclasses an existing control and sets it up; false when subclassing fails.
  bool Attach(HWND control) {
    if (!this->SubclassWindow(control)) return false;
    static_cast<T*>(this)->Initialise();
    return true;
  }

  // Borrowed: the font of the last WM_SETFONT, or the one the control chose when attaching.
  HFONT Font() const {
    static_assert(Takes(kKeepsFont), "the control keeps no font");
    return font;
  }
  HWND BackgroundSource() const {
    static_assert(Takes(kCopiesBackground), "the control copies no background");
    return backgroundSource;
  }

  // The DPI the control draws its pixel sizes for; 96 until set. The snapshot is dropped, as the
  // window behind is drawn for the new DPI too; no repaint is requested.
  void SetDpi(int newDpi) {
    if (newDpi == dpi) return;
    dpi = newDpi;
    backgroundBrush.Reset();
    static_cast<T*>(this)->OnDpiChanged();
  }
  int Dpi() const { return dpi; }

  // The snapshot is dropped; no repaint is requested.
  void SetBackgroundSource(HWND window) {
    static_assert(Takes(kCopiesBackground), "the control copies no background");
    backgroundSource = window;
    backgroundBrush.Reset();
  }

  BEGIN_MSG_MAP(CThemedControlImpl)
  MESSAGE_HANDLER(WM_CREATE, OnCreate)
  if constexpr (Takes(kKeepsFont)) {
    MESSAGE_HANDLER(WM_SETFONT, OnSetFont)
  }
  if constexpr (Takes(kCopiesBackground)) {
    MESSAGE_HANDLER(WM_MOVE, OnMoveOrSize)
    MESSAGE_HANDLER(WM_SIZE, OnMoveOrSize)
  }
  if constexpr (Takes(kDrawsAtPreErase)) {
    MESSAGE_HANDLER(OCM_NOTIFY, this->OnNotifyCustomDraw)
  }
  if constexpr (Takes(kPaintsItself)) {
    MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseNothing)
    MESSAGE_HANDLER(WM_PAINT, OnPaint)
    MESSAGE_HANDLER(WM_PRINTCLIENT, OnPaint)
  }
  END_MSG_MAP()

  // Custom-draw stages, called through CCustomDraw.
  DWORD OnPreErase(NMCUSTOMDRAW* draw) {
    EnsureBackgroundBrush();
    wchar_t caption[kCaptionCapacity] = {};
    ::GetWindowTextW(this->m_hWnd, caption, kCaptionCapacity);
    static_cast<const T*>(this)->Draw(draw->hdc, draw->rc, draw->uItemState, caption);
    return CDRF_SKIPDEFAULT;
  }
  // Everything was drawn at the pre-erase stage.
  DWORD OnPrePaint(NMCUSTOMDRAW*) { return CDRF_SKIPDEFAULT; }

 protected:
  static constexpr bool Takes(unsigned part) { return (parts & part) != 0; }

  // For a control whose font does not come with WM_SETFONT.
  void KeepFont(HFONT given) { font = given; }
  // For Initialise: a snapshot made before is kept.
  void UseBackgroundOf(HWND window) { backgroundSource = window; }

  HBRUSH BackgroundBrush() const { return backgroundBrush.Get(); }
  HBRUSH EnsureBackgroundBrush() {
    if (!backgroundBrush)
      backgroundBrush.Reset(CreateParentBackgroundBrush(this->m_hWnd, backgroundSource));
    return backgroundBrush.Get();
  }

  void OnFontChanged() {}
  void OnScreenPainted() {}
  void OnDpiChanged() {}

 private:
  static constexpr int kCaptionCapacity = 200;

  LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL& handled) {
    static_cast<T*>(this)->Initialise();
    handled = FALSE;
    return 0;
  }

  LRESULT OnSetFont(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
    font = reinterpret_cast<HFONT>(wParam);
    static_cast<T*>(this)->OnFontChanged();
    handled = FALSE;
    return 0;
  }

  LRESULT OnMoveOrSize(UINT, WPARAM, LPARAM, BOOL&) {
    backgroundBrush.Reset();
    return 1;
  }

  LRESULT OnEraseNothing(UINT, WPARAM, LPARAM, BOOL&) { return 1; }

  LRESULT OnPaint(UINT, WPARAM wParam, LPARAM, BOOL&) {
    RECT client = {};
    this->GetClientRect(&client);
    if constexpr (Takes(kCopiesBackground)) EnsureBackgroundBrush();
    T* self = static_cast<T*>(this);
    if (wParam != 0) {
      self->Paint(DeviceContextParameter(wParam), client);
      return 0;
    }
    {
      CPaintDC paintDC(this->m_hWnd);
      self->Paint(paintDC.Get(), client);
    }
    self->OnScreenPainted();
    return 0;
  }

  HFONT font = nullptr;
  HWND backgroundSource = nullptr;
  CBrush backgroundBrush;
  int dpi = kDesignDpi;
};

}  // namespace kst
