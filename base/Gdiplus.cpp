#include "base/Gdiplus.h"

#include "base/SystemLibrary.h"

namespace kst {
namespace {

template <typename Function>
bool Resolve(Function* function, const char* name) {
  *function = GetAssemblyFunction<Function>(L"gdiplus.dll", name);
  return *function != nullptr;
}

bool gdiplusStarted = false;

}  // namespace

GdiplusFunctions gdiplus;

bool GdiplusFunctions::Load() {
  return Resolve(&startup, "GdiplusStartup") &&
         Resolve(&createFromFile, "GdipCreateBitmapFromFile") &&
         Resolve(&createFromStream, "GdipCreateBitmapFromStream") &&
         Resolve(&createFromResource, "GdipCreateBitmapFromResource") &&
         Resolve(&getWidth, "GdipGetImageWidth") && Resolve(&getHeight, "GdipGetImageHeight") &&
         Resolve(&lockBits, "GdipBitmapLockBits") && Resolve(&unlockBits, "GdipBitmapUnlockBits") &&
         Resolve(&dispose, "GdipDisposeImage") &&
         Resolve(&createFromScan0, "GdipCreateBitmapFromScan0") &&
         Resolve(&getGraphics, "GdipGetImageGraphicsContext") &&
         Resolve(&deleteGraphics, "GdipDeleteGraphics") &&
         Resolve(&setInterpolation, "GdipSetInterpolationMode") &&
         Resolve(&setPixelOffset, "GdipSetPixelOffsetMode") &&
         Resolve(&createAttributes, "GdipCreateImageAttributes") &&
         Resolve(&setWrapMode, "GdipSetImageAttributesWrapMode") &&
         Resolve(&disposeAttributes, "GdipDisposeImageAttributes") &&
         Resolve(&drawImage, "GdipDrawImageRectRectI");
}

bool StartGdiplusOnce() {
  if (gdiplusStarted) return true;
  if (!gdiplus.Load()) return false;
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  gdiplusStarted = gdiplus.startup(&token, &input, nullptr) == Gdiplus::Ok;
  return gdiplusStarted;
}

}  // namespace kst
