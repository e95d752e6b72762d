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

namespace {

using DEC2DIvra::PDFCharacterWithScore;
using DEC2DIvra::PDFColumnScanSubroutine;

struct ScanCase {
    char const* name;
    double moduleSize;
    double angle;
    bool inverted;
    double blur;
};

// Every cell of a drawn symbol read by its edges from its own segment.
TEST(Pdf417ColumnScan, ReadsTheCellsOfDrawnSymbols)
{
    ScanCase const cases[] = {
        {"upright", 3.0, 0.0, false, 0.0},
        {"turned", 3.0, 17.0, false, 0.6},
        {"inverted", 3.0, -8.0, true, 0.5},
        {"large modules", 5.0, 95.0, false, 0.8},
    };
    for (ScanCase const& c : cases) {
        pdf417_test::DrawnSymbol const symbol =
            pdf417_test::Draw({.data = "Reading one codeword at a time", .option2 = 3},
                              {.moduleSize = c.moduleSize, .angle = c.angle, .inverted = c.inverted, .blur = c.blur});
        ASSERT_TRUE(symbol.ok) << c.name;
        std::vector<unsigned char> work(200000);
        DEC2DIvra::SharedMemoryDistributor memory(work.data(), static_cast<unsigned>(work.size()));
        DEC2DIvra::RateForTuningCalculator tuning;
        tuning.Initialize(false);
        PDFColumnScanSubroutine const scan(memory, tuning);
        ASSERT_TRUE(scan.IsReady());
        DEC2DIvra::GrayImage const image = symbol.Image();
        unsigned read = 0;
        for (pdf417_test::Cell const& cell : symbol.cells) {
            PDFCharacterWithScore character;
            int cluster = -1;
            unsigned short contrast = 0;
            if (!scan.Start(image, cell.segment, true, 700, c.inverted, true, 16, character, cluster, contrast)) {
                continue;
            }
            ++read;
            EXPECT_EQ(character.value, cell.value) << c.name << " row " << cell.row << " column " << cell.column;
            EXPECT_EQ(cluster, static_cast<int>(cell.cluster)) << c.name;
            EXPECT_GT(contrast, 400) << c.name;
        }
        EXPECT_EQ(read, symbol.cells.size()) << c.name << ": " << read << " of " << symbol.cells.size();
    }
}

TEST(Pdf417ColumnScan, RefusesSegmentsOffTheImageOrWithoutWorkArea)
{
    pdf417_test::DrawnSymbol const symbol = pdf417_test::Draw({.data = "edge", .option2 = 2}, {.moduleSize = 3.0});
    ASSERT_TRUE(symbol.ok);
    DEC2DIvra::GrayImage const image = symbol.Image();
    DEC2DIvra::RateForTuningCalculator tuning;
    tuning.Initialize(false);
    std::vector<unsigned char> work(200000);
    DEC2DIvra::SharedMemoryDistributor memory(work.data(), static_cast<unsigned>(work.size()));
    PDFColumnScanSubroutine const scan(memory, tuning);
    DEC2DIvra::SharedMemoryDistributor none(work.data(), 1000);
    PDFColumnScanSubroutine const starved(none, tuning);
    EXPECT_FALSE(starved.IsReady());

    pdf417_test::Cell const& cell = *symbol.At(1, 1);
    PDFCharacterWithScore character;
    int cluster = -1;
    unsigned short contrast = 0;
    ASSERT_TRUE(scan.Start(image, cell.segment, true, 700, false, true, 16, character, cluster, contrast));
    EXPECT_FALSE(starved.Start(image, cell.segment, true, 700, false, true, 16, character, cluster, contrast));
    struct Case {
        char const* name;
        DEC2DIvra::LineSegment segment;
    };
    int const w = image.GetWidth() * 256;
    Case const cases[] = {
        {"no length", {cell.segment.begin, cell.segment.begin}},
        {"widened past the left border", {{256, 100 * 256}, {20 * 256, 100 * 256}}},
        {"past the right border", {{w - 20 * 256, 100 * 256}, {w + 256, 100 * 256}}},
        {"far off the image", {{-(1 << 30), 0}, {(1 << 30), 0}}},
    };
    for (Case const& c : cases) {
        EXPECT_FALSE(scan.Start(image, c.segment, true, 700, false, true, 16, character, cluster, contrast)) << c.name;
    }
}

}  // namespace
