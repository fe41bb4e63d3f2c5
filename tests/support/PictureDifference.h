// How far a picture of a window lies from its reference. Judged on the average colour of small
// blocks: a glyph edge drawn a little differently (hinting, antialiasing) moves a block's average
// little, a part missing, moved, covered or differently faded moves many blocks a lot.
#pragma once

#include "tests/support/Screenshot.h"

namespace kst::test {

struct CPictureDifference {
  // Measured on the installer's pages under Wine: the same page drawn again differs in no pixel;
  // another TrueType hinting engine moves no block's average by more than 21, a control moved by
  // a pixel changes 5 blocks; a hidden checkbox changes 30, the logo drawn at 78 % opacity 10, a
  // button moved by 3 pixels 31, a fade stopped at its first step 147, a blank page 160 or more.
  static constexpr int kBlockSize = 8;
  // A block differs when a channel of its average differs by more than this (of 255).
  static constexpr int kBlockTolerance = 24;
  // Pictures match while at most this share of their blocks differs (6 of the 3160 blocks of a
  // page).
  static constexpr double kDifferingShare = 0.002;

  bool sameSize = false;
  int blocks = 0;
  int differingBlocks = 0;
  int largestDifference = 0;  // of any block's channel average, 0 to 255
  // For a person to look at: the picture dimmed to grey, pixels that differ at all in yellow,
  // differing blocks in red.
  CPicture map;

  int AllowedBlocks() const { return static_cast<int>(blocks * kDifferingShare); }
  bool Matches() const { return sameSize && differingBlocks <= AllowedBlocks(); }
};

// Pictures of different sizes never match; nothing else is measured then.
CPictureDifference ComparePictures(const CPicture& reference, const CPicture& actual);

}  // namespace kst::test
