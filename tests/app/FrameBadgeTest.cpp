// The frame's badge mode, in this process: the badge is decoded only when it is asked for, and
// from then on the frame's background erase paints the badge alone, in the top right corner.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "app/FrameGeometry.h"
#include "app/FrameRequests.h"
#include "app/MainFrame.h"
#include "framework/MessageLoop.h"
#include "skin/WindowDpi.h"
#include <gtest/gtest.h>

namespace kst {
namespace {

constexpr uint32_t kFill = 0x00FF00FF;  // magenta, which neither picture has

// The frame's background erase into a top-down 32-bit picture filled with kFill beforehand.
std::vector<uint32_t> ErasedPixels(HWND frame, SIZE size) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = size.cx;
  info.bmiHeader.biHeight = -size.cy;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC dc = ::CreateCompatibleDC(nullptr);
  HGDIOBJ previous = ::SelectObject(dc, bitmap);
  auto* pixels = static_cast<uint32_t*>(bits);
  std::vector<uint32_t> erased(static_cast<size_t>(size.cx) * size.cy);
  std::fill(pixels, pixels + erased.size(), kFill);
  ::SendMessageW(frame, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  ::GdiFlush();
  for (size_t i = 0; i < erased.size(); ++i) erased[i] = pixels[i] & 0x00FFFFFF;
  ::SelectObject(dc, previous);
  ::DeleteDC(dc);
  ::DeleteObject(bitmap);
  return erased;
}

TEST(FrameBadgeTest, BadgeModePaintsOnlyTheBadgeInTheTopRightCorner) {
  appModule.Init(::GetModuleHandleW(nullptr));
  CMainFrame frame;
  ASSERT_NE(frame.CreateFrame(), nullptr);
  RECT client = {};
  ::GetClientRect(frame.m_hWnd, &client);
  const SIZE size = {client.right, client.bottom};

  const std::vector<uint32_t> background = ErasedPixels(frame.m_hWnd, size);
  EXPECT_EQ(std::count(background.begin(), background.end(), kFill), 0)
      << "the background covers the whole client area";

  EXPECT_EQ(::SendMessageW(frame.m_hWnd, WM_USER, kHideRequest + 1, 0), 0);
  const std::vector<uint32_t> badgeMode = ErasedPixels(frame.m_hWnd, size);
  // The badge picture is 154 x 48 pixels at 96 DPI.
  const Rect badge = BadgeRect(size.cx, 154, 48, WindowDpi(frame.m_hWnd));
  int painted = 0, paintedOutside = 0;
  for (int y = 0; y < size.cy; ++y) {
    for (int x = 0; x < size.cx; ++x) {
      if (badgeMode[static_cast<size_t>(y) * size.cx + x] == kFill) continue;
      const bool inside = x >= badge.left && x < badge.right && y >= badge.top && y < badge.bottom;
      ++(inside ? painted : paintedOutside);
    }
  }
  EXPECT_GT(painted, (badge.right - badge.left) * (badge.bottom - badge.top) / 4);
  EXPECT_EQ(paintedOutside, 0);

  ::DestroyWindow(frame.m_hWnd);
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
}

}  // namespace
}  // namespace kst
