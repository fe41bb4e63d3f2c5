#include "app/MainFrame.h"

#include "app/FrameClass.h"
#include "app/FrameGeometry.h"
#include "app/FrameRequests.h"
#include "app/InstallerDlg.h"
#include "base/Check.h"
#include "base/WinGeometry.h"
#include "resources/resource.h"
#include "sequences/Mode.h"
#include "skin/SkinDrawing.h"
#include "skin/SkinImage.h"
#include "skin/WindowDpi.h"

namespace kst {
namespace {

constexpr DWORD kFrameStyle = WS_POPUP;
constexpr DWORD kFrameExStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;

}  // namespace

const CFrameClassInfo& CMainFrame::GetClassInfo() {
  static const CFrameClassInfo info = {kFrameClassName, CS_HREDRAW | CS_VREDRAW, IDC_ARROW};
  return info;
}

HWND CMainFrame::CreateFrame() {
  wchar_t title[64] = {};
  ::LoadStringW(appModule.GetResourceInstance(), IDS_TITLE, title, ARRAYSIZE(title));
  return Create(title, kFrameStyle, kFrameExStyle);
}

bool CMainFrame::PreTranslateMessage(MSG* message) {
  if (!::IsWindow(clientWindow)) return false;
  return ::SendMessageW(clientWindow, WM_FORWARDMSG, 0, reinterpret_cast<LPARAM>(message)) != 0;
}

LRESULT CMainFrame::OnCreate(UINT, WPARAM, LPARAM, BOOL&) {
  dpi = WindowDpi(m_hWnd);
  backgroundImage = LoadSkinImage(
      MAKEINTRESOURCEW(IsUninstallMode() ? IDP_BACKGROUND_UNINSTALL : IDP_BACKGROUND_INSTALL),
      L"PNG");
  badgeShown = false;
  look = SystemSkinLook();
  CreateClientDialog();
  if (!IsWindow()) return 0;  // the dialog ended the program while it started
  // Without the filter the dialog gets no keyboard navigation; the loop has room for it.
  if (CMessageLoop* loop = appModule.GetMessageLoop()) {
    const bool filtered = loop->AddMessageFilter(this);
    KST_CHECK(filtered);
  }

  Size client = FrameClientSize(dpi);
  minTrackSize = {client.cx, client.cy};
  SizeToClient(client);
  ::ShowWindow(clientWindow, SW_SHOWNORMAL);
  CenterOnWorkArea(m_hWnd, dpi);
  return 0;
}

// The dialog object deletes itself after its window's last message.
void CMainFrame::CreateClientDialog() {
  auto* dialog = new CInstallerDlg();
  if (dialog == nullptr) return;
  bool windowMade = false;
  clientWindow = dialog->Create(m_hWnd, 0, &windowMade);
  if (!windowMade) delete dialog;
}

SIZE CMainFrame::WindowSizeForClient(Size client) const {
  RECT bounds = {0, 0, client.cx, client.cy};
  ::AdjustWindowRectEx(&bounds, GetStyle(), FALSE, GetExStyle());
  return {bounds.right - bounds.left, bounds.bottom - bounds.top};
}

void CMainFrame::SizeToClient(Size client) {
  const SIZE size = WindowSizeForClient(client);
  SetWindowPos(nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Alt+F4, the taskbar or another program must not pull the window out from under a running
// sequence (or end the message box it waits in); otherwise the default handling destroys it.
LRESULT CMainFrame::OnClose(UINT, WPARAM, LPARAM, BOOL& handled) {
  if (::IsWindow(clientWindow) && IsSequenceRunning(clientWindow)) return 0;
  handled = FALSE;
  return 0;
}

// Posted to the frame rather than PostQuitMessage: the loop ends when it retrieves it.
LRESULT CMainFrame::OnDestroy(UINT, WPARAM, LPARAM, BOOL&) {
  if (CMessageLoop* loop = appModule.GetMessageLoop()) loop->RemoveMessageFilter(this);
  PostMessage(WM_QUIT, 0, 0);
  return 0;
}

LRESULT CMainFrame::OnEraseBackground(UINT, WPARAM wParam, LPARAM, BOOL&) {
  RECT client = {};
  GetClientRect(&client);
  PaintBackground(DeviceContextParameter(wParam), client);
  return 1;
}

void CMainFrame::PaintBackground(HDC dc, const RECT& client) {
  if (look.plain) {
    FillWithColor(dc, client, SkinColorFor(look, SkinColorUse::kBackground, 0));
    return;
  }
  const SIZE size = {client.right - client.left, client.bottom - client.top};
  CMemoryDC memory(::CreateCompatibleDC(dc));
  if (!memory) return;
  if (!badgeShown) {
    if (!scaledBackground || scaledSize.cx != size.cx || scaledSize.cy != size.cy)
      ScaleBackground(dc, size);
    CSelectObject select(memory.Get(), scaledBackground.Get());
    ::BitBlt(dc, 0, 0, size.cx, size.cy, memory.Get(), 0, 0, SRCCOPY);
    return;
  }
  const SIZE badge = BitmapSize(badgeImage.Get());
  const Rect target = BadgeRect(size.cx, badge.cx, badge.cy, dpi);
  DrawSkinImage(dc, ToRECT(target), badgeImage.Get(), {0, 0, badge.cx, badge.cy}, {0, 0, 0, 0}, dpi,
                255, &scaledBadge);
}

void CMainFrame::ScaleBackground(HDC dc, SIZE size) {
  scaledSize = size;
  SIZE image = BitmapSize(backgroundImage.Get());
  if (dpi != kDesignDpi) {
    scaledBackground = ScaleSkinImage(backgroundImage.Get(), {0, 0, image.cx, image.cy}, size);
    if (scaledBackground) return;
  }
  scaledBackground.Reset(::CreateCompatibleBitmap(dc, size.cx, size.cy));
  CMemoryDC target(::CreateCompatibleDC(dc));
  CMemoryDC source(::CreateCompatibleDC(dc));
  if (!scaledBackground || !target || !source) return;
  CSelectObject selectTarget(target.Get(), scaledBackground.Get());
  CSelectObject selectSource(source.Get(), backgroundImage.Get());
  ::StretchBlt(target.Get(), 0, 0, size.cx, size.cy, source.Get(), 0, 0, image.cx, image.cy,
               SRCCOPY);
}

LRESULT CMainFrame::OnGetMinMaxInfo(UINT, WPARAM, LPARAM lParam, BOOL&) {
  StructParameter<MINMAXINFO>(lParam)->ptMinTrackSize = minTrackSize;
  return 0;
}

LRESULT CMainFrame::OnNcHitTest(UINT, WPARAM, LPARAM lParam, BOOL&) {
  RECT client = {};
  GetClientRect(&client);
  ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
  POINT point = PointParameter(lParam);
  return IsDragPoint(ToRect(client), point.x, point.y) ? HTCAPTION : HTNOWHERE;
}

LRESULT CMainFrame::OnHideRequest(UINT, WPARAM, LPARAM, BOOL&) {
  ShowWindow(SW_HIDE);
  return 1;
}

LRESULT CMainFrame::OnShowBadgeRequest(UINT, WPARAM, LPARAM, BOOL&) {
  // Decoded only now: the window does not show the badge before.
  if (!badgeImage) badgeImage = LoadSkinImage(MAKEINTRESOURCEW(IDP_BADGE), L"PNG");
  badgeShown = true;
  ::UpdateWindow(m_hWnd);
  return 0;
}

LRESULT CMainFrame::OnSize(UINT, WPARAM wParam, LPARAM, BOOL&) {
  if (wParam != SIZE_MINIMIZED && clientWindow != nullptr) {
    RECT client = {};
    GetClientRect(&client);
    ::SetWindowPos(clientWindow, nullptr, client.left, client.top, client.right - client.left,
                   client.bottom - client.top, SWP_NOACTIVATE | SWP_NOZORDER);
  }
  return 0;
}

LRESULT CMainFrame::OnSetFocus(UINT, WPARAM, LPARAM, BOOL&) {
  if (clientWindow != nullptr) ::SetFocus(clientWindow);
  return 0;
}

// The size that keeps the client area's dialog units at the new DPI (the frame has no border).
LRESULT CMainFrame::OnGetDpiScaledSize(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
  *StructParameter<SIZE>(lParam) = WindowSizeForClient(FrameClientSize(DpiParameter(wParam)));
  return TRUE;
}

// The window moved to a monitor of another DPI, or that monitor's DPI changed: the rectangle
// Windows suggests is the size answered above, at the place Windows chose. The background and
// the badge are scaled anew at the next paint, and the dialog makes its fonts and layout anew.
LRESULT CMainFrame::OnDpiChanged(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
  dpi = DpiParameter(wParam);
  scaledBackground.Reset();
  scaledBadge.Clear();
  const Size client = FrameClientSize(dpi);
  minTrackSize = {client.cx, client.cy};
  const RECT* suggested = StructParameter<RECT>(lParam);
  SetWindowPos(nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
               suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
  if (::IsWindow(clientWindow)) NotifyDpiChanged(clientWindow, dpi);
  ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  return 0;
}

// High contrast turned on or off, or the system's colours changed: the frame and then the dialog
// paint anew in the look the system asks for. Other settings change nothing.
LRESULT CMainFrame::OnSystemLookChange(UINT, WPARAM, LPARAM, BOOL&) {
  const SkinLook now = SystemSkinLook();
  if (now == look) return 0;
  look = now;
  if (::IsWindow(clientWindow)) NotifyLookChanged(clientWindow);
  ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  return 0;
}

void CenterOnWorkArea(HWND window, int dpi) {
  RECT bounds = {};
  ::GetWindowRect(window, &bounds);
  HMONITOR monitor = ::MonitorFromRect(&bounds, MONITOR_DEFAULTTONEAREST);
  MONITORINFO info = {};
  info.cbSize = sizeof(info);
  ::GetMonitorInfoW(monitor, &info);
  Point corner = CenteredOnWorkArea(ToRect(bounds), ToRect(info.rcWork), dpi);
  ::SetWindowPos(window, nullptr, corner.x, corner.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
}

}  // namespace kst
