#include "skin/ThemedHyperlinkCtrl.h"

#include "skin/SkinRules.h"

namespace kst {

void CThemedHyperlinkCtrl::Initialise() {
  // Passes through the WM_SETFONT handling, which derives the underlined font.
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
  const SkinLook& look = Look();
  if (look.plain)
    FillWithColor(dc, rect, SkinColorFor(look, SkinColorUse::kBackground, 0));
  else
    FillWithBrush(dc, rect, BackgroundBrush());
  DrawCaption(dc, rect, caption, hot ? underlineFont.Get() : Font(),
              SkinColorFor(look, SkinColorUse::kLink, hot ? hotTextColor : textColor), drawFormat);
  if (itemState & kItemFocus)
    DrawFocusCue(dc, rect, SkinColorFor(look, SkinColorUse::kFocusCue, textColor), Dpi());
}

void CThemedHyperlinkCtrl::OnFontChanged() {
  // Without a font of its own the button draws in the system font.
  LOGFONTW description = {};
  const HFONT font = Font();
  ::GetObjectW(font != nullptr ? static_cast<HGDIOBJ>(font) : ::GetStockObject(SYSTEM_FONT),
               sizeof(description), &description);
  description.lfUnderline = TRUE;
  underlineFont.Reset(::CreateFontIndirectW(&description));
}

}  // namespace kst
