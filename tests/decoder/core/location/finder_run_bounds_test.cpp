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
        bool seen = false;
        for (unsigned i = 0; i < finder.GetQRFinderCount(); ++i) {
            auto const& f = finder.GetQRFinders()[i];
            seen = seen || (f.dark == 1 && std::abs(f.centre.x - kCentre) <= 2 && std::abs(f.centre.y - kCentre) <= 2);
        }
        EXPECT_EQ(seen, c.sighted);
    }
}

}  // namespace
