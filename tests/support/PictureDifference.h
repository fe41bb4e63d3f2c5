// How far a picture of a window lies from its reference. Judged on the average colour of small
// blocks: a glyph edge drawn a little differently (hinting, antialiasing) moves a block's average
// little, a part missing, moved, covered or differently faded moves many blocks a lot.
#pragma once

#include "tests/support/Screenshot.h"

namespace kst::test {

struct CPictureDifference {
  // Chosen from differences measured on the installer's pages (tests/README.md): the same page
  // in another session differs in no pixel, another hinting engine moves no block by more than
  // 21 and a control moved by a pixel 5 blocks; the smallest fault measured, the logo drawn at
  // 78 % opacity, moves 10 blocks, a hidden checkbox 30.
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
