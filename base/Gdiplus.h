// GDI+, loaded at run time and started once per process, and owners of its objects.
#pragma once

#include <objidl.h>
#include <windows.h>

#include <gdiplus.h>

namespace kst {

// GDI+ is no KnownDLL: it comes from the side-by-side store the manifest names, never from
// beside the installer.
struct GdiplusFunctions {
  bool Load();

  Gdiplus::Status(WINAPI* startup)(ULONG_PTR*, const Gdiplus::GdiplusStartupInput*,
                                   Gdiplus::GdiplusStartupOutput*);
  Gdiplus::GpStatus(WINGDIPAPI* createFromFile)(const WCHAR*, Gdiplus::GpBitmap**);
  Gdiplus::GpStatus(WINGDIPAPI* createFromStream)(IStream*, Gdiplus::GpBitmap**);
  Gdiplus::GpStatus(WINGDIPAPI* createFromResource)(HINSTANCE, const WCHAR*, Gdiplus::GpBitmap**);
  Gdiplus::GpStatus(WINGDIPAPI* getWidth)(Gdiplus::GpImage*, UINT*);
  Gdiplus::GpStatus(WINGDIPAPI* getHeight)(Gdiplus::GpImage*, UINT*);
  Gdiplus::GpStatus(WINGDIPAPI* lockBits)(Gdiplus::GpBitmap*, const Gdiplus::GpRect*, UINT,
                                          Gdiplus::PixelFormat, Gdiplus::BitmapData*);
  Gdiplus::GpStatus(WINGDIPAPI* unlockBits)(Gdiplus::GpBitmap*, Gdiplus::BitmapData*);
  Gdiplus::GpStatus(WINGDIPAPI* dispose)(Gdiplus::GpImage*);
  Gdiplus::GpStatus(WINGDIPAPI* createFromScan0)(INT, INT, INT, Gdiplus::PixelFormat, BYTE*,
                                                 Gdiplus::GpBitmap**);
  Gdiplus::GpStatus(WINGDIPAPI* getGraphics)(Gdiplus::GpImage*, Gdiplus::GpGraphics**);
  Gdiplus::GpStatus(WINGDIPAPI* deleteGraphics)(Gdiplus::GpGraphics*);
  Gdiplus::GpStatus(WINGDIPAPI* setInterpolation)(Gdiplus::GpGraphics*, Gdiplus::InterpolationMode);
  Gdiplus::GpStatus(WINGDIPAPI* setPixelOffset)(Gdiplus::GpGraphics*, Gdiplus::PixelOffsetMode);
  Gdiplus::GpStatus(WINGDIPAPI* createAttributes)(Gdiplus::GpImageAttributes**);
  Gdiplus::GpStatus(WINGDIPAPI* setWrapMode)(Gdiplus::GpImageAttributes*, Gdiplus::WrapMode,
                                             Gdiplus::ARGB, BOOL);
  Gdiplus::GpStatus(WINGDIPAPI* disposeAttributes)(Gdiplus::GpImageAttributes*);
  Gdiplus::GpStatus(WINGDIPAPI* drawImage)(Gdiplus::GpGraphics*, Gdiplus::GpImage*, INT, INT, INT,
                                           INT, INT, INT, INT, INT, Gdiplus::GpUnit,
                                           const Gdiplus::GpImageAttributes*,
                                           Gdiplus::DrawImageAbort, VOID*);
};

// Filled by StartGdiplusOnce; called only after it answered true.
extern GdiplusFunctions gdiplus;

// Once per process; GDI+ is never shut down and its token is not kept.
bool StartGdiplusOnce();

// Owns one GDI+ object of type T, released by the function that release names.
template <typename T, typename Released,
          Gdiplus::GpStatus (WINGDIPAPI* GdiplusFunctions::*release)(Released*)>
class CGdiplusObject {
 public:
  CGdiplusObject() = default;
  ~CGdiplusObject() {
    if (object) (gdiplus.*release)(object);
  }
  CGdiplusObject(const CGdiplusObject&) = delete;
  CGdiplusObject& operator=(const CGdiplusObject&) = delete;
  T** Receive() { return &object; }
  T* Get() const { return object; }

 private:
  T* object = nullptr;
};

using CGdiplusBitmap =
    CGdiplusObject<Gdiplus::GpBitmap, Gdiplus::GpImage, &GdiplusFunctions::dispose>;
using CGdiplusGraphics =
    CGdiplusObject<Gdiplus::GpGraphics, Gdiplus::GpGraphics, &GdiplusFunctions::deleteGraphics>;
using CGdiplusAttributes = CGdiplusObject<Gdiplus::GpImageAttributes, Gdiplus::GpImageAttributes,
                                          &GdiplusFunctions::disposeAttributes>;

}  // namespace kst
