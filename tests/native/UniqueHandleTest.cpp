// The owner of one handle: each handle it held is released exactly once, and never one it handed
// on or still holds.
#include <utility>
#include <vector>

#include "base/UniqueHandle.h"
#include <gtest/gtest.h>

namespace kst {
namespace {

// Handles are numbers, -1 holds nothing; every release is recorded.
std::vector<int> released;

struct CountedTraits {
  using Type = int;
  static Type Invalid() { return -1; }
  static void Close(Type handle) { released.push_back(handle); }
};
using CCounted = CUniqueHandle<CountedTraits>;

class UniqueHandleTest : public ::testing::Test {
 protected:
  void SetUp() override { released.clear(); }
};

TEST_F(UniqueHandleTest, ResetReleasesWhatWasHeldOnceAndNeverTheNewHandle) {
  {
    CCounted owner(1);
    owner.Reset(2);
    EXPECT_EQ(released, std::vector<int>{1});
    owner.Reset(2);  // the same handle again is not released under its owner
    EXPECT_EQ(released, std::vector<int>{1});
    owner.Reset();
    EXPECT_EQ(released, (std::vector<int>{1, 2}));
    EXPECT_FALSE(owner);
  }
  EXPECT_EQ(released, (std::vector<int>{1, 2})) << "an empty owner releases nothing at its end";
}

TEST_F(UniqueHandleTest, MovingHandsTheHandleOnAndTheTargetReleasesItsOwn) {
  {
    CCounted first(1);
    CCounted second(std::move(first));
    EXPECT_FALSE(first);
    EXPECT_EQ(second.Get(), 1);
    CCounted third(3);
    third = std::move(second);
    EXPECT_EQ(released, std::vector<int>{3});
    EXPECT_EQ(third.Get(), 1);
    EXPECT_FALSE(second);
  }
  EXPECT_EQ(released, (std::vector<int>{3, 1}));
}

TEST_F(UniqueHandleTest, MovingIntoItselfKeepsTheHandle) {
  {
    CCounted owner(5);
    CCounted& alias = owner;
    owner = std::move(alias);
    EXPECT_EQ(owner.Get(), 5);
    EXPECT_TRUE(released.empty());
  }
  EXPECT_EQ(released, std::vector<int>{5});
}

TEST_F(UniqueHandleTest, ReceiveReleasesFirstAndOwnsWhatIsWrittenThrough) {
  {
    CCounted owner(7);
    *owner.Receive() = 8;
    EXPECT_EQ(released, std::vector<int>{7});
    EXPECT_EQ(owner.Get(), 8);
  }
  EXPECT_EQ(released, (std::vector<int>{7, 8}));
}

TEST_F(UniqueHandleTest, ReleaseGivesUpOwnershipWithoutReleasing) {
  {
    CCounted owner(9);
    EXPECT_EQ(owner.Release(), 9);
    EXPECT_FALSE(owner);
  }
  EXPECT_TRUE(released.empty());
}

}  // namespace
}  // namespace kst
