// The UK Plessey windows over hand-written lines: the start met from either
// end, the stop read across its termination bar, and two characters side by
// side, each in the symbol's own bit order.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoder/linear/plessey/uk_plessey_partial_scan_data.h"
#include "tests/decoder/linear/line/scan_run_list.h"

namespace uk_plessey_window_test {
namespace {

using DEC2DIvra::BarSymbol;
using DEC2DIvra::UKPlesseyPartialScanData;
using DEC2DIvra::UKPlesseyPartialScanDataWithPitch;
using scan_test::Run;
using scan_test::RunList;

constexpr int kModule = 6;

// A quiet zone, the start (1101), a pair per bit ('1': wide bar), the stop
// (termination bar and space, 0, a narrow pair, 1, closing bar) and a quiet
// zone.
RunList Symbol(std::string const& bits)
{
    std::vector<Run> runs{{'L', 900, 40 * kModule}};
    for (char const bit : "1101" + bits) {
        runs.push_back({'D', 100, (bit == '1' ? 3 : 1) * kModule});
        runs.push_back({'L', 900, (bit == '1' ? 1 : 3) * kModule});
    }
    for (int const m : {3, 3, 1, 3, 1, 1, 3, 1, 3}) {
        runs.push_back({runs.back().colour == 'L' ? 'D' : 'L', runs.back().colour == 'L' ? 100 : 900, m * kModule});
    }
    runs.push_back({'L', 900, 40 * kModule});
    return RunList(runs);
}

TEST(UKPlesseyWindowTest, StartFromEitherEndAndTheStop)
{
    // Characters 0110 and 1000, as printed.
    RunList const line = Symbol("01101000");
    unsigned separation = 0;
    BarSymbol symbol;

    UKPlesseyPartialScanDataWithPitch start;
    ASSERT_TRUE(start.Set(line.At(1)));
    ASSERT_TRUE(start.CalcStartBarSymbol(symbol, separation));
    EXPECT_EQ(symbol.flag, 0);
    EXPECT_EQ(symbol.value, 0xD6);

    // The same symbol met from its stop end: the stop's bits 0011 last, the
    // last character before them in its own order.
    RunList const mirrored = line.Mirror();
    UKPlesseyPartialScanDataWithPitch back;
    separation = 0;
    ASSERT_TRUE(back.Set(mirrored.At(1)));
    ASSERT_TRUE(back.CalcStartBarSymbol(symbol, separation));
    EXPECT_EQ(symbol.flag, 1);
    EXPECT_EQ(symbol.value, 0x83);

    // The end window: the last character, the termination bar, the stop.
    int const stopWindow = static_cast<int>(line.runs.size()) - 1 - 17;
    UKPlesseyPartialScanDataWithPitch end;
    separation = 0;
    ASSERT_TRUE(end.Set(line.At(stopWindow)));
    ASSERT_TRUE(end.CalcEndBarSymbol(0x8, symbol, separation));
    EXPECT_EQ(symbol.value, 0x83);
    // Another last character than the one read is no end.
    separation = 0;
    EXPECT_FALSE(end.CalcEndBarSymbol(0x6, symbol, separation));
    // Nor is a window of two characters.
    UKPlesseyPartialScanDataWithPitch inside;
    separation = 0;
    ASSERT_TRUE(inside.Set(line.At(9)));
    EXPECT_FALSE(inside.CalcEndBarSymbol(0x6, symbol, separation));
}

TEST(UKPlesseyWindowTest, TwoCharactersInTheSymbolsOrder)
{
    RunList const line = Symbol("01101000");
    UKPlesseyPartialScanData forward;
    unsigned separation = 0;
    BarSymbol symbol;
    ASSERT_TRUE(forward.Set(line.At(9)));
    ASSERT_TRUE(forward.CalcBarSymbol(false, 0x6, symbol, separation));
    EXPECT_EQ(symbol.value, 0x68);

    // From the stop end the window holds the later character first on the
    // line; the pattern still reads in the symbol's order.
    RunList const mirrored = line.Mirror();
    int const at = static_cast<int>(mirrored.runs.size()) - 1 - 8 - 16;
    UKPlesseyPartialScanData backward;
    separation = 0;
    ASSERT_TRUE(backward.Set(mirrored.At(at)));
    ASSERT_TRUE(backward.CalcBarSymbol(true, 0x8, symbol, separation));
    EXPECT_EQ(symbol.value, 0x68);
}

}  // namespace
}  // namespace uk_plessey_window_test
