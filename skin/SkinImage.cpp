#include "skin/SkinImage.h"

#include "base/ComRef.h"
#include "base/Gdiplus.h"
#include "base/Handles.h"
#include "skin/PngDecoder.h"

namespace kst {
namespace {

using Gdiplus::GpBitmap;

// The bytes of one of the program's resources; they stay as long as the program runs.
const uint8_t* ProgramResource(const wchar_t* name, const wchar_t* type, DWORD* size) {
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC resource = ::FindResourceW(module, name, type);
  HGLOBAL loaded = resource != nullptr ? ::LoadResource(module, resource) : nullptr;
  if (loaded == nullptr) return nullptr;
  *size = ::SizeofResource(module, resource);
  return static_cast<const uint8_t*>(::LockResource(loaded));
}

// The raw resource is copied into movable memory, as a stream on global memory needs.
void DecodeRawResource(const wchar_t* name, const wchar_t* type, CGdiplusBitmap* bitmap) {
  DWORD size = 0;
  const uint8_t* bytes = ProgramResource(name, type, &size);
  if (bytes == nullptr) return;
  CGlobalMemory memory(::GlobalAlloc(GMEM_MOVEABLE, size));
  void* target = memory ? ::GlobalLock(memory.Get()) : nullptr;
  if (target == nullptr) return;
  ::CopyMemory(target, bytes, size);
  ::GlobalUnlock(memory.Get());
  CComRef<IStream> stream;
  if (SUCCEEDED(::CreateStreamOnHGlobal(memory.Get(), TRUE, stream.ReceiveTyped()))) {
    memory.Release();  // the stream frees it now
    gdiplus.createFromStream(stream.Get(), bitmap->Receive());
  }
}

// A 32-bit top-down DIB section, its pixels all zero (transparent black).
CBitmap CreateTopDownBitmap(LONG width, LONG height, void** pixels) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  CBitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, pixels, nullptr, 0));
  if (*pixels == nullptr) bitmap.Reset();
  return bitmap;
}

// A GDI+ bitmap over part of a skin image's pixels, which stay where they are: GDI+ sees only the
// part, so that it reads nothing of a neighbouring cell. Skin images are top-down DIB sections
// with premultiplied rows (PARGB to GDI+); GetObject cannot tell a top-down one (it reports the
// height positive either way), so that is taken as given.
bool ViewSkinPixels(HBITMAP image, const RECT& part, CGdiplusBitmap* view) {
  DIBSECTION section = {};
  if (::GetObjectW(image, sizeof(section), &section) != sizeof(section) ||
      section.dsBm.bmBitsPixel != 32 || section.dsBm.bmBits == nullptr || part.left < 0 ||
      part.top < 0 || part.right > section.dsBm.bmWidth || part.bottom > section.dsBm.bmHeight ||
      part.right <= part.left || part.bottom <= part.top)
    return false;
  ::GdiFlush();  // GDI may still owe pixels to it
  const INT stride = section.dsBm.bmWidthBytes;
  BYTE* first = static_cast<BYTE*>(section.dsBm.bmBits) + static_cast<size_t>(stride) * part.top +
                static_cast<size_t>(part.left) * 4;
  return gdiplus.createFromScan0(part.right - part.left, part.bottom - part.top, stride,
                                 PixelFormat32bppPARGB, first, view->Receive()) == Gdiplus::Ok;
}

// GDI+ hands out straight alpha; the skin is drawn with per-pixel AlphaBlend, which wants
// premultiplied, top-down rows.
CBitmap ToPremultipliedBitmap(GpBitmap* bitmap) {
  UINT width = 0;
  UINT height = 0;
  if (gdiplus.getWidth(bitmap, &width) != Gdiplus::Ok ||
      gdiplus.getHeight(bitmap, &height) != Gdiplus::Ok || width == 0 || height == 0)
    return {};

  void* pixels = nullptr;
  CBitmap result =
      CreateTopDownBitmap(static_cast<LONG>(width), static_cast<LONG>(height), &pixels);
  if (!result) return {};

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
    return {};
  gdiplus.unlockBits(bitmap, &data);
  ::GdiFlush();
  PremultiplyPixels(static_cast<uint8_t*>(pixels), static_cast<size_t>(width) * height);
  return result;
}

// The skin's PNG resources are decoded without GDI+, which then loads only where a picture is
// scaled or is one the decoder leaves to it.
CBitmap DecodePngResource(const wchar_t* name, const wchar_t* type) {
  DWORD size = 0;
  const uint8_t* bytes = ProgramResource(name, type, &size);
  PngSize pictureSize;
  if (bytes == nullptr || !ReadPngSize(bytes, size, &pictureSize)) return {};
  void* pixels = nullptr;
  CBitmap result = CreateTopDownBitmap(static_cast<LONG>(pictureSize.width),
                                       static_cast<LONG>(pictureSize.height), &pixels);
  if (!result || !DecodePng(bytes, size, static_cast<uint8_t*>(pixels))) return {};
  PremultiplyPixels(static_cast<uint8_t*>(pixels), size_t{pictureSize.width} * pictureSize.height);
  return result;
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

// GDI+'s high-quality bicubic filter; the part's edges are mirrored rather than faded into
// transparency, so that the copy keeps its full colour up to its border.
CBitmap ScaleSkinImage(HBITMAP image, const RECT& part, SIZE size) {
  if (size.cx <= 0 || size.cy <= 0 || !StartGdiplusOnce()) return {};
  CGdiplusBitmap source;
  if (!ViewSkinPixels(image, part, &source)) return {};
  void* pixels = nullptr;
  CBitmap result = CreateTopDownBitmap(size.cx, size.cy, &pixels);
  if (!result) return {};
  {
    CGdiplusBitmap target;
    CGdiplusGraphics graphics;
    CGdiplusAttributes attributes;
    if (gdiplus.createFromScan0(size.cx, size.cy, size.cx * 4, PixelFormat32bppPARGB,
                                static_cast<BYTE*>(pixels), target.Receive()) != Gdiplus::Ok ||
        gdiplus.getGraphics(target.Get(), graphics.Receive()) != Gdiplus::Ok ||
        gdiplus.createAttributes(attributes.Receive()) != Gdiplus::Ok)
      return {};
    gdiplus.setInterpolation(graphics.Get(), Gdiplus::InterpolationModeHighQualityBicubic);
    gdiplus.setPixelOffset(graphics.Get(), Gdiplus::PixelOffsetModeHalf);
    gdiplus.setWrapMode(attributes.Get(), Gdiplus::WrapModeTileFlipXY, 0, FALSE);
    if (gdiplus.drawImage(graphics.Get(), source.Get(), 0, 0, size.cx, size.cy, 0, 0,
                          part.right - part.left, part.bottom - part.top, Gdiplus::UnitPixel,
                          attributes.Get(), nullptr, nullptr) != Gdiplus::Ok)
      return {};
  }
  return result;
}

CBitmap LoadSkinImage(const wchar_t* name, const wchar_t* type) {
  if (IS_INTRESOURCE(name) && type != nullptr && type != RT_BITMAP) {
    if (CBitmap decoded = DecodePngResource(name, type)) return decoded;
  }
  if (!StartGdiplusOnce()) return {};

  CGdiplusBitmap bitmap;
  if (!IS_INTRESOURCE(name)) {
    gdiplus.createFromFile(name, bitmap.Receive());
  } else if (type != nullptr && type != RT_BITMAP) {
    DecodeRawResource(name, type, &bitmap);
  } else {
    gdiplus.createFromResource(::GetModuleHandleW(nullptr), name, bitmap.Receive());
  }
  if (bitmap.Get() == nullptr) return {};
  return ToPremultipliedBitmap(bitmap.Get());
}

}  // namespace kst
