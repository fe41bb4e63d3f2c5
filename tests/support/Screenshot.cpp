#include "tests/support/Screenshot.h"

#include <gdiplus.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "base/Handles.h"

namespace kst::test {
namespace {

bool FindPngEncoder(CLSID* encoder) {
  UINT count = 0;
  UINT size = 0;
  if (Gdiplus::GetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) return false;
  std::vector<BYTE> buffer(size);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (Gdiplus::GetImageEncoders(count, size, codecs) != Gdiplus::Ok) return false;
  for (UINT i = 0; i < count; ++i) {
    if (std::wstring(codecs[i].MimeType) == L"image/png") {
      *encoder = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

// Encodes top-down 32-bit pixels as PNG with GDI+, started and stopped around the one picture.
bool SavePng(const void* pixels, int width, int height, const std::wstring& path) {
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return false;
  bool saved = false;
  {
    CLSID encoder;
    Gdiplus::Bitmap image(width, height, width * 4, PixelFormat32bppRGB,
                          static_cast<BYTE*>(const_cast<void*>(pixels)));
    saved = FindPngEncoder(&encoder) && image.Save(path.c_str(), &encoder, nullptr) == Gdiplus::Ok;
  }
  Gdiplus::GdiplusShutdown(token);
  return saved;
}

}  // namespace

bool SaveScreenshot(HWND window, const std::wstring& path) {
  RECT area;
  if (window) {
    if (!::GetWindowRect(window, &area)) return false;
  } else {
    area.left = ::GetSystemMetrics(SM_XVIRTUALSCREEN);
    area.top = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
    area.right = area.left + ::GetSystemMetrics(SM_CXVIRTUALSCREEN);
    area.bottom = area.top + ::GetSystemMetrics(SM_CYVIRTUALSCREEN);
  }
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return false;

  CWindowDC screen(nullptr);
  CMemoryDC memory(::CreateCompatibleDC(screen.Get()));
  BITMAPINFO format = {};
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = width;
  format.bmiHeader.biHeight = -height;  // top-down, as GDI+ expects the rows
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  void* pixels = nullptr;
  CBitmap bitmap(::CreateDIBSection(screen.Get(), &format, DIB_RGB_COLORS, &pixels, nullptr, 0));
  if (!memory || !bitmap) return false;
  {
    CSelectObject select(memory.Get(), bitmap.Get());
    if (!::BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), area.left, area.top,
                  SRCCOPY | CAPTUREBLT))
      return false;
  }
  ::GdiFlush();
  return SavePng(pixels, width, height, path);
}

std::wstring ScreenshotPath(const std::wstring& name) {
  std::wstring folder;
  wchar_t buffer[MAX_PATH];
  DWORD length = ::GetEnvironmentVariableW(L"KST_SCREENSHOT_DIR", buffer, MAX_PATH);
  if (length > 0 && length < MAX_PATH) {
    folder.assign(buffer, length);
  } else {
    length = ::GetCurrentDirectoryW(MAX_PATH, buffer);
    folder.assign(buffer, length < MAX_PATH ? length : 0);
  }
  std::replace(folder.begin(), folder.end(), L'/', L'\\');
  ::SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
  return folder + L"\\" + name + L".png";
}

}  // namespace kst::test
