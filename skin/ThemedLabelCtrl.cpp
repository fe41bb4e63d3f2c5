#include "skin/ThemedLabelCtrl.h"

#include "skin/SkinDrawing.h"
#include "skin/SkinRules.h"

namespace kst {
namespace {

constexpr int kTextCapacity = 1600;
// EVENT_OBJECT_LIVEREGIONCHANGED, which the headers declare for Windows 8 and later only.
constexpr DWORD kLiveRegionChanged = 0x8019;

}  // namespace

void CThemedLabelCtrl::Initialise() {
  drawFormat = DT_SINGLELINE | DT_NOPREFIX;
  KeepFont(reinterpret_cast<HFONT>(::SendMessageW(GetParent(), WM_GETFONT, 0, 0)));
  textColor = RGB(0, 0, 0);
}

void CThemedLabelCtrl::Repaint() {
  if (IsWindow()) RepaintWithBackground(m_hWnd, false);
}

void CThemedLabelCtrl::SetLabelColor(COLORREF color) {
  textColor = color;
  Repaint();
}

void CThemedLabelCtrl::SetCentered() {
  drawFormat = DT_CENTER;
  Repaint();
}

void CThemedLabelCtrl::Paint(HDC dc, const RECT& client) const {
  wchar_t text[kTextCapacity] = {};
  ::GetWindowTextW(m_hWnd, text, kTextCapacity);
  DrawCaption(dc, client, text, Font(), SkinColorFor(Look(), SkinColorUse::kText, textColor),
              drawFormat);
}

// Status texts are set while the install works without handling messages: the label shows
// each before the setting call returns. The text is stored by the default window procedure,
// where the system static keeps it too, because the static's own handling paints the text at
// once on an opaque box of the control colour. The accessible name is the text: readers hear of
// it through the name-change event, and of a live region's change where the system knows that
// event (Windows 8 on; older systems pass it by).
LRESULT CThemedLabelCtrl::OnSetText(UINT message, WPARAM wParam, LPARAM lParam, BOOL&) {
  LRESULT result = ::DefWindowProcW(m_hWnd, message, wParam, lParam);
  RepaintWithBackground(m_hWnd, true);
  ::NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, m_hWnd, OBJID_CLIENT, CHILDID_SELF);
  if (liveRegion) ::NotifyWinEvent(kLiveRegionChanged, m_hWnd, OBJID_CLIENT, CHILDID_SELF);
  return result;
}

}  // namespace kst
