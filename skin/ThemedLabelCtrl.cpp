#include "skin/ThemedLabelCtrl.h"

#include "skin/SkinDrawing.h"

namespace kst {
namespace {

constexpr int kTextCapacity = 1600;

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
  DrawCaption(dc, client, text, Font(), textColor, drawFormat);
}

// Status texts are set while the install works without handling messages: the label shows
// each before the setting call returns. The text is stored by the default window procedure,
// where the system static keeps it too, because the static's own handling paints the text at
// once on an opaque box of the control colour.
LRESULT CThemedLabelCtrl::OnSetText(UINT message, WPARAM wParam, LPARAM lParam, BOOL&) {
  LRESULT result = ::DefWindowProcW(m_hWnd, message, wParam, lParam);
  RepaintWithBackground(m_hWnd, true);
  return result;
}

}  // namespace kst
