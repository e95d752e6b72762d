#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "decoder/linear/line/common_two_value_partial_scan_data.h"
#include "decoder/linear/line/magnitude_and_index.h"
#include "decoder/linear/line/partial_scan_data.h"
#include "tests/decoder/linear/roads/scan_line_fixture.h"
#include "tests/decoder/linear/line/scan_run_list.h"

namespace scan_test {
namespace {

using DEC2DIvra::CommonTwoValuePartialScanData;
using DEC2DIvra::MagnitudeAndIndex;
using DEC2DIvra::PartialScanData;
using DEC2DIvra::TwoValuePattern;
using DEC2DIvra::VirtualArray;

using TwoValueWindow = PartialScanData<10, CommonTwoValuePartialScanData>;

std::vector<MagnitudeAndIndex> Records(std::vector<int> const& magnitudes, std::vector<int> const& widths)
{
    std::vector<MagnitudeAndIndex> r;
    for (size_t i = 0; i < magnitudes.size(); ++i) {
        MagnitudeAndIndex m;
        m.index = static_cast<int>(i);
        m.magnitude = magnitudes[i];
        m.rawWidth = widths[i];
        r.push_back(m);
    }
    return r;
}

std::vector<unsigned> Modules(std::vector<MagnitudeAndIndex> const& r)
{
    std::vector<unsigned> m;
    for (auto const& x : r) {
        m.push_back(x.modules);
    }
    return m;
}

TEST(ScanModuleTest, ModulesAreSharedByMagnitudeOrByRawWidth)
{
    enum Share { kBoth, kRawWidth, kMagnitude };
    struct Case {
        char const* name;
        Share share;
        std::vector<int> magnitudes;
        std::vector<int> widths;
        unsigned total;
        int offset;
        std::vector<unsigned> modules;
        bool fits;
    };
    Case const cases[] = {
        {"rising magnitudes", kBoth, {10, 20, 30}, {10, 20, 30}, 6, 0, {1, 2, 3}, true},
        {"a weak run keeps its magnitude share", kBoth, {10, 30, 30}, {40, 10, 10}, 6, 0, {1, 2, 3}, true},
        {"raw width alone", kRawWidth, {10, 30, 30}, {40, 10, 10}, 6, 0, {2, 2, 2}, true},
        {"equal magnitudes, raw width decides", kBoth, {30, 30, 30}, {10, 10, 40}, 6, 0, {1, 1, 4}, true},
        {"magnitude alone", kMagnitude, {30, 30, 30}, {10, 10, 40}, 6, 0, {2, 2, 2}, true},
        {"negative offset counts as none", kMagnitude, {10, 30, 30}, {10, 10, 10}, 6, -10, {1, 2, 3}, true},
        {"the maximum leaves room for the rest", kBoth, {10, 20, 30}, {10, 20, 30}, 12, 0, {4, 4, 4}, true},
        {"too many modules for the maximum", kBoth, {10, 20, 30}, {10, 20, 30}, 13, 0, {4, 4, 5}, false},
        {"too few modules for the minimum", kBoth, {10, 20, 30}, {10, 20, 30}, 2, 0, {0, 1, 1}, false},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        auto records = Records(c.magnitudes, c.widths);
        VirtualArray<MagnitudeAndIndex> runs(records.data(), static_cast<unsigned>(records.size()));
        bool fits = false;
        switch (c.share) {
        case kBoth: fits = MagnitudeAndIndex::CalcUnitWidth(runs, c.total, 1, 4, c.offset); break;
        case kRawWidth: fits = MagnitudeAndIndex::CalcUnitWidthOnlyRawWidth(runs, c.total, 1, 4, c.offset); break;
        case kMagnitude: fits = MagnitudeAndIndex::CalcUnitWidthOnlyMagnitude(runs, c.total, 1, 4, c.offset); break;
        }
        EXPECT_EQ(fits, c.fits);
        EXPECT_EQ(Modules(records), c.modules);
    }
    VirtualArray<MagnitudeAndIndex> none;
    EXPECT_FALSE(MagnitudeAndIndex::CalcUnitWidth(none, 6, 1, 4, 0));
    // The one-module runs at the front must agree within the tolerance.
    auto records = Records({10, 14, 30}, {1, 1, 1});
    VirtualArray<MagnitudeAndIndex> runs(records.data(), 3);
    ASSERT_TRUE(MagnitudeAndIndex::CalcUnitWidthOnlyMagnitude(runs, 4, 1, 4, 0));
    EXPECT_TRUE(MagnitudeAndIndex::CheckUnitWidth(runs, 4));
    EXPECT_FALSE(MagnitudeAndIndex::CheckUnitWidth(runs, 3));
}

TEST(ScanModuleTest, PatternsOfTheCode128StartAndStopCharacters)
{
    struct Case {
        char const* name;
        std::vector<unsigned> widths;  // bar, space, bar, space, bar, space
        unsigned key;
        unsigned reversedKey;
    };
    // Bar modules are 0 bits and space modules 1 bits, first module highest.
    Case const cases[] = {
        {"Start A", {2, 1, 1, 4, 1, 2}, 379, 0b11011110100},
        {"Start B", {2, 1, 1, 2, 1, 4}, 367, 0b11110110100},
        {"Start C", {2, 1, 1, 2, 3, 2}, 355, 0b11000110100},
        {"Stop", {2, 3, 3, 1, 1, 1}, 453, 0b10100011100},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<MagnitudeAndIndex> bars;
        std::vector<MagnitudeAndIndex> spaces;
        // Spaces listed first and out of order: the index alone lays them out.
        for (int i = 5; i >= 0; --i) {
            MagnitudeAndIndex m;
            m.index = i;
            m.modules = c.widths[static_cast<size_t>(i)];
            (i % 2 == 0 ? bars : spaces).push_back(m);
        }
        VirtualArray<MagnitudeAndIndex const> first(bars.data(), 3);
        VirtualArray<MagnitudeAndIndex const> second(spaces.data(), 3);
        unsigned key = 0;
        EXPECT_FALSE(MagnitudeAndIndex::CalcPattern(first, second, false, key));  // a bar would follow
        EXPECT_EQ(key, c.key);
        EXPECT_TRUE(MagnitudeAndIndex::CalcPattern(first, second, true, key));
        EXPECT_EQ(key, c.reversedKey);
    }
    unsigned key = 7;
    EXPECT_FALSE(MagnitudeAndIndex::CalcPattern(VirtualArray<MagnitudeAndIndex const>(),
                                                VirtualArray<MagnitudeAndIndex const>(), false, key));
    EXPECT_EQ(key, 0u);
}

// Five bars and five spaces of width 10 (N) or 25 (W); bar greys may vary
// and the middle space may be grey.
RunList TwoValueLine(std::string const& bars, std::string const& spaces, std::vector<int> barGreys = {},
                     int greySpace = 900)
{
    std::vector<Run> runs{{'L', 900, 40}};
    for (size_t i = 0; i < 5; ++i) {
        runs.push_back({'D', barGreys.empty() ? 100 : barGreys[i], bars[i] == 'W' ? 25 : 10});
        runs.push_back({'L', i == 2 ? greySpace : 900, spaces[i] == 'W' ? 25 : 10});
    }
    runs.push_back({'D', 100, 10});
    runs.push_back({'L', 900, 40});
    return RunList(runs);
}

TEST(ScanModuleTest, NarrowAndWideRunsOfAWindow)
{
    int const none = CommonTwoValuePartialScanData::kNoLowestRank;
    int const all = CommonTwoValuePartialScanData::kNoHighestRank;
    struct Case {
        char const* name;
        std::string bars;
        bool reversed;
        unsigned reference;
        int lowest;
        int highest;
        bool ok;
        unsigned pattern;
        unsigned wide;
    };
    // Narrow magnitude 2001, wide 5001: d = 3000, 7d = 21000.
    Case const cases[] = {
        {"forward", "NWNNW", false, 0, none, all, true, 0b01001, 2},
        {"reversed walks from the last run", "NWNNW", true, 0, none, all, true, 0b10010, 2},
        {"a wide first run is found from the fall after it", "WNNWN", false, 0, none, all, true, 0b10010, 2},
        {"7d just above 4 x the reference", "NWNNW", false, 5249, none, all, true, 0b01001, 2},
        {"7d between 3 and 4 x the reference", "NWNNW", false, 5250, none, all, false, 0, 0},
        {"7d at most 3 x the reference: all narrow", "NWNNW", false, 7000, none, all, true, 0, 0},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        RunList const line = TwoValueLine(c.bars, "WNNWN");
        TwoValueWindow w;
        ASSERT_TRUE(w.Set(line.At(1)));
        TwoValuePattern p;
        bool ambiguous = true;
        EXPECT_EQ(w.CalcPattern(c.lowest, c.highest, c.reversed, 0, 2, 5, c.reference, p, ambiguous), c.ok);
        EXPECT_FALSE(ambiguous);
        if (!c.ok) {
            continue;
        }
        EXPECT_EQ(p.pattern, c.pattern);
        EXPECT_EQ(p.wideCount, c.wide);
        if (c.wide == 2) {
            EXPECT_EQ(p.narrowWidth, 10);
            EXPECT_EQ(p.narrowMagnitude, 2001);
            EXPECT_EQ(p.wideWidth, 25);
            EXPECT_EQ(p.wideMagnitude, 5001);
        } else {
            EXPECT_EQ(p.narrowWidth, (3 * 10 + 2 * 25) / 5);
            EXPECT_EQ(p.narrowMagnitude, (3 * 2001 + 2 * 5001) / 5);
            EXPECT_EQ(p.wideMagnitude, 0);
        }
    }
    // The spaces of the same window, every second entry from entry 1.
    RunList const line = TwoValueLine("NWNNW", "WNNWN");
    TwoValueWindow w;
    ASSERT_TRUE(w.Set(line.At(1)));
    TwoValuePattern p;
    bool ambiguous = false;
    ASSERT_TRUE(w.CalcPattern(none, all, false, 1, 2, 5, 0, p, ambiguous));
    EXPECT_EQ(p.pattern, 0b10010u);
    EXPECT_FALSE(w.CalcPattern(none, all, false, 1, 2, 6, 0, p, ambiguous));  // past the window
    EXPECT_FALSE(w.CalcPattern(none, all, false, 0, 0, 5, 0, p, ambiguous));
}

TEST(ScanModuleTest, WideToNarrowRatioAndAmbiguousReadings)
{
    int const none = CommonTwoValuePartialScanData::kNoLowestRank;
    int const all = CommonTwoValuePartialScanData::kNoHighestRank;
    // A run more than 8 times the narrowest is refused without rank limits.
    RunList const wideLine(std::vector<scan_test::Run>{{'L', 900, 40}, {'D', 100, 10}, {'L', 900, 10}, {'D', 100, 81},
                                            {'L', 900, 10}, {'D', 100, 10}, {'L', 900, 10}, {'D', 100, 81},
                                            {'L', 900, 10}, {'D', 100, 10}, {'L', 900, 10}, {'L', 900, 40}});
    TwoValueWindow w;
    ASSERT_TRUE(w.Set(wideLine.At(1)));
    TwoValuePattern p;
    bool ambiguous = false;
    EXPECT_FALSE(w.CalcPattern(none, all, false, 0, 2, 5, 0, p, ambiguous));
    EXPECT_TRUE(w.CalcPattern(0, 4, false, 0, 2, 5, 0, p, ambiguous));
    EXPECT_EQ(p.pattern, 0b01010u);

    // A grey bar (350) brighter than a grey space (300), a clear step and a
    // narrow grey spread wider than a quarter of the contrast: ambiguous.
    RunList const grey = TwoValueLine("NWNNW", "WNNWN", {100, 100, 350, 100, 100}, 300);
    ASSERT_TRUE(w.Set(grey.At(1)));
    ASSERT_TRUE(w.CalcPattern(none, all, false, 0, 2, 5, 0, p, ambiguous));
    EXPECT_EQ(p.pattern, 0b01001u);
    EXPECT_TRUE(ambiguous);
}

// Interleaved 2 of 5 from zint: every digit pair's bars and spaces read as
// the narrow/wide pattern the symbol was drawn with.
TEST(ScanModuleTest, RenderedInterleavedTwoOfFiveReadsItsOwnWidePattern)
{
    int const none = CommonTwoValuePartialScanData::kNoLowestRank;
    int const all = CommonTwoValuePartialScanData::kNoHighestRank;
    for (double moduleSize : {2.0, 3.5}) {
        for (bool inverted : {false, true}) {
            SCOPED_TRACE(testing::Message() << moduleSize << (inverted ? " inverted" : ""));
            support::SymbolInput input;
            input.symbology = BARCODE_C25INTER;
            input.data = "04817263";
            support::RenderOptions options;
            options.moduleSize = moduleSize;
            options.blur = 0.6;
            options.inverted = inverted;
            RenderedLine line = SampleRow(input, options);
            ASSERT_TRUE(line.ok);
            Scanner scanner;
            ASSERT_TRUE(scanner.Run(line.samples));
            RunList const runs(scanner.Runs());
            ASSERT_EQ(runs.runs.size(), line.edges.size() + 1);
            double const unit = moduleSize * kUnit;
            // Runs 1-4 are the start pattern; each pair of digits takes 10.
            for (size_t pair = 0; pair < 4; ++pair) {
                int const first = static_cast<int>(5 + 10 * pair);
                unsigned expectedBars = 0;
                unsigned expectedSpaces = 0;
                for (int k = 0; k < 10; ++k) {
                    double const width = (line.edges[static_cast<size_t>(first + k)] - line.edges[static_cast<size_t>(first + k - 1)]) / unit;
                    unsigned& bits = k % 2 == 0 ? expectedBars : expectedSpaces;
                    bits = (bits << 1) | (width > 1.5 ? 1u : 0u);
                }
                TwoValueWindow w;
                ASSERT_TRUE(w.Set(runs.At(first)));
                TwoValuePattern p;
                bool ambiguous = false;
                ASSERT_TRUE(w.CalcPattern(none, all, false, 0, 2, 5, 0, p, ambiguous)) << pair;
                EXPECT_EQ(p.pattern, expectedBars) << pair;
                EXPECT_EQ(p.wideCount, 2u);
                ASSERT_TRUE(w.CalcPattern(none, all, false, 1, 2, 5, 0, p, ambiguous)) << pair;
                EXPECT_EQ(p.pattern, expectedSpaces) << pair;
            }
        }
    }
}

}  // namespace
}  // namespace scan_test
