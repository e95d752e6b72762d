#include <gtest/gtest.h>

#include "decoder/linear/line/partial_scan_data.h"
#include "decoder/linear/line/rate_for_tuning_calculator.h"
#include "tests/decoder/linear/line/scan_run_list.h"

namespace scan_test {
namespace {

using DEC2DIvra::PartialScanData;
using DEC2DIvra::RateForTuningCalculator;

struct Result {
    bool ok;
    int separation;
    int normalised;
    signed char angle;
    unsigned overlaps;
};

Result Calc(RateForTuningCalculator const& c)
{
    Result r{};
    r.ok = c.CalcResult(r.separation, r.normalised, r.angle, r.overlaps);
    return r;
}

TEST(ScanStatisticsTest, SeparationOfBarsAndSpaces)
{
    RateForTuningCalculator c;
    c.Initialize(true);
    Result r = Calc(c);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.angle, 127);
    c.PushBit(true, 900);
    c.PushBit(true, 900);
    EXPECT_FALSE(Calc(c).ok);  // no bar yet
    c.PushBit(false, 100);
    c.PushBit(false, 100);
    // Q = isqrt(1640000 x 4) = 2561; E = 1800 - 200 - 500 x 0 = 1600.
    r = Calc(c);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.separation, 400);
    EXPECT_EQ(r.normalised, 1600 * 65536 / 2561);
    EXPECT_EQ(r.angle, 73);  // acos(0.6248) = 51.3 degrees = 73 / 512 turn
    EXPECT_EQ(r.overlaps, 0u);
    c.Initialize(false);
    c.PushBit(true, 900);
    c.PushBit(false, 100);
    r = Calc(c);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.separation, 0);
    EXPECT_EQ(r.angle, 127);
    // Bars brighter than spaces: a negative separation and one overlap.
    c.Initialize(true);
    c.PushBit(true, 100);
    c.PushBit(false, 900);
    r = Calc(c);
    EXPECT_LT(r.normalised, 0);
    EXPECT_EQ(r.overlaps, 1u);
}

TEST(ScanStatisticsTest, WindowsCountTheirOverlapsAndMerge)
{
    RunList const clean{{'L', 900, 40}, {'D', 100, 10}, {'L', 800, 10}, {'D', 200, 20},
                        {'L', 900, 10}, {'D', 100, 10}, {'L', 900, 40}};
    RunList const overlap{{'L', 1000, 40}, {'D', 100, 10}, {'L', 450, 10}, {'D', 500, 10},
                          {'L', 900, 10}, {'D', 100, 10}, {'L', 900, 40}};
    PartialScanData<4> a;
    PartialScanData<4> b;
    ASSERT_TRUE(a.Set(clean.At(1)));
    ASSERT_TRUE(b.Set(overlap.At(1)));
    RateForTuningCalculator c;
    c.Initialize(true);
    c.Push(a);
    EXPECT_EQ(c.GetLightSum(), 1700);
    EXPECT_EQ(c.GetDarkSum(), 300);
    EXPECT_EQ(c.GetSquareSum(), 100ull * 100 + 800 * 800 + 200 * 200 + 900 * 900);
    EXPECT_EQ(c.GetOverlapCount(), 0u);
    RateForTuningCalculator d;
    d.Initialize(true);
    d.Push(b);
    EXPECT_EQ(d.GetOverlapCount(), 1u);
    c.Push(d);
    EXPECT_EQ(c.GetLightCount(), 4u);
    EXPECT_EQ(c.GetDarkMaximum(), 500);
    EXPECT_EQ(c.GetLightMinimum(), 450);
    EXPECT_EQ(Calc(c).overlaps, 2u);  // one window, plus the totals' own overlap
    c.Divide(3);                      // rounding up
    EXPECT_EQ(c.GetLightCount(), 2u);
    EXPECT_EQ(c.GetLightSum(), (1700 + 1350 + 2) / 3);
    EXPECT_EQ(c.GetOverlapCount(), 1u);
    c.Divide(0);
    EXPECT_EQ(c.GetLightCount(), 2u);
}

}  // namespace
}  // namespace scan_test
