// The Korean postal windows over hand-written lines: the first digit (its
// first space in the quiet zone) and the digits after it, read along the
// line and, upside down, from its far end; a bar of another width is
// refused.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoder/linear/telepen_korean_postal/korean_postal_decoder.h"
#include "decoder/linear/telepen_korean_postal/korean_postal_partial_scan_data.h"
#include "tests/decoder/linear/line/scan_run_list.h"

namespace korean_postal_window_test {
namespace {

using DEC2DIvra::BarSymbol;
using DEC2DIvra::KoreanPostalDecoder;
using DEC2DIvra::KoreanPostalPartialScanData;
using DEC2DIvra::KoreanPostalStartPartialScanData;
using scan_test::Run;
using scan_test::RunList;

constexpr int kUnit = 12;
constexpr int kBar = 4;

// Space units of each digit's four spaces (a 1 bit from two units on).
std::vector<int> Units(int digit)
{
    static int const kUnits[10][4] = {{1, 1, 1, 3}, {3, 1, 1, 1}, {2, 2, 1, 1}, {1, 3, 1, 1}, {2, 1, 2, 1},
                                      {1, 2, 2, 1}, {1, 1, 3, 1}, {2, 1, 1, 2}, {1, 2, 1, 2}, {1, 1, 2, 2}};
    return std::vector<int>(kUnits[digit], kUnits[digit] + 4);
}

// A symbol of the digits as printed; `wideBar` widens one bar.
RunList Symbol(std::vector<int> const& digits, int wideBar = -1)
{
    std::vector<Run> runs;
    int bar = 0;
    auto pushBar = [&] { runs.push_back({'D', 100, bar++ == wideBar ? 3 * kBar : kBar}); };
    for (unsigned d = 0; d < digits.size(); ++d) {
        // A digit of -1 has four spaces of a unit and a half: six units that
        // no share of whole units fits.
        std::vector<int> const units = digits[d] < 0 ? std::vector<int>{0, 0, 0, 0} : Units(digits[d]);
        for (unsigned k = 0; k < 4; ++k) {
            int const space = digits[d] < 0 ? 3 * kUnit / 2 - kBar : units[k] * kUnit - kBar;
            // The first digit's first space is the quiet zone.
            runs.push_back({'L', 900, d == 0 && k == 0 ? 40 * kUnit : space});
            pushBar();
        }
    }
    runs.push_back({'L', 900, 40 * kUnit});
    return RunList(runs);
}

// The seven digits the windows read from run `first` on, walking along the
// line or back from the far end.
std::vector<int> ReadDigits(RunList const& line, bool reversed)
{
    std::vector<int> read;
    KoreanPostalStartPartialScanData start;
    BarSymbol symbol;
    unsigned modules = 0;
    int const first = reversed ? static_cast<int>(line.runs.size()) - 2 : 1;
    if (!(reversed ? start.ReverceSet(line.ReverceAt(first)) : start.Set(line.At(first))) ||
        !start.CalcBarSymbol(reversed, symbol, modules)) {
        return read;
    }
    read.push_back(KoreanPostalDecoder::table[symbol.value]);
    KoreanPostalPartialScanData digit;
    DEC2DIvra::CommonPartialScanData const* current = &start;
    for (int d = 1; d < 7; ++d) {
        if (!digit.Set(*current, 1, 0, 0x7FFFFFFF) || !digit.CalcBarSymbol(reversed, symbol)) {
            return read;
        }
        read.push_back(KoreanPostalDecoder::table[symbol.value]);
        current = &digit;
    }
    return read;
}

TEST(KoreanPostalWindowTest, DigitsAlongTheLineAndUpsideDown)
{
    for (std::vector<int> const& digits : std::vector<std::vector<int>>{
             {6, 5, 4, 3, 2, 1, 9}, {0, 0, 0, 0, 0, 0, 0}, {7, 8, 9, 1, 2, 3, 0}, {9, 9, 9, 9, 9, 9, 6}}) {
        RunList const line = Symbol(digits);
        EXPECT_EQ(ReadDigits(line, false), digits);
        // Upside down the line meets the digits from the far end; read back
        // from there they come in the symbol's order again.
        RunList const turned = line.Mirror();
        EXPECT_EQ(ReadDigits(turned, true), digits);
    }
}

TEST(KoreanPostalWindowTest, BarOfAnotherWidthIsRefused)
{
    // A bar three times as wide in the third digit.
    EXPECT_EQ(ReadDigits(Symbol({6, 5, 4, 3, 2, 1, 9}, 10), false).size(), 2u);
}

TEST(KoreanPostalWindowTest, SpacesOfNoWholeUnitsAreRefused)
{
    // Read up to the third digit, whose spaces are each a unit and a half.
    EXPECT_EQ(ReadDigits(Symbol({6, 5, -1, 3, 2, 1, 9}), false).size(), 2u);
}

}  // namespace
}  // namespace korean_postal_window_test
