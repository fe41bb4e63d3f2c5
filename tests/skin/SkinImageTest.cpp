// Skin images: the product's PNG resources decode at their sizes into premultiplied,
// top-down 32-bit bitmaps, to the pixels GDI+ reads from them; a file path loads too; failures
// give NULL. Smooth scaled copies of their parts.
#include <objidl.h>

#include <gdiplus.h>
#include <shlwapi.h>

#include <string>
#include <vector>

#include "base/Handles.h"
#include "resources/resource.h"
#include "skin/PngDecoder.h"
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

// GDI+ for the test's own pictures, around one test.
class CGdiplusSession {
 public:
  CGdiplusSession() {
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token_, &input, nullptr);
  }
  ~CGdiplusSession() { Gdiplus::GdiplusShutdown(token_); }
  CGdiplusSession(const CGdiplusSession&) = delete;
  CGdiplusSession& operator=(const CGdiplusSession&) = delete;

 private:
  ULONG_PTR token_ = 0;
};

struct ProductImage {
  int id, width, height;
};

constexpr ProductImage kProductImages[] = {
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

TEST(LoadSkinImage, EveryProductImageLoadsWithItsSize) {
  for (const ProductImage& c : kProductImages) {
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
  EXPECT_FALSE(LoadSkinImage(MAKEINTRESOURCEW(4321), L"PNG"));
  EXPECT_FALSE(LoadSkinImage(MAKEINTRESOURCEW(IDP_LOGO), L"NOSUCHTYPE"));
  EXPECT_FALSE(LoadSkinImage(L"C:\\no\\such\\image.png", L"PNG"));
  // The icon resource is no PNG: it cannot be decoded as one.
  EXPECT_FALSE(LoadSkinImage(MAKEINTRESOURCEW(IDI_APP), RT_GROUP_ICON));
}

// Straight-alpha BGRA rows of a PNG as GDI+ reads it; empty when it cannot.
std::vector<uint8_t> GdiplusPixels(const uint8_t* png, DWORD size, int width, int height) {
  std::vector<uint8_t> bgra;
  IStream* stream = ::SHCreateMemStream(png, size);
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (stream != nullptr &&
      Gdiplus::DllExports::GdipCreateBitmapFromStream(stream, &bitmap) == Gdiplus::Ok) {
    bgra.resize(static_cast<size_t>(width) * height * 4);
    Gdiplus::GpRect whole(0, 0, width, height);
    Gdiplus::BitmapData data = {};
    data.Width = width;
    data.Height = height;
    data.Stride = width * 4;
    data.PixelFormat = PixelFormat32bppARGB;
    data.Scan0 = bgra.data();
    if (Gdiplus::DllExports::GdipBitmapLockBits(
            bitmap, &whole, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
            PixelFormat32bppARGB, &data) == Gdiplus::Ok)
      Gdiplus::DllExports::GdipBitmapUnlockBits(bitmap, &data);
    else
      bgra.clear();
    Gdiplus::DllExports::GdipDisposeImage(bitmap);
  }
  if (stream != nullptr) stream->Release();
  return bgra;
}

// The program reads its pictures with a decoder of its own; every one comes out as GDI+ reads it.
TEST(DecodePng, ReadsEveryProductImageAsGdiplusDoes) {
  CGdiplusSession gdiplus;
  for (const ProductImage& c : kProductImages) {
    SCOPED_TRACE(c.id);
    HRSRC resource = ::FindResourceW(nullptr, MAKEINTRESOURCEW(c.id), L"PNG");
    ASSERT_NE(resource, nullptr);
    const DWORD size = ::SizeofResource(nullptr, resource);
    const auto* png =
        static_cast<const uint8_t*>(::LockResource(::LoadResource(nullptr, resource)));
    PngSize pictureSize;
    ASSERT_TRUE(ReadPngSize(png, size, &pictureSize));
    ASSERT_EQ(pictureSize.width, static_cast<uint32_t>(c.width));
    ASSERT_EQ(pictureSize.height, static_cast<uint32_t>(c.height));
    std::vector<uint8_t> ours(static_cast<size_t>(c.width) * c.height * 4);
    ASSERT_TRUE(DecodePng(png, size, ours.data()));
    const std::vector<uint8_t> theirs = GdiplusPixels(png, size, c.width, c.height);
    ASSERT_EQ(theirs.size(), ours.size());
    EXPECT_TRUE(ours == theirs) << "the pixels differ from GDI+'s";
  }
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
  CGdiplusSession gdiplus;
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

// A skin image as LoadSkinImage makes them: top-down, 32 bits, premultiplied BGRA given per pixel.
CBitmap MakeSkinImage(int width, int height, uint32_t (*bgraAt)(int x, int y)) {
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(info.bmiHeader), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  CBitmap image(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  auto* pixels = static_cast<uint32_t*>(bits);
  for (int y = 0; y < height && pixels != nullptr; ++y)
    for (int x = 0; x < width; ++x) pixels[static_cast<size_t>(y) * width + x] = bgraAt(x, y);
  return image;
}

uint32_t PixelAt(const Pixels& pixels, int x, int y) {
  const uint8_t* p = &pixels.bgra[(static_cast<size_t>(y) * pixels.width + x) * 4];
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// The smooth copies drawn above 96 DPI: of the part alone, its colour kept up to its border,
// premultiplied pixels read as such, rows in their order.
TEST(ScaleSkinImage, ScalesThePartAloneKeepingItsColoursAndOrientation) {
  CGdiplusSession gdiplus;
  struct Case {
    const char* what;
    uint32_t (*bgraAt)(int x, int y);
    RECT part;
    SIZE size;
    uint32_t top, bottom;  // every pixel of the copy's top and bottom row
  } const cases[] = {
      // Two cells, opaque red and blue: no blue may bleed into the red cell's copy, and no
      // transparency in from outside the part.
      {"left cell of two",
       [](int x, int) -> uint32_t { return x < 8 ? 0xFFFF0000 : 0xFF0000FF; },
       {0, 0, 8, 8},
       {24, 20},
       0xFFFF0000,
       0xFFFF0000},
      {"right cell of two",
       [](int x, int) -> uint32_t { return x < 8 ? 0xFFFF0000 : 0xFF0000FF; },
       {8, 0, 16, 8},
       {5, 5},
       0xFF0000FF,
       0xFF0000FF},
      // Half-transparent orange, premultiplied: a copy that took it for straight alpha would
      // halve the colour again.
      {"half transparent",
       [](int, int) -> uint32_t { return 0x80804020; },
       {0, 0, 6, 6},
       {15, 15},
       0x80804020,
       0x80804020},
      // Green rows above red ones stay above them.
      {"top and bottom",
       [](int, int y) -> uint32_t { return y < 4 ? 0xFF00FF00 : 0xFFFF0000; },
       {0, 0, 8, 8},
       {16, 16},
       0xFF00FF00,
       0xFFFF0000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CBitmap image = MakeSkinImage(16, 8, c.bgraAt);
    CBitmap copy(ScaleSkinImage(image.Get(), c.part, c.size));
    ASSERT_TRUE(copy);
    const Pixels pixels = ReadDib(copy.Get());
    ASSERT_EQ(pixels.width, c.size.cx);
    ASSERT_EQ(pixels.height, c.size.cy);
    for (int x = 0; x < pixels.width; ++x) {
      EXPECT_EQ(PixelAt(pixels, x, 0), c.top) << "top row, x " << x;
      EXPECT_EQ(PixelAt(pixels, x, pixels.height - 1), c.bottom) << "bottom row, x " << x;
    }
  }
}

TEST(ScaleSkinImage, NothingForAPartOutsideTheImageOrNoSize) {
  CBitmap image = MakeSkinImage(16, 8, [](int, int) -> uint32_t { return 0xFFFFFFFF; });
  EXPECT_FALSE(ScaleSkinImage(image.Get(), {8, 0, 24, 8}, {10, 10}));
  EXPECT_FALSE(ScaleSkinImage(image.Get(), {4, 4, 4, 8}, {10, 10}));
  EXPECT_FALSE(ScaleSkinImage(image.Get(), {0, 0, 16, 8}, {0, 10}));
  EXPECT_FALSE(ScaleSkinImage(nullptr, {0, 0, 16, 8}, {10, 10}));
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
