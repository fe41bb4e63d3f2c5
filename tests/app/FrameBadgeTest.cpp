// The frame's badge mode, in this process: the badge is decoded only when it is asked for, and
// from then on the frame's background erase paints the badge alone, in the top right corner.
#include <windows.h>

#include "app/FrameGeometry.h"
#include "app/FrameRequests.h"
#include "app/MainFrame.h"
#include "framework/MessageLoop.h"
#include "skin/WindowDpi.h"
#include "tests/skin/SkinTestSupport.h"
#include <gtest/gtest.h>

namespace kst {
namespace {

using test::CSurface;
using test::MakeRgb;
using test::Rgb;

constexpr Rgb kFill = MakeRgb(255, 0, 255);  // magenta, which neither picture has

// The frame's background erase onto a surface filled with kFill beforehand.
void EraseOnto(HWND frame, CSurface& surface) {
  surface.Fill(kFill);
  ::SendMessageW(frame, WM_ERASEBKGND, reinterpret_cast<WPARAM>(surface.Dc()), 0);
}

TEST(FrameBadgeTest, BadgeModePaintsOnlyTheBadgeInTheTopRightCorner) {
  appModule.Init(::GetModuleHandleW(nullptr));
  CMainFrame frame;
  ASSERT_NE(frame.CreateFrame(), nullptr);
  RECT client = {};
  ::GetClientRect(frame.m_hWnd, &client);
  CSurface surface(client.right, client.bottom);

  EraseOnto(frame.m_hWnd, surface);
  EXPECT_EQ(surface.CountColor(kFill), 0) << "the background covers the whole client area";

  ShowBadgeRequest(frame.m_hWnd);
  EraseOnto(frame.m_hWnd, surface);
  // The badge picture is 154 x 48 pixels at 96 DPI.
  const Rect badge = BadgeRect(surface.Width(), 154, 48, WindowDpi(frame.m_hWnd));
  int painted = 0, paintedOutside = 0;
  for (int y = 0; y < surface.Height(); ++y) {
    for (int x = 0; x < surface.Width(); ++x) {
      if (surface.At(x, y) == kFill) continue;
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
