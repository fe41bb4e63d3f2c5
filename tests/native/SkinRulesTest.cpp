// The platform-free rules of the skin: nine-grid pieces, cells and caption colours by item
// state, five-cell strips, the high-contrast colours, the focus ring, the cross-fade's progress,
// font heights and the accessible names of captions.
#include <algorithm>
#include <iterator>
#include <string>

#include "skin/NineGrid.h"
#include "skin/SkinRules.h"
#include <gtest/gtest.h>

namespace kst {

// Found by argument lookup, so in the namespace of PixelRect.
bool operator==(const PixelRect& a, const PixelRect& b) {
  return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

std::ostream& operator<<(std::ostream& out, const PixelRect& r) {
  return out << "(" << r.x << ", " << r.y << ", " << r.width << " x " << r.height << ")";
}

namespace {

TEST(NineGrid, PiecesComeInRowOrderWithMarginsUnstretched) {
  NineGridPiece pieces[9];
  // A 40 x 30 destination at (100, 50) from a 16 x 16 cell at (32, 0), margins 3, 4, 5, 6.
  ComputeNineGrid({100, 50, 140, 80}, {32, 0, 48, 16}, {3, 4, 5, 6}, 96, pieces);
  const NineGridPiece expected[9] = {
      {{100, 50, 3, 4}, {32, 0, 3, 4}},   {{103, 50, 32, 4}, {35, 0, 8, 4}},
      {{135, 50, 5, 4}, {43, 0, 5, 4}},   {{100, 54, 3, 20}, {32, 4, 3, 6}},
      {{103, 54, 32, 20}, {35, 4, 8, 6}}, {{135, 54, 5, 20}, {43, 4, 5, 6}},
      {{100, 74, 3, 6}, {32, 10, 3, 6}},  {{103, 74, 32, 6}, {35, 10, 8, 6}},
      {{135, 74, 5, 6}, {43, 10, 5, 6}},
  };
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(pieces[i].destination, expected[i].destination) << "piece " << i + 1;
    EXPECT_EQ(pieces[i].source, expected[i].source) << "piece " << i + 1;
  }
}

TEST(NineGrid, MarginsWiderThanTheDestinationLeaveOutTheCentreColumn) {
  NineGridPiece pieces[9];
  ComputeNineGrid({0, 0, 12, 32}, {0, 0, 216, 45}, {8, 8, 8, 8}, 96, pieces);
  for (int i : {1, 4, 7}) EXPECT_FALSE(IsDrawablePiece(pieces[i].destination)) << i + 1;
  for (int i : {0, 2, 3, 5, 6, 8}) EXPECT_TRUE(IsDrawablePiece(pieces[i].destination)) << i + 1;
  // The right column starts at 4 and overlaps the left one, which ends at 8.
  EXPECT_EQ(pieces[0].destination, (PixelRect{0, 0, 8, 8}));
  EXPECT_EQ(pieces[2].destination, (PixelRect{4, 0, 8, 8}));
  EXPECT_EQ(pieces[5].destination, (PixelRect{4, 8, 8, 16}));
}

TEST(NineGrid, ZeroMarginsStretchTheWholeCellOverTheWholeDestination) {
  NineGridPiece pieces[9];
  ComputeNineGrid({5, 7, 125, 39}, {432, 0, 648, 45}, {0, 0, 0, 0}, 96, pieces);
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(IsDrawablePiece(pieces[i].destination), i == 4) << i + 1;
  }
  EXPECT_EQ(pieces[4].destination, (PixelRect{5, 7, 120, 32}));
  EXPECT_EQ(pieces[4].source, (PixelRect{432, 0, 216, 45}));
}

TEST(SkinCells, FiveEqualCellsLeaveTheRemainderColumnsOut) {
  struct Case {
    int width, height, cell;
    Rect expected;
  } cases[] = {
      {1081, 45, 0, {0, 0, 216, 45}},    {1081, 45, 1, {216, 0, 432, 45}},
      {1081, 45, 4, {864, 0, 1080, 45}},  // column 1080 belongs to no cell
      {80, 16, 0, {0, 0, 16, 16}},       {80, 16, 3, {48, 0, 64, 16}},
      {0, 0, 4, {0, 0, 0, 0}},  // no image: an empty source, nothing is drawn
  };
  for (const Case& c : cases) {
    Rect cell = SkinCellRect(c.width, c.height, c.cell);
    EXPECT_EQ(cell.left, c.expected.left) << c.width << " cell " << c.cell;
    EXPECT_EQ(cell.top, c.expected.top) << c.width << " cell " << c.cell;
    EXPECT_EQ(cell.right, c.expected.right) << c.width << " cell " << c.cell;
    EXPECT_EQ(cell.bottom, c.expected.bottom) << c.width << " cell " << c.cell;
  }
}

TEST(ButtonStates, CellAndCaptionColourFollowTheItemState) {
  const CaptionColors colors = {0x000001, 0x000002, 0x000003};
  struct Case {
    unsigned state;
    int defaultCell;
    int cell;
    uint32_t color;
  } cases[] = {
      {0, 0, 0, colors.text},
      {0, 2, 2, colors.text},
      {kItemHot, 2, 1, colors.hot},
      {kItemPressed, 0, 4, colors.pressed},
      {kItemPressed | kItemHot, 0, 4, colors.pressed},
      {kItemDisabled, 0, 3, colors.text},
      {kItemDisabled | kItemPressed | kItemHot, 0, 3, colors.pressed},
      {kItemDisabled | kItemHot, 0, 3, colors.hot},
      // Focus (0x10), default (0x20) and checked (0x08) make no difference.
      {0x10 | 0x20 | 0x08, 0, 0, colors.text},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SkinCellForState(c.state, c.defaultCell), c.cell) << "state " << c.state;
    EXPECT_EQ(CaptionColorForState(c.state, colors), c.color) << "state " << c.state;
  }
}

TEST(Fade, AlphaRisesWithTheTicksAndStopsAtTheEnd) {
  struct Case {
    uint32_t start, end, now;
    int alpha;
  } cases[] = {
      {1000, 1500, 1000, 0},
      {1000, 1500, 1250, 127},
      {1000, 1500, 1499, 254},
      {1000, 1500, 1500, 255},
      {1000, 1500, 90000, 255},  // clamped after the end
      // Across the wrap of the 32-bit tick count: 250 of 500 ms.
      {0xFFFFFF00u, 0xFFFFFF00u + 500, 0xFFFFFF00u + 250, 127},
      {0xFFFFFF00u, 0xFFFFFF00u + 500, 0xFFFFFF00u + 10, 5},
      {0xFFFFFF00u, 0xFFFFFF00u + 500, 0xFFFFFF00u + 600, 255},
      // A fade of several hours does not overflow the product of ticks and 255.
      {1, 1 + 40000000u, 1 + 20000000u, 127},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FadeAlpha(c.start, c.end, c.now), c.alpha)
        << c.start << ".." << c.end << " at " << c.now;
  }
}

TEST(Fade, IsOverOnlyAfterItsEndAlsoAcrossTheWrap) {
  struct Case {
    uint32_t start, end, now;
    bool over;
  } cases[] = {
      {1000, 1500, 1200, false},
      {1000, 1500, 1500, false},
      {1000, 1500, 1501, true},
      {0xFFFFFF00u, 0xFFFFFF00u + 500, 0xFFFFFFF0u, false},
      {0xFFFFFF00u, 0xFFFFFF00u + 500, 100, false},
      {0xFFFFFF00u, 0xFFFFFF00u + 500, 300, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsFadeOver(c.start, c.end, c.now), c.over)
        << c.start << ".." << c.end << " at " << c.now;
  }
}

TEST(Fade, RunsOnlyWithAStartALengthAndAnOldPicture) {
  struct Case {
    uint32_t start, end;
    bool previous;
    bool running;
  } cases[] = {
      {1000, 1500, true, true},
      {0, 0, true, false},         // ended, or never started
      {1000, 1000, true, false},   // no length: the new picture at once
      {1000, 1500, false, false},  // nothing to fade from
      {0xFFFFFF00u, 0xFFFFFF00u + 500, true, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsFadeRunning(c.start, c.end, c.previous), c.running) << c.start << ".." << c.end;
  }
}

TEST(SkinLook, ThePlainLookDrawsEveryUseInItsSystemColourAndTheSkinLookChangesNothing) {
  const SystemColors system = {0x000000, 0xFFFFFF, 0x00FFFF, 0xFFFF00};
  const SkinLook skin = {false, system};
  const SkinLook plain = {true, system};
  struct Case {
    const SkinLook* look;
    SkinColorUse use;
    uint32_t skinColor;
    uint32_t drawn;
  } cases[] = {
      {&skin, SkinColorUse::kBackground, 0x123456, 0x123456},
      {&skin, SkinColorUse::kText, 0xAA5A28, 0xAA5A28},  // the info labels' blue
      {&skin, SkinColorUse::kLink, 0xC85A28, 0xC85A28},
      {&skin, SkinColorUse::kFocusCue, 0x000000, 0x000000},
      {&plain, SkinColorUse::kBackground, 0x123456, 0x000000},
      {&plain, SkinColorUse::kText, 0xAA5A28, 0xFFFFFF},
      {&plain, SkinColorUse::kText, 0xFFFFFF, 0xFFFFFF},  // a pressed caption stays the text's
      {&plain, SkinColorUse::kLink, 0xC85A28, 0x00FFFF},
      {&plain, SkinColorUse::kFocusCue, 0x000000, 0xFFFF00},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SkinColorFor(*c.look, c.use, c.skinColor), c.drawn)
        << "plain " << c.look->plain << ", use " << static_cast<int>(c.use) << ", skin colour "
        << std::hex << c.skinColor;
  }
}

TEST(FocusCue, LiesInsideTheControlAndKeepsSomethingInsideAtAnySize) {
  struct Case {
    Rect control;
    int dpi;
    Rect ring;
  } cases[] = {
      {{10, 20, 130, 52}, 96, {13, 23, 127, 49}},   // the main button
      {{10, 20, 130, 52}, 192, {16, 26, 124, 46}},  // 3 pixels grow with the DPI
      {{10, 20, 130, 52}, 120, {14, 24, 126, 48}},  // 3.75 rounds to 4
      {{0, 0, 16, 16}, 96, {3, 3, 13, 13}},         // the close button
      {{0, 0, 16, 16}, 192, {6, 6, 10, 10}},        // 4 pixels left inside
      {{0, 0, 40, 6}, 192, {2, 2, 38, 4}},          // the narrow side limits the inset
      {{5, 5, 7, 30}, 96, {5, 5, 7, 30}},           // no room: the control's own edge
      {{5, 5, 5, 5}, 96, {5, 5, 5, 5}},             // empty stays empty, never inverted
  };
  for (const Case& c : cases) {
    const Rect ring = FocusCueRect(c.control, c.dpi);
    EXPECT_TRUE(ring == c.ring) << c.control.left << "," << c.control.top << "," << c.control.right
                                << "," << c.control.bottom << " at " << c.dpi << ": " << ring.left
                                << "," << ring.top << "," << ring.right << "," << ring.bottom;
    EXPECT_TRUE(ring.left >= c.control.left && ring.right <= c.control.right &&
                ring.top >= c.control.top && ring.bottom <= c.control.bottom &&
                ring.left <= ring.right && ring.top <= ring.bottom);
  }
}

TEST(FontHeight, GrowsTheMagnitudeWhateverTheSign) {
  struct Case {
    int height, n, grown;
  } cases[] = {
      {-13, 5, -18}, {13, 5, 18}, {0, 5, -5}, {-13, -1, -12}, {13, -1, 12}, {0, -1, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GrowFontHeight(c.height, c.n), c.grown) << c.height << " by " << c.n;
  }
}

TEST(AccessibleName, LineBreaksAndOuterSpacesGoAndTheNameIsCutToTheCapacity) {
  struct Case {
    const wchar_t* caption;
    size_t capacity;
    const wchar_t* name;
  } cases[] = {
      {L"安装设置\n", 32, L"安装设置"},  // the settings link's first caption
      {L"一键安装", 32, L"一键安装"},
      {L" 为此计算机上的所有用户安装", 32, L"为此计算机上的所有用户安装"},
      {L"  two\r\nlines  ", 32, L"twolines"},
      {L"\n inner  spaces\t ", 32, L"inner  spaces"},
      {L" Veltrin ", 32, L"Veltrin"},
      {L"", 32, L""},
      {L" \n ", 32, L""},
      {L"abcdef", 4, L"abc"},   // three characters and the NUL
      {L"ab  cdef", 4, L"ab"},  // cut short, then trimmed
      {L"abc", 1, L""},
  };
  for (const Case& c : cases) {
    wchar_t name[32];
    std::fill(std::begin(name), std::end(name), L'#');
    const size_t length = AccessibleNameOfCaption(c.caption, name, c.capacity);
    EXPECT_EQ(std::wstring(name), std::wstring(c.name)) << "capacity " << c.capacity;
    EXPECT_EQ(length, std::wstring(c.name).size());
    if (c.capacity < 32) {
      EXPECT_EQ(name[c.capacity], L'#') << "wrote past the capacity";
    }
  }
  wchar_t untouched = L'#';
  EXPECT_EQ(AccessibleNameOfCaption(L"abc", &untouched, 0), 0u);
  EXPECT_EQ(untouched, L'#');
}

}  // namespace
}  // namespace kst
