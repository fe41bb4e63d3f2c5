// Base of the skinned controls: attaching to a control of the dialog template (or setting up
// at WM_CREATE when the class makes the window itself), and the message handling that several
// kinds of control share, each control taking the parts it needs. The drawing and the state
// that belongs to one kind of control stay in its own class, which overrides
//   void Initialise();                                  its state after attaching;
//   void Paint(HDC dc, const RECT& client) const;       with kPaintsItself;
//   void Draw(HDC dc, const RECT& rect, unsigned itemState, const wchar_t* caption) const;
//                                                       with kDrawsAtPreErase, where itemState
//                                                       has kItemFocus only while the keyboard
//                                                       cues show the focus;
// Its focus cue follows WM_UPDATEUISTATE, hidden until one clears UISF_HIDEFOCUS. It may override
// OnFontChanged(), called when WM_SETFONT has changed Font(), OnScreenPainted(),
// called when a WM_PAINT has been painted and its DC given back, and OnDpiChanged(), called when
// SetDpi has changed Dpi(). Every control answers WM_GETOBJECT for its client area with the
// accessible role it names (AccessibleRole), the name of its caption (or AccessibleName) and the
// states of AccessibleState; SetLook switches it between the skin's look and the plain one, its
// drawing reading Look().
#pragma once

#include <windows.h>

#include "base/ComRef.h"
#include "base/Handles.h"
#include "framework/Controls.h"
#include "framework/WindowImpl.h"
#include "skin/ControlAccessible.h"
#include "skin/DpiScale.h"
#include "skin/SkinDrawing.h"
#include "skin/SkinRules.h"

namespace kst {

// The parts of the shared handling a skinned control takes.
enum SkinControlParts : unsigned {
  // WM_SETFONT: the font is kept for the control's own drawing and still goes on to the system
  // control, which measures its caption with it.
  kKeepsFont = 0x1,
  // The background is a pattern brush of what the window behind paints under the control, made
  // at its first use and dropped on WM_MOVE and WM_SIZE, so that it matches the control's place.
  // The window behind is the outermost one (RootOwnerWindow), on the installer's surface the
  // frame, whose picture lies under every control; SetBackgroundSource names another.
  kCopiesBackground = 0x2,
  // The system button's custom draw, reflected back by the parent as OCM_NOTIFY: Draw paints
  // everything at the pre-erase stage, from the background up, and the system draws nothing.
  kDrawsAtPreErase = 0x4,
  // WM_PAINT and WM_PRINTCLIENT (wParam, when not 0, is the DC) go to Paint, and nothing is
  // erased: what lies behind shows wherever Paint paints nothing.
  kPaintsItself = 0x8,
};

// The shared handling, once for every kind of control: the parts a control takes are read as
// it runs, and its own drawing is reached through the hooks.
class CThemedControlBase : public CWindowImplBase,
                           public CCustomDraw<CThemedControlBase>,
                           protected CAccessibleFacts {
 public:
  // Subclasses an existing control and sets it up; false when subclassing fails.
  bool Attach(HWND control);

  // The DPI the control draws its pixel sizes for; 96 until set. The snapshot is dropped, as the
  // window behind is drawn for the new DPI too; no repaint is requested.
  void SetDpi(int newDpi);
  int Dpi() const { return dpi; }

  // Borrowed: the font of the last WM_SETFONT, or the one the control chose when attaching.
  HFONT Font() const { return font; }
  HWND BackgroundSource() const { return backgroundSource; }
  // The snapshot is dropped; no repaint is requested.
  void SetBackgroundSource(HWND window);

  // The skin's look or the plain one; the snapshot is dropped and the control repainted.
  void SetLook(const SkinLook& newLook);
  const SkinLook& Look() const { return look; }

  BEGIN_MSG_MAP(CThemedControlBase)
  MESSAGE_HANDLER(WM_CREATE, OnCreate)
  MESSAGE_HANDLER(WM_GETOBJECT, OnGetObject)
  if (Takes(kKeepsFont)) {
    MESSAGE_HANDLER(WM_SETFONT, OnSetFont)
  }
  if (Takes(kCopiesBackground)) {
    MESSAGE_HANDLER(WM_MOVE, OnMoveOrSize)
    MESSAGE_HANDLER(WM_SIZE, OnMoveOrSize)
  }
  if (Takes(kDrawsAtPreErase)) {
    MESSAGE_HANDLER(OCM_NOTIFY, OnNotifyCustomDraw)
    MESSAGE_HANDLER(WM_UPDATEUISTATE, OnUpdateUiState)
  }
  if (Takes(kPaintsItself)) {
    MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseNothing)
    MESSAGE_HANDLER(WM_PAINT, OnPaint)
    MESSAGE_HANDLER(WM_PRINTCLIENT, OnPaint)
  }
  END_MSG_MAP()

  // Custom-draw stages, called through CCustomDraw.
  DWORD OnPreErase(NMCUSTOMDRAW* draw);
  // Everything was drawn at the pre-erase stage.
  DWORD OnPrePaint(NMCUSTOMDRAW*) { return CDRF_SKIPDEFAULT; }

 protected:
  explicit CThemedControlBase(unsigned parts) : takenParts(parts) {}
  // Controls are never deleted through this base. Readers that still hold the accessible object
  // get no answers from it afterwards.
  ~CThemedControlBase();

  virtual void Initialise() {}
  virtual void Paint(HDC /*dc*/, const RECT& /*client*/) const {}
  virtual void Draw(HDC /*dc*/, const RECT& /*rect*/, unsigned /*itemState*/,
                    const wchar_t* /*caption*/) const {}
  virtual void OnFontChanged() {}
  virtual void OnScreenPainted() {}
  virtual void OnDpiChanged() {}

  // The caption, as AccessibleNameOfCaption makes it a name.
  size_t AccessibleName(wchar_t* name, size_t capacity) override;
  LONG AccessibleState() override { return 0; }

  // For a control whose font does not come with WM_SETFONT.
  void KeepFont(HFONT given) { font = given; }
  HBRUSH BackgroundBrush() const { return backgroundBrush.Get(); }
  HBRUSH EnsureBackgroundBrush();

 private:
  bool Takes(unsigned part) const { return (takenParts & part) != 0; }
  // The shared state, then the control's own; a snapshot made before is kept.
  void SetUp();

  LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL& handled);
  LRESULT OnSetFont(UINT, WPARAM wParam, LPARAM, BOOL& handled);
  LRESULT OnMoveOrSize(UINT, WPARAM, LPARAM, BOOL&);
  // The item state with kItemFocus set only while the control has the focus and its cue shows.
  unsigned DrawnItemState(unsigned systemState);
  LRESULT OnUpdateUiState(UINT, WPARAM, LPARAM, BOOL& handled);
  LRESULT OnEraseNothing(UINT, WPARAM, LPARAM, BOOL&) { return 1; }
  LRESULT OnPaint(UINT, WPARAM wParam, LPARAM, BOOL&);
  // The client area's object, made at the first question; other objects are the system's.
  LRESULT OnGetObject(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled);

  const unsigned takenParts;
  CComRef<CControlAccessible> accessible;
  SkinLook look = {};
  HFONT font = nullptr;
  HWND backgroundSource = nullptr;
  CBrush backgroundBrush;
  int dpi = kDesignDpi;
  // Until a WM_UPDATEUISTATE clears UISF_HIDEFOCUS, as for a mouse user.
  bool focusCueShown = false;
};

// A skinned control T over the window view TBase, taking the parts of the shared handling; what
// belongs to a part it does not take is refused when the program is built.
template <class T, class TBase, unsigned parts>
class CThemedControlImpl : public TBase, public CThemedControlBase {
 public:
  CThemedControlImpl() : CThemedControlBase(parts) {}

  HFONT Font() const {
    static_assert((parts & kKeepsFont) != 0, "the control keeps no font");
    return CThemedControlBase::Font();
  }
  HWND BackgroundSource() const {
    static_assert((parts & kCopiesBackground) != 0, "the control copies no background");
    return CThemedControlBase::BackgroundSource();
  }
  void SetBackgroundSource(HWND window) {
    static_assert((parts & kCopiesBackground) != 0, "the control copies no background");
    CThemedControlBase::SetBackgroundSource(window);
  }

 protected:
  HWND& WindowHandle() final { return this->m_hWnd; }
};

}  // namespace kst
