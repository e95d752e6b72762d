// The module grid of the Aztec reader's frames road: extension beyond its
// known rings, turning into the symbol's reading orientation as the mode
// ring's orientation says, the alternation measure along reference lines and
// the choice of line when the symbol's sides are re-fitted.
#include <gtest/gtest.h>

#include <vector>

#include "decoder/matrix/aztec/aztec_code_decoder.h"
#include "decoder/matrix/aztec/aztec_finder_grid.h"
#include "decoder/matrix/aztec/aztec_grid_measures.h"
#include "decoder/matrix/aztec/calc_outer_code_region_subroutine.h"

namespace aztec_test {
namespace {

using namespace DEC2DIvra;

TEST(AztecVectorGridTest, ExtendsBeyondItsRingsAndTurnsAsTheSymbolReads)
{
    AztecFinderGrid grid;
    grid.Reset(Point{1000, 2000});
    // Only the centre known: every direction extends by its own step.
    grid.SetStep(0, Vector{3, 700});
    grid.SetStep(1, Vector{600, 5});
    grid.SetStep(2, Vector{-3, -710});
    grid.SetStep(3, Vector{-610, -5});
    EXPECT_EQ(grid.GetTempModuleCenter(2, -1), (Point{1000 + 1200 - 3, 2000 + 10 - 710}));
    // A ring measured three modules out sets the step and fills the ring
    // between by the new step.
    ASSERT_TRUE(grid.ConfirmGrid(Vector{1500, 30}, 1, 3));
    Vector v{};
    ASSERT_TRUE(grid.CalcVectorFromCrossPoint(2, 0, v));
    EXPECT_EQ(v, (Vector{1000, 20}));
    EXPECT_FALSE(grid.CalcVectorFromCrossPoint(4, 0, v));
    EXPECT_EQ(grid.GetTempModuleCenter(5, 0), (Point{1000 + 2500, 2000 + 50}));

    // Module (u, v) of the turned grid is where the reader sees symbol
    // module (u, v) in that orientation.
    for (unsigned rotation = 0; rotation < 4; ++rotation) {
        for (bool const mirrored : {false, true}) {
            OrientationPattern const orientation{rotation, mirrored};
            unsigned turns = rotation;
            if (mirrored) {
                turns = (turns == 0 || turns == 2) ? turns + 1 : turns - 1;
            }
            AztecFinderGrid turned;
            turned.SetRotatedGrid(grid, turns, mirrored);
            for (int u : {-4, 0, 2, 5}) {
                for (int w : {-3, 0, 1, 4}) {
                    double x = 0;
                    double y = 0;
                    AztecSymbolToReader(orientation, u, w, x, y);
                    EXPECT_EQ(turned.GetTempModuleCenter(u, w),
                              grid.GetTempModuleCenter(static_cast<int>(x), static_cast<int>(y)))
                        << rotation << mirrored << " " << u << "," << w;
                }
            }
        }
    }
}

TEST(AztecVectorGridTest, CorrelationFollowsTheAlternationAndLineChoiceItsSpread)
{
    // Vertical stripes four pixels wide, dark from x = 0.
    constexpr int kWidth = 64;
    constexpr int kHeight = 16;
    std::vector<unsigned short> pixels(kWidth * kHeight);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            pixels[y * kWidth + x] = (x / 4) % 2 == 0 ? 100 : 900;
        }
    }
    GrayImage const image(kWidth, kHeight, kWidth, pixels.data());
    CalcGridCorrelationSubroutine const correlation;
    for (unsigned n = 5; n <= 10; ++n) {
        // Module centres 1.5, 5.5, ... along the row: the first one dark.
        LineSegment const segment{Point{384, 2048}, Point{static_cast<int>(384 + 1024 * (n - 1)), 2048}};
        int light = 0;
        int dark = 0;
        ASSERT_TRUE(correlation.Start(image, false, n, segment, true, light));
        ASSERT_TRUE(correlation.Start(image, false, n, segment, false, dark));
        EXPECT_GT(light, 4000) << n;
        EXPECT_LT(dark, -4000) << n;
    }
    int unused = 0;
    EXPECT_FALSE(correlation.Start(image, false, 4, LineSegment{Point{384, 2048}, Point{3456, 2048}}, true, unused));

    // A mask of two neighbouring modules spreads 1 and never qualifies; the
    // wider spread wins, the earlier of equal ones.
    unsigned index = 9;
    EXPECT_FALSE(CalcOuterCodeRegionSubroutine::SelectLineSearchIndex({0b0110u, 0u, 0b11u}, 8, 3, index));
    ASSERT_TRUE(CalcOuterCodeRegionSubroutine::SelectLineSearchIndex({0b0110u, 0b1001u, 0b100001u}, 8, 3, index));
    EXPECT_EQ(index, 2u);
    ASSERT_TRUE(CalcOuterCodeRegionSubroutine::SelectLineSearchIndex({0b1001u, 0b1001u, 0u}, 8, 3, index));
    EXPECT_EQ(index, 0u);
    // Bits beyond the line's length do not count.
    EXPECT_FALSE(CalcOuterCodeRegionSubroutine::SelectLineSearchIndex({0b100000001u, 0u, 0u}, 4, 3, index));
}

}  // namespace
}  // namespace aztec_test
