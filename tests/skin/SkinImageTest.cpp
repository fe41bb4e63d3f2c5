// Skin images: the product's PNG resources decode at their sizes into premultiplied,
// top-down 32-bit bitmaps; a file path loads too; failures give NULL.
#include <objidl.h>

#include <gdiplus.h>

#include <string>
#include <vector>

#include "base/Handles.h"
#include "resources/resource.h"
#include "skin/SkinImage.h"
#include <gtest/gtest.h>

namespace kst {
namespace {

struct Pixels {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;
  std::vector<uint8_t> bgra;  // rows in memory order: top-down images start with their top row
};

Pixels ReadDib(HBITMAP bitmap) {
  DIBSECTION section = {};
  Pixels pixels;
  if (::GetObjectW(bitmap, sizeof(section), &section) != sizeof(section)) return pixels;
  pixels.width = section.dsBm.bmWidth;
  pixels.height = section.dsBm.bmHeight;
  pixels.bitsPerPixel = section.dsBm.bmBitsPixel;
  // GetObjectW reports biHeight positive also for top-down rows (Wine); the stored order
  // is checked by the pixels of LoadsAFileIntoPremultipliedTopDownPixels.
  const uint8_t* bits = static_cast<const uint8_t*>(section.dsBm.bmBits);
  pixels.bgra.assign(bits, bits + static_cast<size_t>(pixels.width) * pixels.height * 4);
  return pixels;
}

TEST(LoadSkinImage, EveryProductImageLoadsWithItsSize) {
  struct Case {
    int id, width, height;
  } cases[] = {
      {IDP_BACKGROUND_INSTALL, 486, 267},
      {IDP_BACKGROUND_UNINSTALL, 560, 337},
      {IDP_BADGE, 154, 48},
      {IDP_CLOSE_BUTTON, 80, 16},
      {IDP_MAIN_BUTTON, 1081, 45},
      {IDP_LOGO, 154, 48},
      {IDP_PICTURE_START, 580, 321},
      {IDP_PICTURE_INSTALLING, 496, 260},
      {IDP_PICTURE_FINISHED, 496, 260},
      {IDP_SHADOW_FRAME, 200, 144},
  };
  for (const Case& c : cases) {
    CBitmap image(LoadSkinImage(MAKEINTRESOURCEW(c.id), L"PNG"));
    ASSERT_TRUE(image) << c.id;
    Pixels pixels = ReadDib(image.Get());
    EXPECT_EQ(pixels.width, c.width) << c.id;
    EXPECT_EQ(pixels.height, c.height) << c.id;
    EXPECT_EQ(pixels.bitsPerPixel, 32) << c.id;
  }
}

TEST(LoadSkinImage, KeepsTransparentAreasTransparent) {
  CBitmap frame(LoadSkinImage(MAKEINTRESOURCEW(IDP_SHADOW_FRAME), L"PNG"));
  ASSERT_TRUE(frame);
  Pixels pixels = ReadDib(frame.Get());
  auto alphaAt = [&](int x, int y) {
    return pixels.bgra[(static_cast<size_t>(y) * pixels.width + x) * 4 + 3];
  };
  EXPECT_EQ(alphaAt(0, 0), 5);
  EXPECT_EQ(alphaAt(1, 50), 14);
  EXPECT_EQ(alphaAt(100, 2), 28);
  EXPECT_EQ(alphaAt(100, 72), 0);
}

TEST(LoadSkinImage, FailuresGiveNull) {
  EXPECT_EQ(LoadSkinImage(MAKEINTRESOURCEW(4321), L"PNG"), nullptr);
  EXPECT_EQ(LoadSkinImage(MAKEINTRESOURCEW(IDP_LOGO), L"NOSUCHTYPE"), nullptr);
  EXPECT_EQ(LoadSkinImage(L"C:\\no\\such\\image.png", L"PNG"), nullptr);
  // The icon resource is no PNG: it cannot be decoded as one.
  EXPECT_EQ(LoadSkinImage(MAKEINTRESOURCEW(IDI_APP), RT_GROUP_ICON), nullptr);
}

// Writes a 2 x 2 PNG with straight alpha: top row a half-transparent orange pixel and an
// opaque blue one, bottom row transparent and opaque white.
std::wstring WriteProbePng() {
  wchar_t folder[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, folder);
  std::wstring path = std::wstring(folder) + L"kst_probe.png";
  const Gdiplus::ARGB pixels[4] = {0x80FF8040, 0xFF0000FF, 0x00000000, 0xFFFFFFFF};
  Gdiplus::GpBitmap* bitmap = nullptr;
  Gdiplus::DllExports::GdipCreateBitmapFromScan0(
      2, 2, 8, PixelFormat32bppARGB, reinterpret_cast<BYTE*>(const_cast<Gdiplus::ARGB*>(pixels)),
      &bitmap);
  // The PNG encoder's class id.
  const CLSID png = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
  EXPECT_EQ(Gdiplus::DllExports::GdipSaveImageToFile(bitmap, path.c_str(), &png, nullptr),
            Gdiplus::Ok);
  Gdiplus::DllExports::GdipDisposeImage(bitmap);
  return path;
}

TEST(LoadSkinImage, LoadsAFileIntoPremultipliedTopDownPixels) {
  CBitmap warmUp(LoadSkinImage(MAKEINTRESOURCEW(IDP_LOGO), L"PNG"));  // starts GDI+
  std::wstring path = WriteProbePng();
  CBitmap image(LoadSkinImage(path.c_str(), L"PNG"));
  ::DeleteFileW(path.c_str());
  ASSERT_TRUE(image);
  Pixels pixels = ReadDib(image.Get());
  ASSERT_EQ(pixels.width, 2);
  ASSERT_EQ(pixels.height, 2);
  const uint8_t expected[16] = {
      0x20, 0x40, 0x80, 0x80,  // orange at half alpha, premultiplied: (0x40, 0x80, 0xFF) x 128/255
      0xFF, 0x00, 0x00, 0xFF,  // opaque blue unchanged
      0x00, 0x00, 0x00, 0x00,  // transparent stays transparent black
      0xFF, 0xFF, 0xFF, 0xFF};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(pixels.bgra[i], expected[i]) << "byte " << i;
}

TEST(PremultiplyPixels, ScalesColourByAlphaWithRounding) {
  struct Case {
    uint8_t in[4];
    uint8_t out[4];
  } cases[] = {
      {{255, 255, 255, 255}, {255, 255, 255, 255}},
      {{255, 128, 1, 128}, {128, 64, 1, 128}},
      {{200, 100, 50, 0}, {0, 0, 0, 0}},
      {{255, 255, 255, 1}, {1, 1, 1, 1}},
      {{10, 20, 30, 254}, {10, 20, 30, 254}},
  };
  for (const Case& c : cases) {
    uint8_t pixel[4] = {c.in[0], c.in[1], c.in[2], c.in[3]};
    PremultiplyPixels(pixel, 1);
    for (int i = 0; i < 4; ++i)
      EXPECT_EQ(pixel[i], c.out[i]) << int(c.in[0]) << "/" << int(c.in[3]);
  }
}

}  // namespace
}  // namespace kst
