#include "skin/ThemedHyperlinkCtrl.h"

#include "app/AppMode.h"
#include "skin/SkinRules.h"

namespace kst {

bool CThemedHyperlinkCtrl::Attach(HWND link) {
  if (!SubclassWindow(link)) return false;
  Initialise();
  return true;
}

void CThemedHyperlinkCtrl::Initialise() {
  backgroundSource = TopLevelWindow(m_hWnd);
  // Passes through OnSetFont, which derives the underlined font.
  SendMessage(WM_SETFONT, SendMessage(WM_GETFONT), TRUE);
  textColor = RGB(40, 90, 200);
  hotTextColor = RGB(60, 120, 220);
  drawFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
  SizeToCaption();
}

// The system button measures its caption in its font (common controls 6).
void CThemedHyperlinkCtrl::SizeToCaption() {
  SIZE ideal = {};
  SendMessage(BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal));
  RECT frame = {0, 0, ideal.cx, ideal.cy};
  ::AdjustWindowRectEx(&frame, GetStyle(), FALSE, GetExStyle());
  SetWindowPos(nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
}

void CThemedHyperlinkCtrl::Draw(HDC dc, const RECT& rect, unsigned itemState,
                                const wchar_t* caption) const {
  const bool hot = (itemState & kItemHot) != 0;
  FillWithBrush(dc, rect, backgroundBrush.Get());
  CSelectObject selectFont(dc, hot ? underlineFont.Get() : font);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, hot ? hotTextColor : textColor);
  RECT textRect = rect;
  ::DrawTextW(dc, caption, -1, &textRect, drawFormat);
}

DWORD CThemedHyperlinkCtrl::OnPreErase(NMCUSTOMDRAW* draw) {
  EnsureBackgroundBrush();
  wchar_t caption[200] = {};
  ::GetWindowTextW(m_hWnd, caption, 200);
  Draw(draw->hdc, draw->rc, draw->uItemState, caption);
  return CDRF_SKIPDEFAULT;
}

LRESULT CThemedHyperlinkCtrl::OnCreate(UINT, WPARAM, LPARAM, BOOL& handled) {
  Initialise();
  handled = FALSE;
  return 0;
}

LRESULT CThemedHyperlinkCtrl::OnSetFont(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
  font = reinterpret_cast<HFONT>(wParam);
  // Without a font of its own the button draws in the system font.
  LOGFONTW description = {};
  ::GetObjectW(font != nullptr ? static_cast<HGDIOBJ>(font) : ::GetStockObject(SYSTEM_FONT),
               sizeof(description), &description);
  description.lfUnderline = TRUE;
  underlineFont.Reset(::CreateFontIndirectW(&description));
  handled = FALSE;
  return 0;
}

}  // namespace kst
