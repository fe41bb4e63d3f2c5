// The Windows owners over real GDI objects: what an owner held is gone once it lets go, what it
// handed on stays, and a selection is undone at the end of its scope.
#include <utility>

#include "base/Handles.h"
#include <gtest/gtest.h>

namespace kst {
namespace {

bool Exists(HGDIOBJ object) { return ::GetObjectType(object) != 0; }

TEST(Handles, AGdiOwnerDeletesWhatItHeldAndKeepsWhatItHandedOn) {
  HBITMAP first = ::CreateBitmap(4, 4, 1, 32, nullptr);
  HBITMAP second = ::CreateBitmap(4, 4, 1, 32, nullptr);
  ASSERT_TRUE(first != nullptr && second != nullptr);
  {
    CBitmap owner(first);
    owner.Reset(second);
    EXPECT_FALSE(Exists(first));
    CBitmap next(std::move(owner));
    EXPECT_TRUE(Exists(second)) << "moving released the bitmap";
  }
  EXPECT_FALSE(Exists(second));

  HBITMAP kept = ::CreateBitmap(4, 4, 1, 32, nullptr);
  {
    CBitmap(kept).Release();
  }
  EXPECT_TRUE(Exists(kept)) << "a released handle was deleted";
  ::DeleteObject(kept);
}

TEST(Handles, ASelectionIsUndoneAtTheEndOfItsScope) {
  CMemoryDC dc(::CreateCompatibleDC(nullptr));
  CBitmap bitmap(::CreateBitmap(4, 4, 1, 32, nullptr));
  ASSERT_TRUE(dc && bitmap);
  const HGDIOBJ original = ::GetCurrentObject(dc.Get(), OBJ_BITMAP);
  {
    CSelectObject select(dc.Get(), bitmap.Get());
    EXPECT_EQ(::GetCurrentObject(dc.Get(), OBJ_BITMAP), bitmap.Get());
  }
  EXPECT_EQ(::GetCurrentObject(dc.Get(), OBJ_BITMAP), original);
}

TEST(Handles, AWindowDcIsGivenBack) {
  HWND desktop = ::GetDesktopWindow();
  HDC dc = nullptr;
  {
    CWindowDC windowDc(desktop);
    dc = windowDc.Get();
    ASSERT_NE(dc, nullptr);
  }
  EXPECT_EQ(::ReleaseDC(desktop, dc), 0) << "the DC was still out";
  // A DC that is still out is given back with 1, so the 0 above says the owner gave it back.
  EXPECT_EQ(::ReleaseDC(desktop, ::GetDC(desktop)), 1);
}

}  // namespace
}  // namespace kst
