// The DataBar arithmetic: width lists rank in lexicographic order, zint's
// Limited symbols read back through their check characters (and no index
// reads past the look-up), and the weight rows start as ISO/IEC 24724 prints
// them.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "decoder/linear/data_bar/rss_calculation.h"
#include "decoder/linear/data_bar/rss_limited_partial_scan_data.h"
#include "decoder/linear/data_bar/rss_tables.h"
#include "tests/decoder/linear/frame_fixture.h"
#include "tests/support/symbol_renderer.h"

namespace {

using namespace DEC2DIvra;

// Every list of `count` widths summing to `total`, each 1..widest, in
// lexicographic order; without noNarrow only those with a one-module width.
void Enumerate(unsigned count, unsigned total, unsigned widest, bool noNarrow, std::vector<std::vector<unsigned>>& out,
               std::vector<unsigned>& prefix)
{
    unsigned used = 0;
    for (unsigned w : prefix) {
        used += w;
    }
    if (prefix.size() == count) {
        bool narrow = false;
        for (unsigned w : prefix) {
            narrow = narrow || w == 1;
        }
        if (used == total && (noNarrow || narrow)) {
            out.push_back(prefix);
        }
        return;
    }
    for (unsigned w = 1; w <= widest && used + w <= total; ++w) {
        prefix.push_back(w);
        Enumerate(count, total, widest, noNarrow, out, prefix);
        prefix.pop_back();
    }
}

TEST(RSSCalculationTest, EveryListRanksToItsPlace)
{
    struct Case {
        unsigned count, total, widest;
        bool noNarrow;
    };
    std::vector<Case> cases;
    for (CharacterGroup const& g : RSSTables::kOuter) {
        cases.push_back({4, g.oddModules, g.oddWidest, true});
        cases.push_back({4, g.evenModules, g.evenWidest, false});
    }
    for (CharacterGroup const& g : RSSTables::kInner) {
        cases.push_back({4, g.oddModules, g.oddWidest, false});
        cases.push_back({4, g.evenModules, g.evenWidest, true});
    }
    for (CharacterGroup const& g : RSSTables::kExpanded) {
        cases.push_back({4, g.oddModules, g.oddWidest, false});
        cases.push_back({4, g.evenModules, g.evenWidest, true});
    }
    for (CharacterGroup const& g : RSSTables::kLimited) {
        cases.push_back({7, g.oddModules, g.oddWidest, true});
        cases.push_back({7, g.evenModules, g.evenWidest, false});
    }
    for (Case const& c : cases) {
        std::vector<std::vector<unsigned>> lists;
        std::vector<unsigned> prefix;
        Enumerate(c.count, c.total, c.widest, c.noNarrow, lists, prefix);
        ASSERT_FALSE(lists.empty());
        for (size_t rank = 0; rank < lists.size(); ++rank) {
            unsigned value = 0;
            ASSERT_TRUE(RSSCalculation::CalcRSSValue(lists[rank].data(), c.count, c.widest, c.noNarrow, value));
            ASSERT_EQ(value, rank) << c.count << " widths of " << c.total << ", widest " << c.widest;
        }
    }
    // A width above the widest is no list of the group.
    unsigned const wide[4] = {9, 1, 1, 1};
    unsigned value = 0;
    EXPECT_FALSE(RSSCalculation::CalcRSSValue(wide, 4, 8, true, value));
}

TEST(RSSCalculationTest, WeightRowsStartAsPrinted)
{
    unsigned const omni[8] = {1, 3, 9, 27, 2, 6, 18, 54};
    unsigned const omniLast[8] = {64, 34, 23, 69, 49, 68, 46, 59};
    unsigned const expanded[8] = {1, 3, 9, 27, 81, 32, 96, 77};
    unsigned const expandedLast[8] = {45, 135, 194, 160, 58, 174, 100, 89};
    unsigned const limitedRight[4] = {20, 60, 2, 6};
    for (unsigned k = 0; k < 8; ++k) {
        EXPECT_EQ(RSSCalculation::OmniWeight(0, k), omni[k]);
        EXPECT_EQ(RSSCalculation::OmniWeight(3, k), omniLast[k]);
        EXPECT_EQ(RSSCalculation::ExpandedWeight(0, k), 0u);
        EXPECT_EQ(RSSCalculation::ExpandedWeight(1, k), expanded[k]);
        EXPECT_EQ(RSSCalculation::ExpandedWeight(23, k), expandedLast[k]);
    }
    for (unsigned k = 0; k < 4; ++k) {
        EXPECT_EQ(RSSCalculation::LimitedWeight(1, k), limitedRight[k]);
    }
    EXPECT_EQ(RSSCalculation::LimitedWeight(0, 13), 66u);
    EXPECT_EQ(RSSCalculation::CalcGtinCheckDigit("0950110153000"), '3');
}

// zint's Limited symbols, read on the frame: their check characters (the
// drawn modules 28 to 45) cover most of the table, each read back to zint's
// own text.
TEST(RSSLimitedCheckTest, ZintSymbolsReadWithTheirCheckCharacters)
{
    frame_test::LinearFrameHarness harness;
    ASSERT_TRUE(harness.IsReady());
    harness.EnableAllLinear(false);
    harness.SetRedundancy(0);
    harness.SetDecodeMode(1);
    harness.SetPolarity(2);
    harness.Settings().read.gs1_databar_limited.Set(true);
    support::RenderOptions options;
    options.moduleSize = 2.5;
    std::set<std::string> checks;
    unsigned read = 0;
    unsigned const count = 180;
    for (unsigned long long n = 0; n < count; ++n) {
        std::string data = std::to_string((n * 117130198919ULL + 950110153000ULL) % 2000000000000ULL);
        data.insert(0, 13 - data.size(), '0');
        support::Rendering const r = support::render({.symbology = BARCODE_DBAR_LTD, .data = data}, options);
        ASSERT_TRUE(r.symbol.ok) << data << ": " << r.symbol.error;
        std::string check;
        for (int k = 28; k < 46; ++k) {
            support::Point const at = r.symbol.toFrame({k + 0.5, r.symbol.heightModules / 2});
            std::uint16_t const grey =
                r.frame.pixels[static_cast<size_t>(at.y) * r.frame.width + static_cast<size_t>(at.x)];
            check += grey < 512 ? '1' : '0';
        }
        checks.insert(check);
        std::string expected;
        for (char c : r.symbol.text) {
            if (c != '(' && c != ')') {
                expected += c;
            }
        }
        frame_test::Read const got = harness.ReadRegion(r.frame, frame_test::ToRegion(r.symbol.corners, 10 * options.moduleSize));
        EXPECT_TRUE(got.ok) << data;
        EXPECT_EQ(got.data, expected) << data;
        read += got.ok && got.data == expected ? 1u : 0u;
    }
    EXPECT_EQ(read, count);
    EXPECT_GE(checks.size(), 75u) << "check characters covered";

    // The largest index a measurement can form, and those beyond, name no
    // check character rather than reading past the table.
    unsigned const per = RSSLimitedStartPartialScanData::kPatternsPerColour;
    unsigned value = 0;
    EXPECT_FALSE(RSSLimitedStartPartialScanData::LookUpCheckValue(per * per - 1, value));
    EXPECT_FALSE(RSSLimitedStartPartialScanData::LookUpCheckValue(per * per, value));
    EXPECT_FALSE(RSSLimitedStartPartialScanData::LookUpCheckValue(0xFFFFFFFFu, value));
}

}  // namespace
