// Typed views of the system's button and static controls, and the custom-draw mixin.
#pragma once

#include <windows.h>

#include <commctrl.h>

namespace kst {

template <class TBase>
class CButtonT : public TBase {
 public:
  void SetCheck(int state) const { this->SendMessage(BM_SETCHECK, state); }
};

template <class TBase>
class CStaticT : public TBase {};

// Routes NM_CUSTOMDRAW, reflected back to the control as OCM_NOTIFY, by its draw stage;
// T overrides the stages it draws itself. Rows in T's table:
//   MESSAGE_HANDLER(OCM_NOTIFY, OnNotifyCustomDraw)
template <class T>
class CCustomDraw {
 public:
  LRESULT OnNotifyCustomDraw(UINT, WPARAM, LPARAM lParam, BOOL& handled) {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header->code != static_cast<UINT>(NM_CUSTOMDRAW)) {
      handled = FALSE;
      return 0;
    }
    auto* draw = reinterpret_cast<NMCUSTOMDRAW*>(lParam);
    T* self = static_cast<T*>(this);
    switch (draw->dwDrawStage) {
      case CDDS_PREPAINT:
        return self->OnPrePaint(draw);
      case CDDS_POSTPAINT:
        return self->OnPostPaint(draw);
      case CDDS_PREERASE:
        return self->OnPreErase(draw);
      case CDDS_POSTERASE:
        return self->OnPostErase(draw);
      default:
        return CDRF_DODEFAULT;
    }
  }

  DWORD OnPrePaint(NMCUSTOMDRAW*) { return CDRF_DODEFAULT; }
  DWORD OnPostPaint(NMCUSTOMDRAW*) { return CDRF_DODEFAULT; }
  DWORD OnPreErase(NMCUSTOMDRAW*) { return CDRF_DODEFAULT; }
  DWORD OnPostErase(NMCUSTOMDRAW*) { return CDRF_DODEFAULT; }

 protected:
  ~CCustomDraw() = default;
};

}  // namespace kst
