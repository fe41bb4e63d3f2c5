#include "tests/support/Screenshot.h"

#include <gdiplus.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>

#include "base/Handles.h"

namespace kst::test {
namespace {

// GDI+ started for one load or save and stopped after it.
class CGdiplusSession {
 public:
  CGdiplusSession() {
    Gdiplus::GdiplusStartupInput input;
    started_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
  }
  ~CGdiplusSession() {
    if (started_) Gdiplus::GdiplusShutdown(token_);
  }
  CGdiplusSession(const CGdiplusSession&) = delete;
  CGdiplusSession& operator=(const CGdiplusSession&) = delete;
  bool Started() const { return started_; }

 private:
  ULONG_PTR token_ = 0;
  bool started_ = false;
};

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

}  // namespace

std::optional<CPicture> CapturePicture(HWND window) {
  RECT area;
  if (window) {
    if (!::GetWindowRect(window, &area)) return std::nullopt;
  } else {
    area.left = ::GetSystemMetrics(SM_XVIRTUALSCREEN);
    area.top = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
    area.right = area.left + ::GetSystemMetrics(SM_CXVIRTUALSCREEN);
    area.bottom = area.top + ::GetSystemMetrics(SM_CYVIRTUALSCREEN);
  }
  CPicture picture;
  picture.width = area.right - area.left;
  picture.height = area.bottom - area.top;
  if (picture.width <= 0 || picture.height <= 0) return std::nullopt;

  CWindowDC screen(nullptr);
  CMemoryDC memory(::CreateCompatibleDC(screen.Get()));
  BITMAPINFO format = {};
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = picture.width;
  format.bmiHeader.biHeight = -picture.height;  // top-down
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  void* pixels = nullptr;
  CBitmap bitmap(::CreateDIBSection(screen.Get(), &format, DIB_RGB_COLORS, &pixels, nullptr, 0));
  if (!memory || !bitmap) return std::nullopt;
  {
    CSelectObject select(memory.Get(), bitmap.Get());
    if (!::BitBlt(memory.Get(), 0, 0, picture.width, picture.height, screen.Get(), area.left,
                  area.top, SRCCOPY | CAPTUREBLT))
      return std::nullopt;
  }
  ::GdiFlush();
  const auto* first = static_cast<const uint32_t*>(pixels);
  picture.pixels.assign(first, first + static_cast<size_t>(picture.width) * picture.height);
  for (uint32_t& pixel : picture.pixels) pixel &= 0xFFFFFF;
  return picture;
}

bool SavePicture(const CPicture& picture, const std::wstring& path) {
  CGdiplusSession gdiplus;
  if (!gdiplus.Started()) return false;
  CLSID encoder;
  Gdiplus::Bitmap image(picture.width, picture.height, picture.width * 4, PixelFormat32bppRGB,
                        reinterpret_cast<BYTE*>(const_cast<uint32_t*>(picture.pixels.data())));
  return FindPngEncoder(&encoder) && image.Save(path.c_str(), &encoder, nullptr) == Gdiplus::Ok;
}

std::optional<CPicture> LoadPicture(const std::wstring& path) {
  CGdiplusSession gdiplus;
  if (!gdiplus.Started()) return std::nullopt;
  Gdiplus::Bitmap image(path.c_str());
  if (image.GetLastStatus() != Gdiplus::Ok) return std::nullopt;
  CPicture picture;
  picture.width = static_cast<int>(image.GetWidth());
  picture.height = static_cast<int>(image.GetHeight());
  Gdiplus::Rect all(0, 0, picture.width, picture.height);
  Gdiplus::BitmapData data;
  if (image.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppRGB, &data) != Gdiplus::Ok)
    return std::nullopt;
  picture.pixels.resize(static_cast<size_t>(picture.width) * picture.height);
  for (int y = 0; y < picture.height; ++y) {
    std::memcpy(&picture.pixels[static_cast<size_t>(y) * picture.width],
                static_cast<const BYTE*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride,
                static_cast<size_t>(picture.width) * 4);
  }
  image.UnlockBits(&data);
  for (uint32_t& pixel : picture.pixels) pixel &= 0xFFFFFF;
  return picture;
}

bool SaveScreenshot(HWND window, const std::wstring& path) {
  std::optional<CPicture> picture = CapturePicture(window);
  return picture && SavePicture(*picture, path);
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
