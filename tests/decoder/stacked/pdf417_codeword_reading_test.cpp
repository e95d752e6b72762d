// Single codewords: the grey-level pattern score, the module-centre samples
// and the edge reading of one cell, on hand-made greys and on symbols drawn
// by libzint.
#include <gtest/gtest.h>

#include <vector>

#include "decoder/core/shared_memory_distributor.h"
#include "decoder/linear/line/rate_for_tuning_calculator.h"
#include "decoder/stacked/pdf417/pdf_column_scan_subroutine.h"
#include "tests/decoder/stacked/pdf417_symbol_cells.h"

namespace {

using DEC2DIvra::Array;
using DEC2DIvra::CalcPatternLuminanceSubroutine;
using DEC2DIvra::CalcSegmentScoreSubroutine;

// Greys for a pattern: `light` where the module is a space, `dark` where a bar.
Array<unsigned short, 15> Greys(unsigned pattern, bool rowAddress, unsigned short light, unsigned short dark)
{
    Array<unsigned short, 15> greys;
    unsigned const n = rowAddress ? 7 : 15;
    unsigned const top = rowAddress ? 7 : 15;
    for (unsigned i = 0; i < 15; ++i) {
        greys[i] = i < n && ((pattern >> (top - i)) & 1u) != 0 ? light : dark;
    }
    return greys;
}

unsigned short Score(Array<unsigned short, 15> const& greys, bool invert, bool rowAddress, unsigned short threshold,
                     unsigned pattern)
{
    unsigned short score = 12345;
    CalcSegmentScoreSubroutine().Start(greys, invert, rowAddress, threshold, pattern, score);
    return score;
}

TEST(Pdf417SegmentScore, CorrelationOfGreysWithThePattern)
{
    unsigned const codeword = 0b1010'1100'0111'0011;  // modules 1..16, a space 1
    unsigned const address = 0b1011'0010;             // modules 1..8
    struct Case {
        char const* name;
        Array<unsigned short, 15> greys;
        bool invert;
        bool rowAddress;
        unsigned pattern;
        unsigned short expected;
    };
    Array<unsigned short, 15> const swapped = Greys(codeword, false, 100, 900);
    Case const cases[] = {
        {"every module as far on its side", Greys(codeword, false, 900, 100), false, false, codeword, 65535},
        {"every module on the wrong side", swapped, false, false, codeword, 0},
        {"inverted symbol read inverted", swapped, true, false, codeword, 65535},
        {"flat greys", Greys(0, false, 500, 500), false, false, codeword, 0},
        // Only modules 1 to 7 count for a row address pattern: the greys
        // behind them, here the opposite of a codeword, change nothing.
        {"row address pattern on its 7 modules",
         [&] {
             Array<unsigned short, 15> g = Greys(address, true, 900, 100);
             for (unsigned i = 7; i < 15; ++i) g[i] = (i % 2) != 0 ? 900 : 100;
             return g;
         }(),
         false, true, address, 65535},
        {"row address pattern inverted", Greys(address, true, 100, 900), true, true, address, 65535},
    };
    for (Case const& c : cases) {
        EXPECT_EQ(Score(c.greys, c.invert, c.rowAddress, 500, c.pattern), c.expected) << c.name;
    }
}

TEST(Pdf417SegmentScore, OneWrongModuleOfFifteenLowersTheScoreByItsShare)
{
    unsigned const codeword = 0b1010'1100'0111'0011;
    Array<unsigned short, 15> greys = Greys(codeword, false, 900, 100);
    greys[3] = 900;  // module 4 is a bar but reads light
    // S = 13 x 400, Q = 15 x 400^2: 13 / sqrt(225) of full scale.
    EXPECT_EQ(Score(greys, false, false, 500, codeword), 13 * 65536 / 15);
}

TEST(Pdf417PatternLuminance, SamplesTheModuleCentres)
{
    // A ramp along x: grey = 4 x column, so a sample's grey tells where it was taken.
    int const width = 200;
    int const height = 20;
    std::vector<unsigned short> pixels(static_cast<size_t>(width * height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels[static_cast<size_t>(y * width + x)] = static_cast<unsigned short>(4 * x);
        }
    }
    DEC2DIvra::GrayImage const image(width, height, width, pixels.data());
    Array<unsigned short, 15> greys;
    unsigned short high = 0;
    unsigned short low = 0;
    // 17 modules of 10 pixels from x = 10: module i's centre at 10 + 10 i + 5.
    DEC2DIvra::LineSegment const codeword{{10 * 256, 5 * 256}, {180 * 256, 5 * 256}};
    ASSERT_TRUE(CalcPatternLuminanceSubroutine().Start(image, false, codeword, greys, high, low));
    for (unsigned i = 0; i < 15; ++i) {
        EXPECT_EQ(greys[i], 4 * (10 + 10 * (i + 1) + 5)) << i;
    }
    EXPECT_EQ(high, greys[14]);
    EXPECT_EQ(low, greys[0]);
    // 10 modules of 10 pixels: modules 2 to 8.
    DEC2DIvra::LineSegment const address{{10 * 256, 5 * 256}, {110 * 256, 5 * 256}};
    ASSERT_TRUE(CalcPatternLuminanceSubroutine().Start(image, true, address, greys, high, low));
    for (unsigned i = 0; i < 7; ++i) {
        EXPECT_EQ(greys[i], 4 * (10 + 10 * (i + 2) + 5)) << i;
    }
    EXPECT_EQ(high, greys[6]);
    // A centre beyond the image is refused.
    DEC2DIvra::LineSegment const off{{100 * 256, 5 * 256}, {300 * 256, 5 * 256}};
    EXPECT_FALSE(CalcPatternLuminanceSubroutine().Start(image, false, off, greys, high, low));
}

}  // namespace
