// The general-purpose field of DataBar Expanded from hand-written bits after
// method 0: the numeric, alphanumeric and ISO 646 states with their latches,
// FNC1 in each, the odd last digit, a closing FNC1 dropped, and a value no
// state has refused.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "decoder/linear/data_bar/rss_expanded_data.h"

namespace rss_general_purpose_test {
namespace {

using DEC2DIvra::RSSExpandedBits;

struct Case {
    char const* name;
    std::vector<std::pair<unsigned, unsigned>> fields;  // value, bits
    std::optional<std::string> text;
};

std::optional<std::string> Decode(std::vector<std::pair<unsigned, unsigned>> const& fields)
{
    RSSExpandedBits bits;
    // No linkage, method 0 (00) and its two-bit field.
    EXPECT_TRUE(bits.Append(0, 1) && bits.Append(0, 2) && bits.Append(0, 2));
    for (auto const& [value, count] : fields) {
        EXPECT_TRUE(bits.Append(value, count));
    }
    char buffer[64];
    DEC2DIvra::StackInterface<char> text(buffer, sizeof buffer);
    bool linked = true;
    if (!DEC2DIvra::MakeExpandedData(bits, DEC2DIvra::RSSExpandedOptions{}, text, linked)) {
        return std::nullopt;
    }
    EXPECT_FALSE(linked);
    return std::string(buffer, text.GetCount());
}

TEST(RSSGeneralPurposeTest, StatesLatchesAndFnc1)
{
    std::string const gs = "\x1d";
    std::vector<Case> const cases = {
        {"two digit pairs", {{21, 7}, {45, 7}}, "1234"},
        {"odd last digit in four bits", {{21, 7}, {4, 4}}, "123"},
        {"FNC1 as a numeric digit", {{121, 7}, {45, 7}}, gs + "334"},
        {"alphanumeric, back to numeric", {{0, 4}, {32, 6}, {58, 6}, {10, 5}, {0, 3}, {21, 7}}, "A*512"},
        {"ISO 646 letters and punctuation", {{0, 4}, {4, 5}, {90, 7}, {232, 8}, {64, 7}}, "a!A"},
        {"ISO 646 back to alphanumeric", {{0, 4}, {4, 5}, {115, 7}, {4, 5}, {57, 6}}, "zZ"},
        {"closing FNC1 dropped", {{0, 4}, {32, 6}, {15, 5}}, "A"},
        {"ISO 646 value past the set", {{0, 4}, {4, 5}, {253, 8}}, std::nullopt},
        {"alphanumeric value past the set", {{0, 4}, {63, 6}}, std::nullopt},
    };
    for (Case const& c : cases) {
        EXPECT_EQ(Decode(c.fields), c.text) << c.name;
    }
}

}  // namespace
}  // namespace rss_general_purpose_test
