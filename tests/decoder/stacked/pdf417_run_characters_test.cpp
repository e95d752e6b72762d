// Start, stop, symbol characters and row address patterns read from the
// runs of a scan line.

#include <gtest/gtest.h>

#include <algorithm>

#include "decoder/stacked/pdf417/magnitude_and_index_for_pdf.h"
#include "decoder/stacked/pdf417/pdf_partial_scan_data.h"
#include "decoder/stacked/pdf_character_table.h"
#include "pdf417_run_windows.h"
#include "pdf_symbol_fixture.h"

using namespace DEC2DIvra;
using pdf417_test::MakeRunLine;
using pdf417_test::RunLine;
using pdf417_test::Widths;

namespace {

std::vector<int> CharacterWidths(unsigned value, unsigned cluster)
{
    unsigned pattern = 0;
    EXPECT_TRUE(PDFCharacterTable::ValueAndClusterToPattern(value, cluster, pattern));
    return Widths(pattern, 17);
}

std::vector<int> Reversed(std::vector<int> widths)
{
    std::reverse(widths.begin(), widths.end());
    return widths;
}

}  // namespace

TEST(PDF417RunCharacters, TableEntryAndReverseAgree)
{
    EXPECT_EQ(PDFCharacterTable::kPatterns[0][0], 5407);
    EXPECT_EQ(PDFCharacterTable::PatternToValue(5407), 0);
}

// The eight start and stop values by pattern, polarity and reading way.
TEST(PDF417RunCharacters, StartAndStopValuesByPolarityAndWay)
{
    struct Case {
        std::vector<int> modules;  // in scan order
        bool inverted;
        bool reversed;
        unsigned pattern;
        unsigned kind;
    };
    std::vector<int> const start{8, 1, 1, 1, 1, 1, 1, 3};
    std::vector<int> const stop{7, 1, 1, 3, 1, 1, 1, 2};
    Case const cases[] = {
        {start, false, false, 343, 7},      {start, true, false, 130728, 7},
        {stop, false, false, 747, 6},       {stop, true, false, 130324, 6},
        // Read from the other end the window begins with the last space.
        {Reversed(start), true, true, 11007, 2},   {Reversed(start), false, true, 120064, 2},
        {Reversed(stop), true, true, 20863, 3},    {Reversed(stop), false, true, 110208, 3},
    };
    for (Case const& c : cases) {
        // Reversed windows begin with a space of the symbol: that run is a
        // bar of the line's other colour.
        RunLine const line = MakeRunLine(c.modules, 6, c.reversed ? !c.inverted : c.inverted);
        PDFFinderPartialScanData window;
        ASSERT_TRUE(window.Set(line.At(0)));
        BarSymbolForPDF symbol;
        ASSERT_TRUE(window.CalcStartStopBarSymbol(c.reversed, symbol)) << c.pattern;
        EXPECT_EQ(symbol.pattern, c.pattern);
        EXPECT_EQ(symbol.cluster, c.kind);
        EXPECT_EQ(symbol.begin, line.runs[1].begin);
        EXPECT_EQ(symbol.end, line.runs[8].end);
        EXPECT_EQ(symbol.module, 6u);
        // The other way the window is no start or stop.
        EXPECT_FALSE(window.CalcStartStopBarSymbol(!c.reversed, symbol)) << c.pattern;
    }
}

TEST(PDF417RunCharacters, StartRefusedWhenOneRunIsFaint)
{
    std::vector<int> const start{8, 1, 1, 1, 1, 1, 1, 3};
    RunLine line = MakeRunLine(start, 6);
    line.runs[5].grey = 820;  // a bar barely darker than the spaces
    PDFFinderPartialScanData window;
    ASSERT_TRUE(window.Set(line.At(0)));
    EXPECT_FALSE(window.IsStartCode(false));
}

// Characters of every cluster, read both ways by both methods, also with
// bars and spaces measured unevenly.
TEST(PDF417RunCharacters, CharactersByBothMethods)
{
    struct Case {
        unsigned value;
        unsigned cluster;
        int bleed;  // line coordinates added to every bar
    };
    Case const cases[] = {{0, 0, 0}, {5, 3, 0}, {928, 6, 0}, {417, 0, 2}, {123, 3, -2}, {900, 6, 1}, {64, 0, -1}};
    for (Case const& c : cases) {
        for (bool reversed : {false, true}) {
            std::vector<int> const widths = CharacterWidths(c.value, c.cluster);
            RunLine const line = MakeRunLine(reversed ? Reversed(widths) : widths, 8, reversed, reversed ? -c.bleed : c.bleed);
            PDFPartialScanData window;
            ASSERT_TRUE(window.Set(line.At(0)));
            unsigned expected = 0;
            ASSERT_TRUE(PDFCharacterTable::ValueAndClusterToPattern(c.value, c.cluster, expected));
            for (bool bigger : {true, false}) {
                BarSymbolForPDF symbol;
                bool const read = bigger ? window.CalcBarSymbolForBigger(reversed, symbol)
                                         : window.CalcBarSymbolForSmaller(reversed, symbol);
                ASSERT_TRUE(read) << c.value << " reversed " << reversed << " bigger " << bigger;
                EXPECT_EQ(symbol.pattern, expected) << c.value << " reversed " << reversed << " bigger " << bigger;
                EXPECT_EQ(symbol.cluster, c.cluster);
                EXPECT_EQ(symbol.module, 8u);
            }
        }
    }
}

// The pair sums fix the widths only up to a shift between bars and spaces:
// a character whose narrowest bar is two modules comes out with every bar
// a module short until the widening finds it.
TEST(PDF417RunCharacters, WideningFindsCharacterWithoutNarrowBar)
{
    unsigned found = 0;
    for (unsigned cluster : {0u, 3u, 6u}) {
        for (unsigned value = 0; value < 929 && found < 6; ++value) {
            std::vector<int> const widths = CharacterWidths(value, cluster);
            if (std::min({widths[0], widths[2], widths[4], widths[6]}) < 2) {
                continue;
            }
            RunLine const line = MakeRunLine(widths, 8);
            PDFPartialScanData window;
            ASSERT_TRUE(window.Set(line.At(0)));
            Array<int, 4> bars;
            Array<int, 4> spaces;
            ASSERT_TRUE(window.CalcUnitWidth(false, bars, spaces));
            EXPECT_EQ(bars[0], widths[0] - std::min({widths[0], widths[2], widths[4], widths[6]}) + 1);
            BarSymbolForPDF symbol;
            ASSERT_TRUE(window.CalcBarSymbolForBigger(false, symbol)) << value;
            unsigned expected = 0;
            PDFCharacterTable::ValueAndClusterToPattern(value, cluster, expected);
            EXPECT_EQ(symbol.pattern, expected);
            ++found;
        }
    }
    EXPECT_GT(found, 0u);
}

TEST(PDF417RunCharacters, FirstSplitFollowsMagnitudes)
{
    EXPECT_EQ(PDFPartialScanData::CalcFirstBarTotal(80, 100), 4);
    EXPECT_EQ(PDFPartialScanData::CalcFirstBarTotal(100, 80), 6);
    EXPECT_EQ(PDFPartialScanData::CalcFirstBarTotal(90, 90), 5);
}

TEST(PDF417RunCharacters, CandidateChoiceFollowsMagnitudes)
{
    auto make = [](std::initializer_list<unsigned> bars, std::initializer_list<unsigned> spaces, unsigned cluster) {
        PDFPartialScanData::CharacterCandidate c;
        std::copy(bars.begin(), bars.end(), c.bars);
        std::copy(spaces.begin(), spaces.end(), c.spaces);
        c.cluster = cluster;
        return c;
    };
    auto magnitudes = [](std::initializer_list<int> values) {
        Array<int, 4> a;
        std::copy(values.begin(), values.end(), a.begin());
        return a;
    };
    PDFPartialScanData::CharacterCandidate chosen;
    // Two splits differing only in the sums of the bars that differ: equal
    // errors, the later candidate wins.
    PDFPartialScanData::CharacterCandidate const a = make({1, 2, 2, 3}, {2, 2, 2, 3}, 0);
    PDFPartialScanData::CharacterCandidate const b = make({2, 1, 2, 3}, {2, 2, 2, 3}, 3);
    PDFPartialScanData::SelectCharacterCandidate(a, b, magnitudes({10, 10, 10, 10}), magnitudes({10, 10, 10, 10}),
                                                 chosen);
    EXPECT_EQ(chosen.cluster, 3u);
    PDFPartialScanData::SelectCharacterCandidate(b, a, magnitudes({10, 10, 10, 10}), magnitudes({10, 10, 10, 10}),
                                                 chosen);
    EXPECT_EQ(chosen.cluster, 0u);
    // Magnitudes in proportion to one split's counts choose that split,
    // whichever plays first.
    PDFPartialScanData::CharacterCandidate const c = make({2, 2, 2, 3}, {2, 2, 2, 2}, 6);
    Array<int, 4> const barsA = magnitudes({10, 20, 20, 30});
    Array<int, 4> const spacesA = magnitudes({20, 20, 20, 30});
    Array<int, 4> const barsC = magnitudes({20, 20, 20, 30});
    Array<int, 4> const spacesC = magnitudes({20, 20, 20, 20});
    PDFPartialScanData::SelectCharacterCandidate(a, c, barsA, spacesA, chosen);
    EXPECT_EQ(chosen.cluster, 0u);
    PDFPartialScanData::SelectCharacterCandidate(c, a, barsA, spacesA, chosen);
    EXPECT_EQ(chosen.cluster, 0u);
    PDFPartialScanData::SelectCharacterCandidate(a, c, barsC, spacesC, chosen);
    EXPECT_EQ(chosen.cluster, 6u);
    PDFPartialScanData::SelectCharacterCandidate(c, a, barsC, spacesC, chosen);
    EXPECT_EQ(chosen.cluster, 6u);
}

// Windows for which no split of the 17 modules gives a character of the
// table in cluster 0, 3 or 6.
TEST(PDF417RunCharacters, WindowWithoutAnyCharacterSplitIsRefused)
{
    for (std::vector<int> const& widths :
         std::vector<std::vector<int>>{{8, 11, 5, 4, 9, 11, 7, 3}, {2, 4, 1, 10, 10, 1, 12, 4}, {7, 11, 10, 2, 3, 2, 1, 10}}) {
        RunLine const line = MakeRunLine(widths, 4);
        PDFPartialScanData window;
        ASSERT_TRUE(window.Set(line.At(0)));
        BarSymbolForPDF symbol;
        EXPECT_FALSE(window.CalcBarSymbolForSmaller(false, symbol)) << widths[0];
    }
}

TEST(PDF417RunCharacters, ModuleSharingKeepsBounds)
{
    struct Case {
        int magnitudes[4];
        int widths[4];
        unsigned total;
        int counts[4];
    };
    Case const cases[] = {
        {{10, 10, 10, 10}, {10, 10, 10, 10}, 8, {2, 2, 2, 2}},
        {{5, 10, 20, 30}, {5, 10, 20, 30}, 13, {1, 2, 4, 6}},
        // Faint runs keep one module each; the strongest takes the rest.
        {{1, 1, 1, 100}, {1, 1, 1, 100}, 9, {1, 1, 1, 6}},
    };
    for (Case const& c : cases) {
        MagnitudeAndIndexForPDF records[4];
        for (unsigned i = 0; i < 4; ++i) {
            records[i].index = static_cast<int>(i);
            records[i].magnitude = c.magnitudes[i];
            records[i].width = c.widths[i];
        }
        VirtualArray<MagnitudeAndIndexForPDF> list(records, 4);
        bool const ok = MagnitudeAndIndexForPDF::CalcUnitWidth(list, c.total, 1, 6, 0);
        EXPECT_EQ(ok, c.counts[3] <= 6) << c.total;
        for (unsigned i = 0; i < 4 && ok; ++i) {
            EXPECT_EQ(records[i].count, c.counts[i]) << c.total << " record " << i;
        }
    }
}

// Scores: the grey line of the pattern itself scores near the top, the
// same line with its levels exchanged scores 0.
TEST(PDF417RunCharacters, ScoreAgainstGreySamples)
{
    std::vector<int> const widths = CharacterWidths(417, 3);
    for (bool opposite : {false, true}) {
        RunLine const line = MakeRunLine(widths, 16);
        std::vector<PickLineElement> samples;
        for (ScanElement const& run : line.runs) {
            for (int x = run.begin; x < run.end; ++x) {
                bool const light = run.colour == kLightRun;
                samples.push_back({x, static_cast<unsigned>(light != opposite ? 900 : 80)});
            }
        }
        StackInterface<PickLineElement> stack(samples.data(), static_cast<unsigned>(samples.size()));
        stack.SetCount(static_cast<unsigned>(samples.size()));
        PDFPartialScanData window;
        ASSERT_TRUE(window.Set(line.At(0)));
        BarSymbolForPDF symbol;
        unsigned short score = 1;
        ASSERT_TRUE(window.CalcBarSymbol(stack, false, false, false, symbol, score));
        if (opposite) {
            EXPECT_EQ(score, 0);
        } else {
            EXPECT_GE(score, 65000);
        }
        // Samples that end inside the character give no score.
        stack.SetCount(static_cast<unsigned>(samples.size()) - 10 * 16 - 40);
        EXPECT_FALSE(window.CalcBarSymbol(stack, false, false, false, symbol, score));
    }
}

// Row address patterns of both sets, one way and both ways at once.
TEST(PDF417RunCharacters, RowAddressPatterns)
{
    for (unsigned set = 0; set < 2; ++set) {
        for (unsigned n = 0; n < 52; n += 7) {
            unsigned const pattern10 = MicroPDFCharacterTable::kPatterns[set][n] * 2u + 1u;
            std::vector<int> const widths = Widths(pattern10, 10);
            ASSERT_EQ(widths.size(), 6u);
            unsigned const number = n + 1 + 64 * set;
            // Forward on a dark-on-light line.
            RunLine const line = MakeRunLine(widths, 7);
            MicroPDFPartialScanData window;
            ASSERT_TRUE(window.Set(line.At(0)));
            BarSymbolForPDF symbol;
            ASSERT_TRUE(window.CalcBarSymbol(false, symbol)) << number;
            EXPECT_EQ(MicroPDFCharacterTable::Lookup(symbol.pattern >> 1), number);
            EXPECT_EQ(symbol.module, 7u);
            // The same pattern met from its other end: both readings at
            // once, the backward one is the pattern.
            RunLine const other = MakeRunLine(Reversed(widths), 7, false);
            MicroPDFPartialScanData backWindow;
            ASSERT_TRUE(backWindow.Set(other.At(0)));
            BarSymbolForPDF forward;
            BarSymbolForPDF backward;
            ASSERT_TRUE(backWindow.CalcBarSymbol(forward, backward)) << number;
            EXPECT_EQ(MicroPDFCharacterTable::Lookup(backward.pattern >> 1), number);
            EXPECT_EQ(backward.begin, forward.begin);
            EXPECT_EQ(backward.end, forward.end);
        }
    }
}

// Every row of a real symbol read element by element from its runs.
TEST(PDF417RunCharacters, RowsOfAnEncodedSymbol)
{
    pdf_test::Options options;
    options.data = "Run lengths 0123456789 of every row";
    options.option2 = 4;
    pdf_test::Encoded const encoded = pdf_test::Encode(options);
    ASSERT_TRUE(encoded.ok) << encoded.error;
    for (size_t r = 0; r < encoded.rows.size(); ++r) {
        std::vector<int> const& row = encoded.rows[r];
        std::vector<int> widths;
        for (size_t x = 0; x < row.size(); ++x) {
            if (x == 0 || row[x] != row[x - 1]) {
                widths.push_back(0);
            }
            ++widths.back();
        }
        RunLine const line = MakeRunLine(widths, 5);
        PDFFinderPartialScanData start;
        ASSERT_TRUE(start.Set(line.At(0)));
        BarSymbolForPDF symbol;
        ASSERT_TRUE(start.CalcStartStopBarSymbol(false, symbol));
        EXPECT_EQ(symbol.pattern, 343u);
        // Codewords: row indicator, 4 data columns, row indicator.
        unsigned const cluster = static_cast<unsigned>(r % 3) * 3;
        for (unsigned c = 0; c < 6; ++c) {
            PDFPartialScanData window;
            ASSERT_TRUE(window.Set(line.At(8 * (c + 1))));
            ASSERT_TRUE(window.CalcBarSymbolForSmaller(false, symbol)) << "row " << r << " column " << c;
            EXPECT_EQ(symbol.cluster, cluster);
            unsigned expected = 0;
            unsigned short const value = PDFCharacterTable::PatternToValue(symbol.pattern >> 1);
            ASSERT_NE(value, 0xFFFF);
            ASSERT_TRUE(PDFCharacterTable::ValueAndClusterToPattern(value, cluster, expected));
            EXPECT_EQ(symbol.pattern, expected);
        }
        PDFFinderPartialScanData stop;
        ASSERT_TRUE(stop.Set(line.At(56)));
        ASSERT_TRUE(stop.CalcStartStopBarSymbol(false, symbol));
        EXPECT_EQ(symbol.pattern, 747u);
    }
}

// Windows of arbitrary runs: whatever a recogniser accepts is a whole
// element of the tables.
TEST(PDF417RunCharacters, ArbitraryRunsGiveOnlyTableElements)
{
    unsigned x = 12345u;
    auto next = [&x](unsigned n) {
        x = x * 1103515245u + 12345u;
        return (x >> 16) % n;
    };
    unsigned accepted = 0;
    for (int trial = 0; trial < 3000; ++trial) {
        std::vector<int> widths;
        for (int i = 0; i < 8; ++i) {
            widths.push_back(1 + static_cast<int>(next(9)));
        }
        RunLine line = MakeRunLine(widths, 1 + static_cast<int>(next(6)), next(2) == 1);
        for (size_t i = 1; i + 1 < line.runs.size(); ++i) {
            line.runs[i].grey += static_cast<int>(next(200)) - 100;
        }
        bool const reversed = next(2) == 1;
        BarSymbolForPDF symbol;
        PDFPartialScanData character;
        if (character.Set(line.At(0))) {
            for (bool bigger : {true, false}) {
                if (bigger ? character.CalcBarSymbolForBigger(reversed, symbol)
                           : character.CalcBarSymbolForSmaller(reversed, symbol)) {
                    ++accepted;
                    unsigned expected = 0;
                    unsigned short const value = PDFCharacterTable::PatternToValue(symbol.pattern >> 1);
                    ASSERT_NE(value, 0xFFFF);
                    ASSERT_TRUE(PDFCharacterTable::ValueAndClusterToPattern(value, symbol.cluster, expected));
                    EXPECT_EQ(symbol.pattern, expected);
                }
            }
        }
        PDFFinderPartialScanData finder;
        if (finder.Set(line.At(0)) && finder.CalcStartStopBarSymbol(reversed, symbol)) {
            EXPECT_TRUE(symbol.cluster == 7 || symbol.cluster == 6 || symbol.cluster == 2 || symbol.cluster == 3);
        }
        MicroPDFPartialScanData micro;
        BarSymbolForPDF backward;
        if (micro.Set(line.At(0)) && micro.CalcBarSymbol(symbol, backward)) {
            EXPECT_TRUE(MicroPDFCharacterTable::Lookup(symbol.pattern >> 1) != 255 ||
                        MicroPDFCharacterTable::Lookup(backward.pattern >> 1) != 255);
        }
    }
    EXPECT_GT(accepted, 0u);
}
