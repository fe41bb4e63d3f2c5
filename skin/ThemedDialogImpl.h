// Dialog base of the skinned surface: its background is the frame's picture behind it, it
// paints composited, and all its controls share one dialog font.
#pragma once

#include <windows.h>

#include <utility>

#include "base/Handles.h"
#include "framework/WindowImpl.h"
#include "skin/SkinDrawing.h"

namespace kst {

// The system's message-box font at 14 pixels (scaled for dpi), given to the dialog and all its
// descendants.
CFont CreateThemedDialogFont(int dpi);
void SetFontOnTree(HWND window, HFONT font);
// Adds WS_EX_COMPOSITED unless the window has it.
void EnsureComposited(HWND window);

template <class T>
class CThemedDialogImpl : public CDialogImpl<T, CWindow> {
 public:
  // Once, after the derived dialog has attached its skinned controls.
  void ApplyThemedDialogStyle(int dpi) {
    EnsureComposited(this->m_hWnd);
    SetThemedDialogFont(dpi);
  }

  // The dialog font made anew for dpi and given to the dialog and every descendant; the one
  // they had goes only then.
  void SetThemedDialogFont(int dpi) {
    CFont font = CreateThemedDialogFont(dpi);
    this->SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
    SetFontOnTree(this->m_hWnd, font.Get());
    dialogFont = std::move(font);
  }

  // The owner creates the dialog object on the heap and never deletes it itself.
  void OnFinalMessage(HWND) override { delete this; }

  BEGIN_MSG_MAP(CThemedDialogImpl)
  MESSAGE_HANDLER(WM_FORWARDMSG, OnForwardMessage)
  MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
  MESSAGE_HANDLER(WM_SIZE, OnSize)
  END_MSG_MAP()

 protected:
  LRESULT OnForwardMessage(UINT, WPARAM, LPARAM lParam, BOOL&) {
    return ::IsDialogMessageW(this->m_hWnd, StructParameter<MSG>(lParam));
  }

  LRESULT OnEraseBackground(UINT, WPARAM wParam, LPARAM, BOOL&) {
    RECT client = {};
    this->GetClientRect(&client);
    if (!backgroundBrush)
      backgroundBrush = CreateParentBackgroundBrush(this->m_hWnd, this->GetParent());
    FillWithBrush(DeviceContextParameter(wParam), client, backgroundBrush.Get());
    return 1;
  }

  // The snapshot matches one size and position; later handlers still see the message.
  LRESULT OnSize(UINT, WPARAM, LPARAM, BOOL& handled) {
    backgroundBrush.Reset();
    handled = FALSE;
    return 0;
  }

  CFont dialogFont;
  CBrush backgroundBrush;
};

}  // namespace kst
