// The run widths at which the finder sweeps take a pattern: pixel-exact
// nested rectangles, whose row and column through the centre cross each ring
// at widths of the case's choosing, sighted or not at the bounds of the run
// ratios.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "decoder/core/gray_image.h"
#include "decoder/core/location/matrix_candidate_finder.h"

namespace {

using DEC2DIvra::GrayImage;
using DEC2DIvra::MatrixCandidateFinder;

constexpr int kSize = 160;
constexpr int kCentre = 80;
constexpr unsigned short kDark = 40;
constexpr unsigned short kLight = 200;

// The depth of a coordinate in `count` runs laid about `centre` (the middle
// run holding it): 0 in the outer runs, count / 2 in the middle one, -1
// outside them all.
int Depth(int at, int centre, int const* runs, int count)
{
    int const middle = count / 2;
    int from = centre - runs[middle] / 2;
    for (int k = 0; k < middle; ++k) {
        from -= runs[k];
    }
    for (int k = 0; k < count; ++k) {
        if (at >= from && at < from + runs[k]) {
            return k <= middle ? k : count - 1 - k;
        }
        from += runs[k];
    }
    return -1;
}

// Nested rectangles on light ground: the row through the centre crosses the
// runs `across`, the column `along` (`count` each), the outer rings dark.
std::vector<unsigned short> DrawRings(int const* across, int const* along, int count)
{
    std::vector<unsigned short> pixels(kSize * kSize, kLight);
    for (int y = 0; y < kSize; ++y) {
        int const dy = Depth(y, kCentre, along, count);
        for (int x = 0; x < kSize; ++x) {
            int const depth = std::min(Depth(x, kCentre, across, count), dy);
            if (depth >= 0 && depth % 2 == 0) {
                pixels[y * kSize + x] = kDark;
            }
        }
    }
    return pixels;
}

// Whether the list holds a dark sighting of the given kind (QR finders keep
// 0) within `reach` pixels of the centre on both axes.
bool SightedAtCentre(DEC2DIvra::FinderSighting const* list, unsigned count, unsigned char kind, int reach)
{
    for (unsigned i = 0; i < count; ++i) {
        DEC2DIvra::FinderSighting const& seen = list[i];
        if (seen.dark == 1 && seen.kind == kind && std::abs(seen.centre.x - kCentre) <= reach &&
            std::abs(seen.centre.y - kCentre) <= reach) {
            return true;
        }
    }
    return false;
}

std::string Widths(int const* runs, int count)
{
    std::string out;
    for (int k = 0; k < count; ++k) {
        out += (k == 0 ? "" : ":") + std::to_string(runs[k]);
    }
    return out;
}

TEST(FinderRunBoundsTest, QRFinderRowRunsAreTakenUpToTheirRatiosBounds)
{
    // A finder's row runs pass when the middle one is within a module of 3
    // of the seven (2 total <= 7 w <= 4 total) and each other within half a
    // module of 1 (2 |7 w - total| <= total); the column, 1:1:3:1:1, then
    // decides, unless it is out of ratio itself.
    struct Case {
        int row[5];
        int column[5];
        bool sighted;
    };
    Case const cases[] = {
        {{2, 2, 6, 2, 2}, {2, 2, 6, 2, 2}, true},
        {{3, 3, 16, 3, 3}, {3, 3, 9, 3, 3}, true},    // middle at 4/7 of the total
        {{3, 3, 17, 3, 3}, {3, 3, 9, 3, 3}, false},   // past it
        {{5, 5, 8, 5, 5}, {4, 4, 12, 4, 4}, true},    // middle at 2/7
        {{5, 5, 7, 5, 5}, {4, 4, 12, 4, 4}, false},   // short of it
        {{3, 2, 6, 2, 2}, {2, 2, 6, 2, 2}, true},     // an outer run at 3/14 of the total
        {{4, 2, 6, 2, 2}, {2, 2, 6, 2, 2}, false},    // past it
        {{2, 2, 6, 3, 2}, {2, 2, 6, 2, 2}, true},     // an inner one likewise
        {{2, 2, 6, 4, 2}, {2, 2, 6, 2, 2}, false},
        {{2, 4, 12, 4, 4}, {4, 4, 12, 4, 4}, true},   // an outer run at 1/14 of the total
        {{4, 4, 12, 4, 1}, {4, 4, 12, 4, 4}, false},  // short of it
        {{2, 2, 6, 2, 2}, {2, 2, 6, 2, 5}, false},    // the column out of ratio
    };
    static MatrixCandidateFinder finder;
    for (Case const& c : cases) {
        SCOPED_TRACE(Widths(c.row, 5) + " across, " + Widths(c.column, 5) + " along");
        std::vector<unsigned short> const pixels = DrawRings(c.row, c.column, 5);
        GrayImage const image(kSize, kSize, kSize, pixels.data());
        MatrixCandidateFinder::Wanted wanted;
        wanted.qrFinders = true;
        finder.Start(image, {0, 0, kSize - 1, kSize - 1}, 1, wanted);
        EXPECT_EQ(SightedAtCentre(finder.GetQRFinders(), finder.GetQRFinderCount(), 0, 2), c.sighted);
    }
}

TEST(FinderRunBoundsTest, BullsEyeRowRingsAreTakenUpToTheirRatiosBounds)
{
    // A bull's-eye's three rings on each side of its core pass along the row
    // when none is narrower than a twelfth of the six's sum nor wider than a
    // quarter. The rings along the column are 3 pixels each and reach no
    // further than along the row, so that the diagonals cross them alike;
    // a dark rectangle closes the rings.
    struct Case {
        int rings[3];  // along the row, the innermost first (on both sides)
        bool sighted;
    };
    Case const cases[] = {
        {{3, 3, 3}, true},
        {{4, 4, 8}, true},   // the widest at a quarter
        {{4, 4, 9}, false},  // past it
        {{5, 5, 2}, true},   // the narrowest at a twelfth
        {{6, 5, 2}, false},  // short of it
        {{4, 5, 3}, true},
    };
    static MatrixCandidateFinder finder;
    for (Case const& c : cases) {
        int const row[9] = {2, c.rings[2], c.rings[1], c.rings[0], 3, c.rings[0], c.rings[1], c.rings[2], 2};
        int const column[9] = {2, 3, 3, 3, 3, 3, 3, 3, 2};
        SCOPED_TRACE(Widths(row, 9));
        std::vector<unsigned short> const pixels = DrawRings(row, column, 9);
        GrayImage const image(kSize, kSize, kSize, pixels.data());
        MatrixCandidateFinder::Wanted wanted;
        wanted.bullsEyes = true;
        finder.Start(image, {0, 0, kSize - 1, kSize - 1}, 1, wanted);
        EXPECT_EQ(SightedAtCentre(finder.GetBullsEyes(), finder.GetBullsEyeCount(), MatrixCandidateFinder::kAztec, 1),
                  c.sighted);
    }
}

TEST(FinderRunBoundsTest, FlatBlocksArePassedOverUpToTheFirstThatTurnsOrHasContrast)
{
    // Rows of flat blocks at threshold 1000, one block `at` set apart: with
    // a margin, or its middle grey `off` from its threshold. A dark run stops
    // there when the middle lies more than 20 (kContrastFloor / 8) above, a
    // light one when it lies more than 20 below; the search starts at
    // `from`, on either side of an 8-block boundary, and ends at the row's
    // last block when nothing stops it.
    static_assert(MatrixCandidateFinder::kContrastFloor / 8 == 20, "the cases below stand at the turn");
    struct Case {
        unsigned count;
        unsigned from;
        unsigned at;
        int off;
        unsigned short margin;
        bool dark;
        unsigned stop;
    };
    Case const cases[] = {
        {40, 0, 13, 21, 0, true, 13},    {40, 0, 13, 20, 0, true, 40},   {40, 0, 13, -21, 0, true, 40},
        {40, 0, 13, -21, 0, false, 13},  {40, 0, 13, -20, 0, false, 40}, {40, 0, 13, 21, 0, false, 40},
        {40, 0, 13, 0, 1, false, 13},    {40, 0, 13, 0, 1, true, 13},    {40, 5, 5, 30, 0, true, 5},
        {40, 6, 7, 30, 0, true, 7},      {40, 7, 8, 30, 0, true, 8},     {40, 9, 8, 30, 0, true, 40},
        {37, 0, 36, 0, 7, true, 36},     {37, 30, 33, -90, 0, false, 33}, {37, 0, 40, 0, 0, true, 37},
        {3, 0, 2, 25, 0, true, 2},       {3, 1, 9, 0, 0, false, 3},      {8, 0, 7, 0, 1, true, 7},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(std::to_string(c.count) + " from " + std::to_string(c.from) + " at " + std::to_string(c.at) +
                     " off " + std::to_string(c.off) + " margin " + std::to_string(c.margin) +
                     (c.dark ? " dark" : " light"));
        unsigned const padded = (c.count + 7) / 8 * 8;
        // Past the row's blocks the lanes hold what stops any run: they must
        // not be taken for blocks of the row.
        std::vector<unsigned short> threshold(padded, 1000);
        std::vector<unsigned short> margin(padded, 0);
        std::vector<unsigned short> middle(padded, 1000);
        for (unsigned b = c.count; b < padded; ++b) {
            margin[b] = 500;
        }
        if (c.at < c.count) {
            middle[c.at] = static_cast<unsigned short>(1000 + c.off);
            margin[c.at] = c.margin;
        }
        EXPECT_EQ(DEC2DIvra::SkipFlatBlocks(threshold.data(), margin.data(), middle.data(), c.from, c.count, c.dark),
                  c.stop);
    }
}

TEST(FinderRunBoundsTest, FlatBlocksAtTheGreyScalesEndsTurnAsTheirGreysSay)
{
    // Thresholds and middle greys near 0 and 0xFFFF: the turn is judged on
    // the greys' difference, without wrapping.
    struct Case {
        unsigned short threshold;
        unsigned short middle;
        bool dark;
        bool stops;
    };
    Case const cases[] = {
        {0xFFFF, 0xFFFF - 21, false, true}, {0xFFFF, 0xFFFF - 20, false, false}, {0xFFEB, 0xFFFF, true, false},
        {0xFFEA, 0xFFFF, true, true},       {0, 21, true, true},                   {0, 20, true, false},
        {21, 0, false, true},               {20, 0, false, false},                 {0, 0xFFFF, false, false},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(std::to_string(c.threshold) + " " + std::to_string(c.middle) + (c.dark ? " dark" : " light"));
        std::vector<unsigned short> threshold(16, c.threshold);
        std::vector<unsigned short> margin(16, 0);
        std::vector<unsigned short> middle(16, c.threshold);
        middle[10] = c.middle;
        EXPECT_EQ(DEC2DIvra::SkipFlatBlocks(threshold.data(), margin.data(), middle.data(), 0, 16, c.dark),
                  c.stops ? 10u : 16u);
    }
}

TEST(FinderRunBoundsTest, RowBlocksWithOneEdgeAreMeasuredAlikeInEveryLaneGroup)
{
    // Flat rows of `count` blocks but one, whose pixels from `edge` on
    // (within the block or at its start) step up to the last block's end:
    // with the step at each place of the groups of 8 and 16 blocks the lanes
    // take, and none (or at the row's start: all one grey), the lanes say
    // what one block at a time says, contrast or none included.
    unsigned const counts[] = {1, 8, 15, 16, 17, 24, 31, 32, 33, 47};
    for (unsigned const count : counts) {
        int const width = static_cast<int>(count) * 16;
        for (int edge = -1; edge < width; edge += edge < 0 ? 1 : (edge % 16 == 0 ? 7 : 9)) {
            SCOPED_TRACE(std::to_string(count) + " blocks, edge at " + std::to_string(edge));
            std::vector<unsigned short> row(static_cast<size_t>(width), 1000);
            for (int x = edge < 0 ? width : edge; x < width; ++x) {
                row[static_cast<size_t>(x)] = 1300;
            }
            std::vector<unsigned short> fast(3 * 1032, 7);
            std::vector<unsigned short> plain(3 * 1032, 7);
            bool const a = DEC2DIvra::MeasureRowBlocks(row.data(), 0, width - 1, count, fast.data(),
                                                       fast.data() + 1032, fast.data() + 2064, true);
            bool const b = DEC2DIvra::MeasureRowBlocks(row.data(), 0, width - 1, count, plain.data(),
                                                       plain.data() + 1032, plain.data() + 2064, false);
            EXPECT_EQ(a, edge > 0);
            EXPECT_EQ(a, b);
            unsigned differ = 0;
            for (unsigned k = 0; k < count; ++k) {
                for (unsigned part = 0; part < 3; ++part) {
                    differ += fast[part * 1032 + k] != plain[part * 1032 + k];
                }
            }
            EXPECT_EQ(differ, 0u);
        }
    }
}

}  // namespace
