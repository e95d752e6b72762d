#include <gtest/gtest.h>

#include "tests/decoder/linear/code128/code128_fixture.h"

namespace code128_test {
namespace {

using DEC2DIvra::Code128TableEntry;

std::vector<int> WidthsOf(unsigned value)
{
    unsigned char const* w = Code128Table::GetWidths(value);
    return std::vector<int>(w, w + Code128Table::GetWidthCount(value));
}

std::vector<int> Slice(std::vector<int> const& widths, size_t first, size_t count)
{
    if (first + count > widths.size()) {
        return {};
    }
    auto const from = widths.begin() + static_cast<long>(first);
    return std::vector<int>(from, from + static_cast<long>(count));
}

// zint draws printable ASCII c in code set B as value c - 32 and adds the
// modulo-103 check character; two data characters chosen for each target
// make every value 0-102 appear once as the check character.
TEST(Code128Table, EveryPatternAsZintDrawsIt)
{
    for (unsigned target = 0; target <= 102; ++target) {
        unsigned first = 0;
        unsigned second = 0;
        bool found = false;
        for (first = 0; first < 95 && !found; ++first) {
            for (second = 0; second < 95 && !found; ++second) {
                found = (Code128Table::kStartB + first + 2 * second) % 103 == target;
            }
        }
        ASSERT_TRUE(found);
        --first;
        --second;
        std::string const data{static_cast<char>(first + 32), static_cast<char>(second + 32)};
        std::vector<int> const widths = ZintRowWidths({.symbology = BARCODE_CODE128B, .data = data});
        ASSERT_EQ(widths.size(), 4u * 6u + 7u) << data;
        EXPECT_EQ(Slice(widths, 0, 6), WidthsOf(Code128Table::kStartB));
        EXPECT_EQ(Slice(widths, 6, 6), WidthsOf(first)) << data;
        EXPECT_EQ(Slice(widths, 12, 6), WidthsOf(second)) << data;
        EXPECT_EQ(Slice(widths, 18, 6), WidthsOf(target)) << "check character " << target;
        EXPECT_EQ(Slice(widths, 24, 7), WidthsOf(Code128Table::kStop));
    }
    // Start A (a control character first) and Start C (digits).
    EXPECT_EQ(Slice(ZintRowWidths({.symbology = BARCODE_CODE128, .data = "\x01"}), 0, 6),
              WidthsOf(Code128Table::kStartA));
    EXPECT_EQ(Slice(ZintRowWidths({.symbology = BARCODE_CODE128, .data = "1234"}), 0, 6),
              WidthsOf(Code128Table::kStartC));
}

TEST(Code128Table, KeysFindTheirCharactersAndNothingElse)
{
    Code128Table const& table = Code128Table::instance;
    unsigned used = 0;
    for (unsigned i = 0; i < Code128Table::kSize; ++i) {
        used += table.Lookup(static_cast<int>(i << 2) | 1).value != Code128Table::kNoValue ? 1u : 0u;
    }
    EXPECT_EQ(used, Code128Table::kCharacterCount);
    for (unsigned value = 0; value < Code128Table::kCharacterCount; ++value) {
        int const key = Code128Table::CalcKey(value);
        EXPECT_EQ(table.GetValue(key), static_cast<int>(value));
        // Another width for the last bar and space shares the index only.
        EXPECT_EQ(table.GetValue(key ^ 2), -1) << value;
    }
    EXPECT_EQ(Code128Table::CalcKey(Code128Table::kStartA), Code128Table::kStartAKey);
    EXPECT_EQ(Code128Table::CalcKey(Code128Table::kStartB), Code128Table::kStartBKey);
    EXPECT_EQ(Code128Table::CalcKey(Code128Table::kStartC), Code128Table::kStartCKey);
    EXPECT_EQ(Code128Table::CalcKey(Code128Table::kStop), Code128Table::kStopKey);
    for (int key : {-1, 0, 2047, 1 << 12}) {
        Code128TableEntry const& entry = table.Lookup(key);
        EXPECT_EQ(entry.value, Code128Table::kNoValue) << key;
        EXPECT_EQ(entry.meaning[0], DEC2DIvra::kCode128NoCharacter);
        EXPECT_EQ(table.GetValue(key), -1);
    }
}

// The character assignment per code set.
TEST(Code128Table, MeaningsPerCodeSet)
{
    using namespace DEC2DIvra;
    struct Case {
        unsigned value;
        unsigned char a, b, c;
    };
    Case const cases[] = {
        {0, ' ', ' ', 0},
        {33, 'A', 'A', 33},
        {63, '_', '_', 63},
        {64, 0x00, '`', 64},
        {65, 0x01, 'a', 65},
        {95, 0x1F, 0x7F, 95},
        {96, kCode128Fnc3, kCode128Fnc3, 96},
        {97, kCode128Fnc2, kCode128Fnc2, 97},
        {98, kCode128Shift, kCode128Shift, 98},
        {99, kCode128CodeC, kCode128CodeC, 99},
        {100, kCode128CodeB, kCode128Fnc4, kCode128CodeB},
        {101, kCode128Fnc4, kCode128CodeA, kCode128CodeA},
        {102, kCode128Fnc1, kCode128Fnc1, kCode128Fnc1},
        {103, kCode128StartA, kCode128StartA, kCode128StartA},
        {104, kCode128StartB, kCode128StartB, kCode128StartB},
        {105, kCode128StartC, kCode128StartC, kCode128StartC},
        {106, kCode128Stop, kCode128Stop, kCode128Stop},
    };
    for (Case const& c : cases) {
        Code128TableEntry const& entry = Code128Table::instance.GetEntry(c.value);
        EXPECT_EQ(entry.value, c.value);
        EXPECT_EQ(entry.meaning[kCode128SetA], c.a) << c.value;
        EXPECT_EQ(entry.meaning[kCode128SetB], c.b) << c.value;
        EXPECT_EQ(entry.meaning[kCode128SetC], c.c) << c.value;
    }
}

}  // namespace
}  // namespace code128_test
