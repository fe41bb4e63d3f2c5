#include "skin/SkinImage.h"

#include <objidl.h>

#include <gdiplus.h>

#include "base/Handles.h"
#include "base/SystemLibrary.h"

namespace kst {
namespace {

using Gdiplus::GpBitmap;
using Gdiplus::GpStatus;

// GDI+ is no KnownDLL: it comes from the side-by-side store the manifest names, never from
// beside the installer.
struct GdiplusFunctions {
  bool Load();

  Gdiplus::Status(WINAPI* startup)(ULONG_PTR*, const Gdiplus::GdiplusStartupInput*,
                                   Gdiplus::GdiplusStartupOutput*);
  GpStatus(WINGDIPAPI* createFromFile)(const WCHAR*, GpBitmap**);
  GpStatus(WINGDIPAPI* createFromStream)(IStream*, GpBitmap**);
  GpStatus(WINGDIPAPI* createFromResource)(HINSTANCE, const WCHAR*, GpBitmap**);
  GpStatus(WINGDIPAPI* getWidth)(Gdiplus::GpImage*, UINT*);
  GpStatus(WINGDIPAPI* getHeight)(Gdiplus::GpImage*, UINT*);
  GpStatus(WINGDIPAPI* lockBits)(GpBitmap*, const Gdiplus::GpRect*, UINT, Gdiplus::PixelFormat,
                                 Gdiplus::BitmapData*);
  GpStatus(WINGDIPAPI* unlockBits)(GpBitmap*, Gdiplus::BitmapData*);
  GpStatus(WINGDIPAPI* dispose)(Gdiplus::GpImage*);
};

template <typename Function>
bool Resolve(Function* function, const char* name) {
  *function = GetAssemblyFunction<Function>(L"gdiplus.dll", name);
  return *function != nullptr;
}

bool GdiplusFunctions::Load() {
  return Resolve(&startup, "GdiplusStartup") &&
         Resolve(&createFromFile, "GdipCreateBitmapFromFile") &&
         Resolve(&createFromStream, "GdipCreateBitmapFromStream") &&
         Resolve(&createFromResource, "GdipCreateBitmapFromResource") &&
         Resolve(&getWidth, "GdipGetImageWidth") && Resolve(&getHeight, "GdipGetImageHeight") &&
         Resolve(&lockBits, "GdipBitmapLockBits") && Resolve(&unlockBits, "GdipBitmapUnlockBits") &&
         Resolve(&dispose, "GdipDisposeImage");
}

GdiplusFunctions gdiplus;
bool gdiplusStarted = false;

// Once per process; GDI+ is never shut down and its token is not kept.
bool StartGdiplusOnce() {
  if (gdiplusStarted) return true;
  if (!gdiplus.Load()) return false;
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  gdiplusStarted = gdiplus.startup(&token, &input, nullptr) == Gdiplus::Ok;
  return gdiplusStarted;
}

class CGdiplusBitmap {
 public:
  CGdiplusBitmap() = default;
  ~CGdiplusBitmap() {
    if (bitmap) gdiplus.dispose(bitmap);
  }
  CGdiplusBitmap(const CGdiplusBitmap&) = delete;
  CGdiplusBitmap& operator=(const CGdiplusBitmap&) = delete;
  GpBitmap** Receive() { return &bitmap; }
  GpBitmap* Get() const { return bitmap; }

 private:
  GpBitmap* bitmap = nullptr;
};

// The raw resource is copied into movable memory, as a stream on global memory needs.
void DecodeRawResource(const wchar_t* name, const wchar_t* type, CGdiplusBitmap* bitmap) {
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC resource = ::FindResourceW(module, name, type);
  if (resource == nullptr) return;
  HGLOBAL loaded = ::LoadResource(module, resource);
  if (loaded == nullptr) return;
  DWORD size = ::SizeofResource(module, resource);
  const void* bytes = ::LockResource(loaded);
  CGlobalMemory memory(::GlobalAlloc(GMEM_MOVEABLE, size));
  if (memory && bytes != nullptr) {
    void* target = ::GlobalLock(memory.Get());
    if (target != nullptr) {
      ::CopyMemory(target, bytes, size);
      ::GlobalUnlock(memory.Get());
      IStream* stream = nullptr;
      if (SUCCEEDED(::CreateStreamOnHGlobal(memory.Get(), TRUE, &stream))) {
        memory.Release();  // the stream frees it now
        gdiplus.createFromStream(stream, bitmap->Receive());
        stream->Release();
      }
    }
  }
  ::FreeResource(loaded);
}

// GDI+ hands out straight alpha; the skin is drawn with per-pixel AlphaBlend, which wants
// premultiplied, top-down rows.
HBITMAP ToPremultipliedBitmap(GpBitmap* bitmap) {
  UINT width = 0;
  UINT height = 0;
  if (gdiplus.getWidth(bitmap, &width) != Gdiplus::Ok ||
      gdiplus.getHeight(bitmap, &height) != Gdiplus::Ok || width == 0 || height == 0)
    return nullptr;

  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = static_cast<LONG>(width);
  info.bmiHeader.biHeight = -static_cast<LONG>(height);
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* pixels = nullptr;
  CBitmap result(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
  if (!result || pixels == nullptr) return nullptr;

  Gdiplus::GpRect whole(0, 0, static_cast<INT>(width), static_cast<INT>(height));
  Gdiplus::BitmapData data = {};
  data.Width = width;
  data.Height = height;
  data.Stride = static_cast<INT>(width * 4);
  data.PixelFormat = PixelFormat32bppARGB;
  data.Scan0 = pixels;
  if (gdiplus.lockBits(bitmap, &whole,
                       Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                       PixelFormat32bppARGB, &data) != Gdiplus::Ok)
    return nullptr;
  gdiplus.unlockBits(bitmap, &data);
  ::GdiFlush();
  PremultiplyPixels(static_cast<uint8_t*>(pixels), static_cast<size_t>(width) * height);
  return result.Release();
}

}  // namespace

void PremultiplyPixels(uint8_t* bgra, size_t pixelCount) {
  for (size_t i = 0; i < pixelCount; ++i, bgra += 4) {
    unsigned alpha = bgra[3];
    if (alpha == 255) continue;
    for (int channel = 0; channel < 3; ++channel)
      bgra[channel] = static_cast<uint8_t>((bgra[channel] * alpha + 127) / 255);
  }
}

HBITMAP LoadSkinImage(const wchar_t* name, const wchar_t* type) {
  if (!StartGdiplusOnce()) return nullptr;

  CGdiplusBitmap bitmap;
  if (!IS_INTRESOURCE(name)) {
    gdiplus.createFromFile(name, bitmap.Receive());
  } else if (type != nullptr && type != RT_BITMAP) {
    DecodeRawResource(name, type, &bitmap);
  } else {
    gdiplus.createFromResource(::GetModuleHandleW(nullptr), name, bitmap.Receive());
  }
  if (bitmap.Get() == nullptr) return nullptr;
  return ToPremultipliedBitmap(bitmap.Get());
}

}  // namespace kst
