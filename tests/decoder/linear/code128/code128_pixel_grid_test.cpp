// Code 128 drawn on the pixel grid at 1.5 to 2 pixels a module, as an image
// printed at a fractional scale (zint --scale=0.75) shows it: every edge on
// the nearest pixel edge, so the runs are whole pixels and like characters
// at like pixel phases come out alike. Both classifiers allow the bars an
// ink spread and took some characters for others there (112313 for 113222,
// value 36 for 15, with the bars measured a little thin); the run edges must
// also fit the character best (Code128PartialScanData::IsNearestByEdges).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "decoder/linear/code128/code128_partial_scan_data.h"
#include "tests/decoder/linear/code128/code128_fixture.h"

namespace code128_test {
namespace {

using DEC2DIvra::Code128PartialScanData;

constexpr int kUnits = 16;  // line units a pixel, as the scan subroutine gives them

// Module widths laid on the pixel grid: each edge at `phase` + its module
// position x `scale` pixels, moved to the nearest pixel edge; line units.
std::vector<int> OnPixelGrid(std::vector<int> const& modules, double scale, double phase)
{
    std::vector<int> widths;
    double position = 0.0;
    long previous = std::lround(phase);
    for (int m : modules) {
        position += m;
        long const edge = std::lround(phase + position * scale);
        widths.push_back(static_cast<int>(edge - previous) * kUnits);
        previous = edge;
    }
    return widths;
}

// A line of the given run widths (bar first) between two light zones, pure
// black on white.
std::vector<ScanElement> LineOfRuns(std::vector<int> const& widths)
{
    std::vector<ScanElement> line;
    int x = 0;
    auto add = [&](bool bar, int width) {
        ScanElement e;
        e.colour = bar ? DEC2DIvra::kDarkRun : DEC2DIvra::kLightRun;
        e.grey = bar ? 0 : 1023;
        e.begin = x;
        e.end = x + width;
        e.samples = width / kUnits > 0 ? width / kUnits : 1;
        x = e.end;
        line.push_back(e);
    };
    add(false, 12 * 2 * kUnits);
    for (size_t i = 0; i < widths.size(); ++i) {
        add((i & 1) == 0, widths[i]);
    }
    add(false, 12 * 2 * kUnits);
    return line;
}

std::string Pattern(unsigned value)
{
    std::string text;
    for (unsigned k = 0; k < 6; ++k) {
        text += static_cast<char>('0' + Code128Table::GetWidths(value)[k]);
    }
    return text;
}

// The character of the fault report: what either classifier makes of its
// runs, and what the edges say.
TEST(Code128PixelGridTest, ThinBarsOf112313AreNot113222)
{
    // 112313 at 1.5 pixels a module, 1.5 1.5 3 4.5 1.5 4.5 pixels, drawn
    // as 1 2 3 4 2 4: the runs of the first data character (and of the
    // check character) on the fault report's scan lines.
    std::vector<int> const widths = {16, 32, 48, 64, 32, 64};
    std::vector<ScanElement> const line = LineOfRuns(widths);
    Code128PartialScanData window;
    ASSERT_TRUE(window.Set(DEC2DIvra::ArrayIterator<ScanElement const>(line.data(),
                                                                        static_cast<unsigned>(line.size()), 1, 1)));
    int const printed = Code128Table::CalcKey(36);  // 112313
    int const other = Code128Table::CalcKey(15);    // 113222

    // The classifiers alone: both allow the bars to have thinned.
    Code128PartialScanData corrected = window;
    corrected.Correct();
    BarSymbol symbol;
    ASSERT_TRUE(corrected.CalcBarSymbolPart(false, symbol));
    EXPECT_EQ(symbol.value, other);
    ASSERT_TRUE(window.CalcBarSymbolForBigger(false, symbol));
    EXPECT_EQ(symbol.value, other);

    // The edges fit the printed character best, by either measure.
    using Edges = Code128PartialScanData::Edges;
    for (Edges edges : {Edges::kAsMeasured, Edges::kByMagnitude}) {
        EXPECT_TRUE(corrected.IsNearestByEdges(false, printed, edges, 0));
        EXPECT_FALSE(corrected.IsNearestByEdges(false, other, edges, 0));
        EXPECT_TRUE(window.IsNearestByEdges(false, printed, edges, 0));
        EXPECT_FALSE(window.IsNearestByEdges(false, other, edges, 0));
    }
    // Met from its other end the window reads the same.
    std::vector<int> const mirrored(widths.rbegin(), widths.rend());
    std::vector<ScanElement> const back = LineOfRuns(mirrored);
    Code128PartialScanData backWindow;
    ASSERT_TRUE(backWindow.Set(
        DEC2DIvra::ArrayIterator<ScanElement const>(back.data(), static_cast<unsigned>(back.size()), 1, 1)));
    EXPECT_TRUE(backWindow.IsNearestByEdges(true, printed, Edges::kAsMeasured, 0));
    EXPECT_FALSE(backWindow.IsNearestByEdges(true, other, Edges::kAsMeasured, 0));
}

// Every character of the table, at the printer scales that repeat their
// pixel phases, alone in its window: the classifiers' own choice may be
// another character (the table of such pairs is printed), the character that
// passes the edges never is, and a character read right always passes them.
TEST(Code128PixelGridTest, NoCharacterIsTakenForAnotherOnThePixelGrid)
{
    using Edges = Code128PartialScanData::Edges;
    unsigned windows = 0;
    unsigned misreadAlone = 0;
    std::string pairs;
    for (double scale : {1.5, 1.6, 5.0 / 3.0, 1.75, 2.0}) {
        for (int step = 0; step < 20; ++step) {
            double const phase = step / 20.0;
            for (unsigned value = 0; value < Code128Table::kCharacterCount; ++value) {
                unsigned char const* w = Code128Table::GetWidths(value);
                std::vector<int> const widths = OnPixelGrid({w[0], w[1], w[2], w[3], w[4], w[5]}, scale, phase);
                std::vector<ScanElement> const line = LineOfRuns(widths);
                Code128PartialScanData window;
                ASSERT_TRUE(window.Set(DEC2DIvra::ArrayIterator<ScanElement const>(
                    line.data(), static_cast<unsigned>(line.size()), 1, 1)));
                Code128PartialScanData corrected = window;
                corrected.Correct();
                for (bool byPairs : {false, true}) {
                    BarSymbol symbol;
                    bool const classified = byPairs ? window.CalcBarSymbolForBigger(false, symbol)
                                                             : corrected.CalcBarSymbolPart(false, symbol);
                    if (!classified) {
                        continue;
                    }
                    ++windows;
                    int const read = Code128Table::instance.GetValue(symbol.value);
                    bool const fits = byPairs
                                          ? window.IsNearestByEdges(false, symbol.value, Edges::kByMagnitude, 0)
                                          : corrected.IsNearestByEdges(false, symbol.value, Edges::kAsMeasured, 0);
                    SCOPED_TRACE(Pattern(value) + " at " + std::to_string(scale) + " px, phase " +
                                 std::to_string(phase) + (byPairs ? ", pairs" : ", magnitudes"));
                    if (read == static_cast<int>(value)) {
                        EXPECT_TRUE(fits);
                        continue;
                    }
                    ++misreadAlone;
                    EXPECT_FALSE(fits) << "taken for " << Pattern(static_cast<unsigned>(read));
                    std::string const pair = Pattern(value) + ">" + Pattern(static_cast<unsigned>(read));
                    if (pairs.find(pair) == std::string::npos) {
                        pairs += (pairs.empty() ? "" : " ") + pair;
                    }
                }
            }
        }
    }
    std::printf("%u windows, %u taken for another character by the classifier alone:\n%s\n", windows, misreadAlone,
                pairs.c_str());
    // The fault report's pair is among them.
    EXPECT_NE(pairs.find("112313>113222"), std::string::npos);
}

// Whole symbols whose check character is their first data character
// (start B, v, 51, v, stop: 104 + v + 2 x 51 = v modulo 103), so that a
// like misreading of the two passes the check, drawn on the pixel grid: every
// instance reads the symbol right or not at all.
TEST(Code128PixelGridTest, SymbolsWhoseCheckIsTheirFirstCharacterReadRightOrNot)
{
    Decoders d;
    unsigned reads = 0;
    unsigned tries = 0;
    for (double scale : {1.5, 1.6, 5.0 / 3.0, 1.75, 2.0}) {
        for (int step = 0; step < 8; ++step) {
            double const phase = step / 8.0;
            for (int value = 0; value < 103; ++value) {
                std::vector<int> const values = {104, value, 51, value, 106};
                std::vector<int> const modules = WidthsOfValues(values, false);
                std::vector<int> const widths = OnPixelGrid(modules, scale, phase);
                for (bool reverse : {false, true}) {
                    std::vector<int> const runs = reverse ? std::vector<int>(widths.rbegin(), widths.rend()) : widths;
                    // Mirrored, the line meets the symbol from its stop end.
                    std::vector<ScanElement> const line = LineOfRuns(runs);
                    for (unsigned i = 0; i < 4; i += 2) {  // the normal and the pair instance
                        ++tries;
                        bool negative = false;
                        bool reverced = false;
                        if (!d.Read(*d.All(i), line, negative, reverced)) {
                            continue;
                        }
                        unsigned char read[Code128Decoder::kMaxSymbols];
                        unsigned count = 0;
                        ASSERT_TRUE(Code128Decoder::CollectValues(d.symbols, reverced, read, Code128Decoder::kMaxSymbols,
                                                                  count));
                        std::vector<int> const got(read, read + count);
                        EXPECT_EQ(got, values) << Pattern(static_cast<unsigned>(value)) << " at " << scale
                                               << " px, phase " << phase << (reverse ? ", reversed" : "")
                                               << ", instance " << i;
                        ++reads;
                    }
                }
            }
        }
    }
    std::printf("%u of %u reads\n", reads, tries);
    EXPECT_GT(reads, tries * 3 / 4);
}

}  // namespace
}  // namespace code128_test
