// The module grid of the Aztec reader's frames road: extension beyond its
// known rings, turning into the symbol's reading orientation as the mode
// ring's orientation says, the alternation measure along reference lines and
// the choice of line when the symbol's sides are re-fitted.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "decoder/core/geometry/geometry.h"
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

constexpr int kFrameWidth = 96;
constexpr int kFrameHeight = 72;

// The alternation measure written out plainly: samples at the rounded
// dividing points, bilinear over clamped (sharpened) pixels, the mean taken
// off, weighted and divided by the root of the squares times the row's length.
int PlainCorrelation(GrayImage const& image, bool laplacian, unsigned n, LineSegment const& segment, bool colour)
{
    static constexpr long long kA[] = {-410, -512, -439, -512, -455, -512};
    static constexpr long long kB[] = {614, 512, 585, 512, 519, 512};
    static constexpr long long kL[] = {1122, 1254, 1341, 1448, 1463, 1619};
    auto pixel = [&](int x, int y) -> long long {
        if (!laplacian) {
            return image.AtClamped(x, y);
        }
        long long const v = image.AtClamped(x, y);
        long long const around = static_cast<long long>(image.AtClamped(x - 1, y)) + image.AtClamped(x + 1, y) +
                                 image.AtClamped(x, y - 1) + image.AtClamped(x, y + 1);
        long long const sharp = v + (4 * v - around) / 4;
        return sharp < 0 ? 0 : sharp > 1023 ? 1023 : sharp;
    };
    long long samples[10];
    long long sum = 0;
    for (unsigned s = 0; s < n; ++s) {
        Point p{};
        EXPECT_TRUE(Geometry::CalcDividingPoint(static_cast<int>(n - 1 - s), segment.begin, static_cast<int>(s),
                                                segment.end, p));
        int x = p.x >> 8;
        int y = p.y >> 8;
        long long const fx = p.x - x * 256;
        long long const fy = p.y - y * 256;
        // Beyond the border the four pixels are those just outside it.
        x = x < -1 ? -1 : x > kFrameWidth ? kFrameWidth : x;
        y = y < -1 ? -1 : y > kFrameHeight ? kFrameHeight : y;
        long long const v = pixel(x, y) * (256 - fx) * (256 - fy) + pixel(x + 1, y) * fx * (256 - fy) +
                            pixel(x, y + 1) * (256 - fx) * fy + pixel(x + 1, y + 1) * fx * fy;
        samples[s] = (v + 32768) >> 16;
        sum += samples[s];
    }
    long long const mean = sum / n;
    long long weighted = 0;
    long long squares = 0;
    for (unsigned s = 0; s < n; ++s) {
        long long const d = colour ? samples[s] - mean : mean - samples[s];
        weighted += (s % 2 == 0 ? kA[n - 5] : kB[n - 5]) * d;
        squares += d * d;
    }
    long long root = static_cast<long long>(std::sqrt(static_cast<double>(squares)));
    while (root * root > squares) {
        --root;
    }
    while ((root + 1) * (root + 1) <= squares) {
        ++root;
    }
    return static_cast<int>(4096 * weighted / (root == 0 ? kL[n - 5] : root * kL[n - 5]));
}

TEST(AztecVectorGridTest, CorrelationEqualsItsPlainFormEverywhereInTheFrame)
{
    // Noise, a ramp and a flat patch, so that deviations run from none to
    // the whole range; segments of every direction and length, some with
    // ends on or beyond the border rows and columns.
    std::mt19937 random(57);
    std::vector<unsigned short> pixels(kFrameWidth * kFrameHeight);
    for (int y = 0; y < kFrameHeight; ++y) {
        for (int x = 0; x < kFrameWidth; ++x) {
            pixels[y * kFrameWidth + x] = static_cast<unsigned short>(
                x < 20 && y < 20 ? 500 : y < 40 ? random() % 1024 : (x * 10 + y * 3) % 1024);
        }
    }
    GrayImage const image(kFrameWidth, kFrameHeight, kFrameWidth, pixels.data());
    CalcGridCorrelationSubroutine const correlation;
    std::uniform_int_distribution<int> x(-300, kFrameWidth * 256 + 300);
    std::uniform_int_distribution<int> y(-300, kFrameHeight * 256 + 300);
    for (int k = 0; k < 3000; ++k) {
        LineSegment const segment{Point{x(random), y(random)}, Point{x(random), y(random)}};
        unsigned const n = 5 + static_cast<unsigned>(k % 6);
        bool const laplacian = k % 3 == 0;
        bool const colour = k % 2 == 0;
        int value = 0;
        ASSERT_TRUE(correlation.Start(image, laplacian, n, segment, colour, value));
        ASSERT_EQ(value, PlainCorrelation(image, laplacian, n, segment, colour))
            << k << ": (" << segment.begin.x << "," << segment.begin.y << ")-(" << segment.end.x << ","
            << segment.end.y << ") n " << n;
    }
    // A flat patch: no deviation, 0.
    int flat = 7;
    ASSERT_TRUE(correlation.Start(image, false, 7, LineSegment{Point{512, 512}, Point{4096, 3072}}, true, flat));
    EXPECT_EQ(flat, 0);
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
