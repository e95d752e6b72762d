// The Plessey pair classification over hand-written lines: bits in reading
// order from either end, the class gap carried between windows, and pairs
// whose widths jump.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoder/linear/line/common_plessey_partial_scan_data.h"
#include "decoder/linear/line/partial_scan_data.h"
#include "tests/decoder/linear/line/scan_run_list.h"

namespace plessey_pattern_test {
namespace {

using DEC2DIvra::CommonPlesseyPartialScanData;
using scan_test::Run;
using scan_test::RunList;

using Window = DEC2DIvra::PartialScanData<13, CommonPlesseyPartialScanData>;

// A quiet zone, then a pair for each bit ('1': wide bar, narrow space), a
// closing bar and a quiet zone; `scale` widens the pairs from `from` on.
RunList Line(std::string const& bits, int scale = 1, unsigned from = 0)
{
    std::vector<Run> runs{{'L', 900, 200}};
    for (unsigned i = 0; i < bits.size(); ++i) {
        int const m = i >= from ? 10 * scale : 10;
        runs.push_back({'D', 100, bits[i] == '1' ? 2 * m : m});
        runs.push_back({'L', 900, bits[i] == '1' ? m : 2 * m});
    }
    runs.push_back({'D', 100, 10});
    runs.push_back({'L', 900, 200});
    return RunList(runs);
}

TEST(PlesseyPatternTest, BitsInReadingOrderFromEitherEnd)
{
    RunList const line = Line("100110");
    Window forward;
    ASSERT_TRUE(forward.SetLength(12));
    ASSERT_TRUE(forward.Set(line.At(1)));
    unsigned pattern = 0;
    unsigned separation = 0;
    ASSERT_TRUE(forward.CalcPlesseyPattern(false, 0, 6, CommonPlesseyPartialScanData::kNoOneClass, pattern, separation));
    EXPECT_EQ(pattern, 0b100110u);
    EXPECT_GT(separation, 0u);

    // Met from the far end: the closing bar, then each pair space first.
    RunList const mirrored = line.Mirror();
    Window backward;
    ASSERT_TRUE(backward.SetLength(13));
    ASSERT_TRUE(backward.Set(mirrored.At(1)));
    unsigned reversedPattern = 0;
    unsigned reversedSeparation = 0;
    ASSERT_TRUE(backward.CalcPlesseyPattern(true, 1, 6, 16, reversedPattern, reversedSeparation));
    EXPECT_EQ(reversedPattern, 0b100110u);
}

TEST(PlesseyPatternTest, OneClassWindowNeedsTheExpectedPatternAndAClearGap)
{
    Window two;
    ASSERT_TRUE(two.SetLength(12));
    RunList const mixed = Line("100110");
    ASSERT_TRUE(two.Set(mixed.At(1)));
    unsigned pattern = 0;
    unsigned separation = 0;
    ASSERT_TRUE(two.CalcPlesseyPattern(false, 0, 6, CommonPlesseyPartialScanData::kNoOneClass, pattern, separation));
    unsigned const gap = separation;

    Window one;
    ASSERT_TRUE(one.SetLength(12));
    RunList const ones = Line("111111");
    ASSERT_TRUE(one.Set(ones.At(1)));
    // With the gap of the window before, all six pairs are one class: only
    // an expected all-ones (or all-zeros) pattern admits it.
    separation = gap;
    EXPECT_FALSE(one.CalcPlesseyPattern(false, 0, 6, CommonPlesseyPartialScanData::kNoOneClass, pattern, separation));
    separation = gap;
    ASSERT_TRUE(one.CalcPlesseyPattern(false, 0, 6, CommonPlesseyPartialScanData::kAllOnes, pattern, separation));
    EXPECT_EQ(pattern, 0b111111u);
    EXPECT_EQ(separation, gap);
}

TEST(PlesseyPatternTest, PairWidthJumpFails)
{
    Window window;
    ASSERT_TRUE(window.SetLength(12));
    // The fourth pair half as wide again as the third.
    RunList const line = Line("100110", 2, 3);
    ASSERT_TRUE(window.Set(line.At(1)));
    unsigned pattern = 0;
    unsigned separation = 0;
    EXPECT_FALSE(window.CalcPlesseyPattern(false, 0, 6, CommonPlesseyPartialScanData::kNoOneClass, pattern, separation));
    EXPECT_TRUE(window.CalcPlesseyPattern(false, 0, 3, CommonPlesseyPartialScanData::kNoOneClass, pattern, separation));
}

}  // namespace
}  // namespace plessey_pattern_test
