// The DataBar arithmetic: width lists rank in lexicographic order, the
// Limited check patterns all come back from their look-up (and no index reads
// past it), and the weight rows start as ISO/IEC 24724 prints them.
#include <gtest/gtest.h>

#include <vector>

#include "decoder/linear/data_bar/rss_calculation.h"
#include "decoder/linear/data_bar/rss_limited_partial_scan_data.h"
#include "decoder/linear/data_bar/rss_tables.h"

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

TEST(RSSLimitedCheckTest, EveryPatternComesBackAndNoIndexReadsPastTheTable)
{
    unsigned const per = RSSLimitedStartPartialScanData::kPatternsPerColour;
    for (unsigned v = 0; v < RSSTables::kLimitedCheckCount; ++v) {
        unsigned odd[7];
        unsigned even[7];
        for (unsigned i = 0; i < 7; ++i) {
            odd[i] = RSSTables::kLimitedCheck[v][2 * i];
            even[i] = RSSTables::kLimitedCheck[v][2 * i + 1];
        }
        unsigned vOdd = 0;
        unsigned vEven = 0;
        ASSERT_TRUE(RSSCalculation::CalcRSSValue(odd, 7, 3, true, vOdd));
        ASSERT_TRUE(RSSCalculation::CalcRSSValue(even, 7, 3, true, vEven));
        unsigned value = 0;
        ASSERT_TRUE(RSSLimitedStartPartialScanData::LookUpCheckValue(vOdd * per + vEven, value));
        EXPECT_EQ(value, v);
    }
    // The largest index a measurement can form, and those beyond, name no
    // check character rather than reading past the table.
    unsigned value = 0;
    EXPECT_FALSE(RSSLimitedStartPartialScanData::LookUpCheckValue(per * per - 1, value));
    EXPECT_FALSE(RSSLimitedStartPartialScanData::LookUpCheckValue(per * per, value));
    EXPECT_FALSE(RSSLimitedStartPartialScanData::LookUpCheckValue(0xFFFFFFFFu, value));
}

}  // namespace
