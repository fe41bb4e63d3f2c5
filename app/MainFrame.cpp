#include "app/MainFrame.h"

#include "app/FrameGeometry.h"
#include "app/FrameRequests.h"
#include "app/InstallerDlg.h"
#include "resources/resource.h"
#include "sequences/Mode.h"
#include "skin/SkinDrawing.h"
#include "skin/SkinImage.h"

namespace kst {
namespace {

constexpr DWORD kFrameStyle = WS_POPUP;
constexpr DWORD kFrameExStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;

Rect ToRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

}  // namespace

const CFrameClassInfo& CMainFrame::GetClassInfo() {
  static const CFrameClassInfo info = {L"WTL_RedeRerizeduSample", CS_HREDRAW | CS_VREDRAW,
                                       IDC_ARROW};
  return info;
}

HWND CMainFrame::CreateFrame() {
  wchar_t title[64] = {};
  ::LoadStringW(appModule.GetResourceInstance(), IDS_TITLE, title, ARRAYSIZE(title));
  return Create(title, kFrameStyle, kFrameExStyle);
}

BOOL CMainFrame::PreTranslateMessage(MSG* message) {
  if (!::IsWindow(clientWindow)) return FALSE;
  return static_cast<BOOL>(
      ::SendMessageW(clientWindow, WM_FORWARDMSG, 0, reinterpret_cast<LPARAM>(message)));
}

LRESULT CMainFrame::OnCreate(UINT, WPARAM, LPARAM, BOOL&) {
  backgroundImage.Reset(LoadSkinImage(
      MAKEINTRESOURCEW(IsUninstallMode() ? IDP_BACKGROUND_UNINSTALL : IDP_BACKGROUND_INSTALL),
      L"PNG"));
  badgeMode = 0;
  badgeImage.Reset(LoadSkinImage(MAKEINTRESOURCEW(IDP_BADGE), L"PNG"));
  CreateClientDialog();
  if (!IsWindow()) return 0;  // the dialog ended the program while it started
  if (CMessageLoop* loop = appModule.GetMessageLoop()) loop->AddMessageFilter(this);

  Size client = ClientSizeFromBaseUnits(static_cast<unsigned long>(::GetDialogBaseUnits()));
  minTrackSize = {client.cx, client.cy};
  SizeToClient(client.cx, client.cy);
  ::ShowWindow(clientWindow, SW_SHOWNORMAL);
  CenterOnWorkArea(m_hWnd);
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

void CMainFrame::SizeToClient(int width, int height) {
  RECT bounds = {0, 0, width, height};
  ::AdjustWindowRectEx(&bounds, GetStyle(), FALSE, GetExStyle());
  SetWindowPos(nullptr, 0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Alt+F4, the taskbar or another program must not pull the window out from under a running
// sequence (or end the message box it waits in); otherwise the default handling destroys it.
LRESULT CMainFrame::OnClose(UINT, WPARAM, LPARAM, BOOL& handled) {
  if (::IsWindow(clientWindow) && ::SendMessageW(clientWindow, kSequenceRunningQuery, 0, 0) != 0)
    return 0;
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
  const SIZE size = {client.right - client.left, client.bottom - client.top};
  CMemoryDC memory(::CreateCompatibleDC(dc));
  if (!memory) return;
  if (badgeMode == 0) {
    if (!scaledBackground || scaledSize.cx != size.cx || scaledSize.cy != size.cy)
      ScaleBackground(dc, size);
    CSelectObject select(memory.Get(), scaledBackground.Get());
    ::BitBlt(dc, 0, 0, size.cx, size.cy, memory.Get(), 0, 0, SRCCOPY);
    return;
  }
  SIZE badge = BitmapSize(badgeImage.Get());
  Rect target = BadgeRect(size.cx, badge.cx, badge.cy);
  CSelectObject select(memory.Get(), badgeImage.Get());
  SkinAlphaBlend(dc, target.left, target.top, badge.cx, badge.cy, memory.Get(), 0, 0, badge.cx,
                 badge.cy, kSkinBlend);
}

void CMainFrame::ScaleBackground(HDC dc, SIZE size) {
  scaledBackground.Reset(::CreateCompatibleBitmap(dc, size.cx, size.cy));
  scaledSize = size;
  CMemoryDC target(::CreateCompatibleDC(dc));
  CMemoryDC source(::CreateCompatibleDC(dc));
  if (!scaledBackground || !target || !source) return;
  CSelectObject selectTarget(target.Get(), scaledBackground.Get());
  CSelectObject selectSource(source.Get(), backgroundImage.Get());
  SIZE image = BitmapSize(backgroundImage.Get());
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

LRESULT CMainFrame::OnUserRequest(UINT, WPARAM wParam, LPARAM, BOOL&) {
  if (wParam == kHideRequest) {
    ShowWindow(SW_HIDE);
    return 1;
  }
  badgeMode = 1;
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

void CenterOnWorkArea(HWND window) {
  RECT bounds = {};
  ::GetWindowRect(window, &bounds);
  HMONITOR monitor = ::MonitorFromRect(&bounds, MONITOR_DEFAULTTONEAREST);
  MONITORINFO info = {};
  info.cbSize = sizeof(info);
  ::GetMonitorInfoW(monitor, &info);
  Point corner = CenteredOnWorkArea(ToRect(bounds), ToRect(info.rcWork));
  ::SetWindowPos(window, nullptr, corner.x, corner.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
}

}  // namespace kst
