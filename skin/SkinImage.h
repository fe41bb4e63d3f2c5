// Skin images: PNG resources (or files) turned into 32-bit top-down bitmaps with
// premultiplied alpha, ready for AlphaBlend.
#pragma once

#include <windows.h>

#include <stddef.h>
#include <stdint.h>

#include "base/Handles.h"

namespace kst {

// name: an integer resource id (upper 16 bits zero) or a file path. type: "PNG" or another
// raw resource type; NULL or RT_BITMAP loads a bitmap resource. Empty on every failure.
CBitmap LoadSkinImage(const wchar_t* name, const wchar_t* type);

// A new skin image of size: part of the given one (a top-down 32-bit DIB section, as
// LoadSkinImage makes) scaled smoothly. Empty when the image is no such DIB section, the part
// lies outside it or GDI+ fails.
CBitmap ScaleSkinImage(HBITMAP image, const RECT& part, SIZE size);

// Straight-alpha BGRA pixels to premultiplied ones, in place.
void PremultiplyPixels(uint8_t* bgra, size_t pixelCount);

}  // namespace kst
