#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "decoder/linear/code128/code128_partial_scan_data.h"
#include "tests/decoder/linear/code128/code128_fixture.h"

namespace code128_test {
namespace {

using DEC2DIvra::Code128PartialScanData;

// Six runs in reading order (bar first) laid on a line between two zone
// runs; met from the stop end the line holds them mirrored. Widths are line
// units; greys[p] is the grey of the run at reading position p.
struct Runs {
    std::vector<int> widths;
    std::vector<int> greys;
};

std::vector<ScanElement> LineOf(Runs const& runs, bool reverced)
{
    std::vector<int> order = {0, 1, 2, 3, 4, 5};
    if (reverced) {
        order = {5, 4, 3, 2, 1, 0};
    }
    std::vector<ScanElement> line;
    int x = 0;
    auto add = [&](bool bar, int width, int grey) {
        ScanElement e;
        e.colour = bar ? DEC2DIvra::kDarkRun : DEC2DIvra::kLightRun;
        e.grey = grey;
        e.begin = x;
        e.end = x + width;
        e.samples = width / 16 > 0 ? width / 16 : 1;
        x = e.end;
        line.push_back(e);
    };
    // The run before the window has the colour opposite to its first run.
    bool const firstIsBar = (order[0] & 1) == 0;
    add(!firstIsBar, 600, firstIsBar ? 950 : 50);
    for (int p : order) {
        add((p & 1) == 0, runs.widths[static_cast<size_t>(p)], runs.greys[static_cast<size_t>(p)]);
    }
    bool const lastIsBar = (order[5] & 1) == 0;
    add(!lastIsBar, 600, lastIsBar ? 950 : 50);
    return line;
}

// What the two classifiers and their tests make of one window.
struct Outcome {
    bool loaded = false;
    bool opensByMagnitudes = false;
    bool mayOpenByMagnitudes = false;
    bool opensByPairs = false;
    bool mayOpenByPairs = false;
};

Outcome Judge(std::vector<ScanElement> const& line, bool reverced)
{
    Outcome o;
    Code128PartialScanData window;
    DEC2DIvra::ArrayIterator<ScanElement const> at(line.data(), static_cast<unsigned>(line.size()), 1, 1);
    o.loaded = window.Set(at);
    if (!o.loaded) {
        return o;
    }
    auto opens = [&](bool classified, BarSymbol const& symbol) {
        return classified && Code128Decoder::IsOpening(Code128Table::instance.GetValue(symbol.value), reverced);
    };
    Code128PartialScanData corrected = window;
    corrected.Correct();
    BarSymbol symbol;
    o.opensByMagnitudes = opens(corrected.CalcBarSymbolPart(reverced, symbol), symbol);
    o.mayOpenByMagnitudes = corrected.MayOpenByMagnitudes(reverced);
    symbol = BarSymbol{};
    o.opensByPairs = opens(window.CalcBarSymbolForBigger(reverced, symbol), symbol);
    o.mayOpenByPairs = window.MayOpenByPairs(reverced);
    return o;
}

// Module widths in reading order of the opening characters: the start
// characters, and the stop's first six elements read from its far end.
struct Opening {
    char const* name;
    std::vector<int> modules;
    bool reverced;
};

std::vector<Opening> const kOpenings = {
    {"start A", {2, 1, 1, 4, 1, 2}, false},
    {"start B", {2, 1, 1, 2, 1, 4}, false},
    {"start C", {2, 1, 1, 2, 3, 2}, false},
    {"stop backwards", {2, 3, 3, 1, 1, 1}, true},
};

Runs Scaled(std::vector<int> const& modules, int unit, int spread)
{
    Runs runs;
    for (size_t p = 0; p < modules.size(); ++p) {
        bool const bar = (p & 1) == 0;
        runs.widths.push_back(modules[p] * unit + (bar ? spread : -spread));
        runs.greys.push_back(bar ? 100 : 900);
    }
    return runs;
}

// The opening characters open under both classifiers, from a few line units
// a module to wide ones, and pass both tests; with ink spread either way a
// character that still opens passes too.
TEST(Code128OpeningTest, OpeningCharactersPass)
{
    for (Opening const& opening : kOpenings) {
        for (int unit : {4, 7, 16, 48, 300}) {
            for (int tenths : {-3, 0, 3}) {
                int const spread = unit * tenths / 10;
                Outcome const o = Judge(LineOf(Scaled(opening.modules, unit, spread), opening.reverced), opening.reverced);
                SCOPED_TRACE(std::string(opening.name) + " unit " + std::to_string(unit) + " spread " +
                             std::to_string(spread));
                ASSERT_TRUE(o.loaded);
                if (tenths == 0) {
                    EXPECT_TRUE(o.opensByMagnitudes);
                    EXPECT_TRUE(o.opensByPairs);
                }
                EXPECT_TRUE(o.mayOpenByMagnitudes || !o.opensByMagnitudes);
                EXPECT_TRUE(o.mayOpenByPairs || !o.opensByPairs);
            }
        }
    }
}

// Windows one step past what an opening can be: the deciding runs tie, or a
// pair's share leaves the range of the opening. Each test refuses them, and
// the classifier it stands for finds no opening in them either.
TEST(Code128OpeningTest, WindowsJustPastAnOpeningAreRefused)
{
    struct Case {
        char const* name;
        std::vector<int> widths;  // line units, reading order
        bool reverced;
        bool byMagnitudes;  // the magnitude test refuses (else the pair test)
    };
    std::vector<Case> const cases = {
        // Start A/B bars need the first bar the widest; start C's third bar
        // would need to be the widest and its first space the narrowest.
        {"start A, first bar narrower than the second", {24, 16, 32, 64, 16, 32}, false, true},
        {"start B, first bar narrower than the third", {24, 32, 16, 16, 32, 64}, false, true},
        {"start C, first space wider than the last", {32, 40, 16, 32, 48, 32}, false, true},
        // The stop backwards needs its second bar above the third and its
        // first space the widest.
        {"stop, first space narrower than the second", {32, 40, 48, 48, 16, 16}, true, true},
        {"stop, second bar narrower than the third", {32, 48, 40, 16, 48, 16}, true, true},
        // Pairs: the first space-and-bar pair of a start character holds 2
        // modules, the stop backwards' 6.
        {"start, first pair of 4 modules", {32, 16, 48, 32, 16, 32}, false, false},
        {"start, second pair of 7 modules", {16, 16, 16, 48, 64, 16}, false, false},
        {"stop, first pair of 4 modules", {32, 48, 16, 16, 48, 16}, true, false},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        Runs runs;
        runs.widths = c.widths;
        for (size_t p = 0; p < 6; ++p) {
            runs.greys.push_back((p & 1) == 0 ? 100 : 900);
        }
        Outcome const o = Judge(LineOf(runs, c.reverced), c.reverced);
        ASSERT_TRUE(o.loaded);
        if (c.byMagnitudes) {
            EXPECT_FALSE(o.mayOpenByMagnitudes);
        } else {
            EXPECT_FALSE(o.mayOpenByPairs);
        }
        EXPECT_FALSE(o.opensByMagnitudes && !o.mayOpenByMagnitudes);
        EXPECT_FALSE(o.opensByPairs && !o.mayOpenByPairs);
    }
}

// Over many windows of arbitrary widths and greys, and over openings blurred
// and unevenly measured, a window either test refuses never opens under its
// classifier; most arbitrary windows are refused.
TEST(Code128OpeningTest, RefusedWindowsNeverOpen)
{
    std::mt19937 random(1128);
    auto uniform = [&](int low, int high) { return low + static_cast<int>(random() % static_cast<unsigned>(high - low + 1)); };
    unsigned windows = 0, refused = 0, opened = 0;
    for (int trial = 0; trial < 60000; ++trial) {
        bool const reverced = (trial & 1) != 0;
        Runs runs;
        if (trial % 3 == 0) {
            // An opening with every run off by up to 40 % of a module.
            Opening const& opening = kOpenings[static_cast<size_t>(uniform(0, 3))];
            int const unit = uniform(3, 60);
            for (size_t p = 0; p < 6; ++p) {
                runs.widths.push_back(opening.modules[p] * unit + uniform(-4 * unit, 4 * unit) / 10);
            }
            if (runs.widths[0] < 1) {
                runs.widths[0] = 1;
            }
        } else {
            for (size_t p = 0; p < 6; ++p) {
                runs.widths.push_back(uniform(1, 120));
            }
        }
        for (size_t p = 0; p < 6; ++p) {
            runs.widths[p] = runs.widths[p] < 1 ? 1 : runs.widths[p];
            runs.greys.push_back((p & 1) == 0 ? uniform(40, 420) : uniform(560, 980));
        }
        Outcome const o = Judge(LineOf(runs, reverced), reverced);
        if (!o.loaded) {
            continue;
        }
        ++windows;
        ASSERT_FALSE(o.opensByMagnitudes && !o.mayOpenByMagnitudes) << "trial " << trial;
        ASSERT_FALSE(o.opensByPairs && !o.mayOpenByPairs) << "trial " << trial;
        refused += (o.mayOpenByMagnitudes ? 0u : 1u) + (o.mayOpenByPairs ? 0u : 1u);
        opened += (o.opensByMagnitudes ? 1u : 0u) + (o.opensByPairs ? 1u : 0u);
    }
    EXPECT_GT(windows, 50000u);
    EXPECT_GT(opened, 5000u);
    EXPECT_GT(refused, windows);  // more than half of the two tests' verdicts
}

// The shortest symbols (a start, one data character, the check and the
// stop) and wide ones read through every instance that takes their print,
// at small and large modules, from either end and in either polarity.
TEST(Code128OpeningTest, ShortestAndWidestSymbolsRead)
{
    Decoders d;
    auto& polarity = d.manager.Root().readable_medium.positive_and_negative_codes.all_1d_and_composite_codes;
    d.Set(polarity, cfg::configuration::readable_medium::positive_and_negative_codes::all_1d_and_composite_codes::
                        Enum::POSITIVE_AND_NEGATIVE);
    struct Case {
        char const* name;
        std::vector<int> values;  // start first, stop last, without the check character
        std::string data;
    };
    std::string wide;
    std::vector<int> wideValues = {104};
    for (int i = 0; i < 60; ++i) {
        char const c = static_cast<char>('!' + (i * 7) % 90);
        wide.push_back(c);
        wideValues.push_back(c - 32);
    }
    wideValues.push_back(106);
    std::string digits;
    std::vector<int> digitValues = {105};
    for (int i = 0; i < 40; ++i) {
        digitValues.push_back((i * 37) % 100);
        digits += std::to_string((i * 37) % 100 / 10) + std::to_string((i * 37) % 10);
    }
    digitValues.push_back(106);
    std::vector<Case> const cases = {
        {"start A, one character", {103, 33, 106}, "A"},
        {"start B, one character", {104, 66, 106}, "b"},
        {"start C, one pair", {105, 42, 106}, "42"},
        {"start B, sixty characters", wideValues, wide},
        {"start C, forty pairs", digitValues, digits},
    };
    for (Case const& c : cases) {
        std::vector<int> const widths = WidthsOfValues(c.values);
        for (int module : {3, 5, 16, 48, 160}) {
            for (bool negative : {false, true}) {
                for (bool reverse : {false, true}) {
                    SCOPED_TRACE(std::string(c.name) + " module " + std::to_string(module) +
                                 (negative ? " negative" : "") + (reverse ? " reversed" : ""));
                    std::vector<ScanElement> const line =
                        MakeLine(widths, {.module = module, .negative = negative, .reverse = reverse});
                    Code128Decoder const& normal = negative ? d.negative : d.normal;
                    Code128Decoder const& bold = negative ? d.boldNegative : d.bold;
                    std::string data;
                    ASSERT_TRUE(d.Decode(normal, line, data));
                    EXPECT_EQ(data, c.data);
                    if (module >= 5) {
                        ASSERT_TRUE(d.Decode(bold, line, data));
                        EXPECT_EQ(data, c.data);
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace code128_test
