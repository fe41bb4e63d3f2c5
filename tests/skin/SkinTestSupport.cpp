#include "tests/skin/SkinTestSupport.h"

#include "skin/DpiScale.h"
#include "skin/ThemedDialogImpl.h"

namespace kst::test {

Rgb FromColorRef(COLORREF color) {
  return MakeRgb(GetRValue(color), GetGValue(color), GetBValue(color));
}

Rgb BackdropColor(int x, int y) {
  return MakeRgb((x * 7) & 0xFF, (y * 5) & 0xFF, 0x80 + ((x + y) & 0x3F));
}

CSurface::CSurface(int width, int height) : width_(width), height_(height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  dc_.Reset(::CreateCompatibleDC(nullptr));
  bitmap_.Reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  pixels_ = static_cast<uint32_t*>(bits);
  previous_ = ::SelectObject(dc_.Get(), bitmap_.Get());
}

CSurface::~CSurface() { ::SelectObject(dc_.Get(), previous_); }

Rgb CSurface::At(int x, int y) const {
  ::GdiFlush();
  return pixels_[static_cast<size_t>(y) * width_ + x] & 0xFFFFFF;
}

void CSurface::Fill(Rgb color) {
  ::GdiFlush();
  for (int i = 0; i < width_ * height_; ++i) pixels_[i] = color;
}

void CSurface::FillWithBackdrop(int left, int top) {
  ::GdiFlush();
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x)
      pixels_[static_cast<size_t>(y) * width_ + x] = BackdropColor(left + x, top + y);
}

void CSurface::FillWithBrush(HBRUSH brush) {
  HGDIOBJ previous = ::SelectObject(dc_.Get(), brush);
  ::PatBlt(dc_.Get(), 0, 0, width_, height_, PATCOPY);
  ::SelectObject(dc_.Get(), previous);
}

int CSurface::CountDifferences(const CSurface& other) const {
  int count = 0;
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) count += At(x, y) != other.At(x, y) ? 1 : 0;
  return count;
}

int CSurface::CountColor(Rgb color) const {
  int count = 0;
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) count += At(x, y) == color ? 1 : 0;
  return count;
}

RECT InkBounds(const CSurface& drawn, const CSurface& reference) {
  RECT bounds = {drawn.Width(), drawn.Height(), 0, 0};
  for (int y = 0; y < drawn.Height(); ++y) {
    for (int x = 0; x < drawn.Width(); ++x) {
      if (drawn.At(x, y) == reference.At(x, y)) continue;
      bounds.left = x < bounds.left ? x : bounds.left;
      bounds.top = y < bounds.top ? y : bounds.top;
      bounds.right = x + 1 > bounds.right ? x + 1 : bounds.right;
      bounds.bottom = y + 1 > bounds.bottom ? y + 1 : bounds.bottom;
    }
  }
  if (bounds.right == 0) return {};
  return bounds;
}

const CFrameClassInfo& CBackdropWindow::GetClassInfo() {
  static const CFrameClassInfo info = {L"KstSkinBackdrop", 0, IDC_ARROW};
  return info;
}

bool CBackdropWindow::Open(int screenX, int screenY, int width, int height) {
  LOGFONTW description = {};
  ::GetObjectW(CreateThemedDialogFont(kDesignDpi).Get(), sizeof(description), &description);
  description.lfQuality = NONANTIALIASED_QUALITY;
  font_.Reset(::CreateFontIndirectW(&description));
  if (Create(L"skin test", WS_POPUP, 0) == nullptr) return false;
  ::SetWindowPos(m_hWnd, nullptr, screenX, screenY, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  ::UpdateWindow(m_hWnd);
  return true;
}

CBackdropWindow::~CBackdropWindow() {
  if (IsWindow()) ::DestroyWindow(m_hWnd);
}

HWND CBackdropWindow::AddChild(const wchar_t* className, const wchar_t* text, DWORD style, int x,
                               int y, int width, int height, DWORD exStyle) {
  HWND child =
      ::CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width,
                        height, m_hWnd, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
  return child;
}

LRESULT CBackdropWindow::OnEraseBackground(UINT, WPARAM wParam, LPARAM, BOOL&) {
  RECT client = {};
  GetClientRect(&client);
  CSurface backdrop(client.right, client.bottom);
  backdrop.FillWithBackdrop(0, 0);
  ::BitBlt(reinterpret_cast<HDC>(wParam), 0, 0, client.right, client.bottom, backdrop.Dc(), 0, 0,
           SRCCOPY);
  return 1;
}

LRESULT CBackdropWindow::OnPaint(UINT, WPARAM, LPARAM, BOOL&) {
  CPaintDC paint(m_hWnd);
  return 0;
}

void PumpMessages(DWORD milliseconds) {
  const DWORD start = ::GetTickCount();
  while (::GetTickCount() - start < milliseconds) {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
}

}  // namespace kst::test
