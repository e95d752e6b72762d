// The shift between the level changes of two lines of samples: whole and
// fractional shifts of the same edges, lines that start at different
// places, unrelated and flat lines; whole-number and real samples agree.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "decoder/core/sampling/line_shift.h"

namespace line_shift_test {
namespace {

using namespace DEC2DIvra;

// Grey levels of bars (alternately dark and light, `widths` pixels) seen by
// a line whose sample i lies at position `origin + i`, the bars beginning at
// `start`; each sample the share of its pixel that is dark.
std::vector<double> Line(std::vector<double> const& widths, double start, double origin, unsigned count)
{
    std::vector<double> line(count, 800.0);
    for (unsigned i = 0; i < count; ++i) {
        double const p0 = origin + i - 0.5;
        double edge = start;
        for (size_t k = 0; k < widths.size(); edge += widths[k], ++k) {
            double const low = std::max(p0, edge);
            double const high = std::min(p0 + 1, edge + widths[k]);
            if (k % 2 == 0 && high > low) {
                line[i] -= 600.0 * (high - low);
            }
        }
    }
    return line;
}

// Forty widths of 2 to 5 pixels, a different run for each seed.
std::vector<double> Widths(unsigned seed)
{
    std::vector<double> widths;
    unsigned state = seed;
    for (unsigned i = 0; i < 40; ++i) {
        state = state * 1103515245u + 12345u;
        widths.push_back(2.0 + static_cast<double>((state >> 16) % 4));
    }
    return widths;
}

template <class Sample>
bool Find(std::vector<double> const& a, std::vector<double> const& b, int offset, int from, int reach, LineShift& out)
{
    std::vector<Sample> x(a.begin(), a.end());
    std::vector<Sample> y(b.begin(), b.end());
    for (Sample& v : x) {
        v = static_cast<Sample>(std::lround(v));
    }
    for (Sample& v : y) {
        v = static_cast<Sample>(std::lround(v));
    }
    return FindLineShift(x.data(), static_cast<unsigned>(x.size()), y.data(), static_cast<unsigned>(y.size()), offset,
                         from, reach, out);
}

TEST(LineShiftTest, TheSameEdgesAreFoundWhereTheyMoved)
{
    struct Case {
        double moved;   // how far the bars lie further along the second line
        int offset;     // the second line's first sample, on the first line
        int from;
        int reach;
    };
    Case const cases[] = {
        {0.0, 0, 0, 3},     {2.0, 0, 0, 4},   {-3.5, 0, 0, 5}, {1.25, 0, 0, 3},
        {4.0, 7, 0, 6},     {-2.75, -5, 0, 4},  // lines that begin at different places
        {9.5, 0, 8, 2},                          // looked for near an expected shift
    };
    std::vector<double> const widths = Widths(7);
    for (Case const& c : cases) {
        std::vector<double> const a = Line(widths, 30, 0, 260);
        std::vector<double> const b = Line(widths, 30 + c.moved, c.offset, 250);
        LineShift whole;
        LineShift real;
        ASSERT_TRUE(Find<int>(a, b, c.offset, c.from, c.reach, whole)) << c.moved;
        ASSERT_TRUE(Find<float>(a, b, c.offset, c.from, c.reach, real)) << c.moved;
        EXPECT_NEAR(whole.shift, c.moved, 0.2) << c.moved;
        EXPECT_NEAR(real.shift, whole.shift, 1.0 / 256) << c.moved;
        // A step between two samples is split in two: less alike, still far
        // above unrelated bars.
        EXPECT_GT(whole.likeness, c.moved == std::floor(c.moved) ? 0.95 : 0.65) << c.moved;
        EXPECT_NEAR(real.likeness, whole.likeness, 1e-6) << c.moved;
    }
}

TEST(LineShiftTest, UnrelatedFlatOrEmptyLinesDoNotMatch)
{
    std::vector<double> const a = Line(Widths(7), 30, 0, 260);
    std::vector<double> const other = Line(Widths(5), 30, 0, 260);
    LineShift out;
    ASSERT_TRUE(Find<int>(a, other, 0, 0, 4, out));
    EXPECT_LT(out.likeness, 0.5);
    std::vector<double> const flat(260, 500.0);
    EXPECT_FALSE(Find<int>(a, flat, 0, 0, 4, out));
    EXPECT_FALSE(Find<float>(flat, flat, 0, 0, 4, out));
    // Lines that do not overlap within the reach, or are too short.
    EXPECT_FALSE(Find<int>(a, a, 400, 0, 4, out));
    EXPECT_FALSE(Find<int>(std::vector<double>{1.0}, a, 0, 0, 4, out));
    int const sample = 5;
    EXPECT_FALSE(FindLineShift<int>(nullptr, 10, &sample, 1, 0, 0, 4, out));
}

TEST(LineShiftTest, LinesTooLongToBufferMatchAsShortOnes)
{
    // Flat ground beyond the bars adds no level change: the same bars on
    // lines of a few hundred samples and on lines past the changes' buffer
    // give the same shift and likeness.
    std::vector<double> const widths = Widths(3);
    struct Case {
        unsigned countFirst;
        unsigned countSecond;
    };
    Case const cases[] = {{2600, 2600}, {260, 3000}, {3000, 250}};
    for (Case const& c : cases) {
        LineShift shortWhole;
        LineShift longWhole;
        LineShift shortReal;
        LineShift longReal;
        ASSERT_TRUE(Find<int>(Line(widths, 30, 0, 260), Line(widths, 32.5, 3, 250), 3, 0, 5, shortWhole));
        ASSERT_TRUE(Find<int>(Line(widths, 30, 0, c.countFirst), Line(widths, 32.5, 3, c.countSecond), 3, 0, 5,
                              longWhole));
        ASSERT_TRUE(Find<float>(Line(widths, 30, 0, 260), Line(widths, 32.5, 3, 250), 3, 0, 5, shortReal));
        ASSERT_TRUE(Find<float>(Line(widths, 30, 0, c.countFirst), Line(widths, 32.5, 3, c.countSecond), 3, 0, 5,
                                longReal));
        EXPECT_EQ(longWhole.shift, shortWhole.shift) << c.countFirst << " " << c.countSecond;
        EXPECT_EQ(longWhole.likeness, shortWhole.likeness) << c.countFirst << " " << c.countSecond;
        EXPECT_EQ(longReal.shift, shortReal.shift) << c.countFirst << " " << c.countSecond;
        EXPECT_NEAR(longReal.likeness, shortReal.likeness, 1e-9) << c.countFirst << " " << c.countSecond;
    }
}

TEST(LineShiftTest, StepsBeyondSixteenBitsMatchAsSmallOnes)
{
    // Whole-number lines whose changes all fit 16-bit words are matched in
    // lanes, the others one by one, and a pair of one of each mixes the two:
    // scaled up 64 times (changes up to 38400) either line or both give the
    // shift and likeness of the unscaled lines, and all match as real ones.
    // The bars fill both lines to their ends (of no whole number of lanes).
    std::vector<double> const widths = Widths(11);
    std::vector<double> const a = Line(widths, -4, 0, 117);
    std::vector<double> const b = Line(widths, -2.25, -6, 109);
    auto scaled = [](std::vector<double> line) {
        for (double& v : line) {
            v *= 64;
        }
        return line;
    };
    LineShift small;
    ASSERT_TRUE(Find<int>(a, b, -6, 0, 5, small));
    LineShift real;
    ASSERT_TRUE(Find<float>(a, b, -6, 0, 5, real));
    EXPECT_NEAR(real.shift, small.shift, 1.0 / 256);
    EXPECT_NEAR(real.likeness, small.likeness, 1e-6);
    struct Case {
        bool first;
        bool second;
    };
    for (Case const c : {Case{true, true}, Case{true, false}, Case{false, true}}) {
        LineShift large;
        ASSERT_TRUE(Find<int>(c.first ? scaled(a) : a, c.second ? scaled(b) : b, -6, 0, 5, large));
        EXPECT_EQ(large.shift, small.shift) << c.first << c.second;
        EXPECT_NEAR(large.likeness, small.likeness, 1e-9) << c.first << c.second;
    }
}

}  // namespace
}  // namespace line_shift_test
