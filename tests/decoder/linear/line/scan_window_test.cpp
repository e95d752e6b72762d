#include <gtest/gtest.h>

#include <vector>

#include "decoder/linear/line/partial_scan_data.h"
#include "tests/decoder/linear/line/scan_run_list.h"

namespace scan_test {
namespace {

using DEC2DIvra::CommonPartialScanData;
using DEC2DIvra::kLightRun;
using DEC2DIvra::PartialScanData;
using DEC2DIvra::PartialScanElement;

// Entries as (begin, end, grey) with an optional magnitude.
struct Entry {
    int begin;
    int end;
    int grey;
    unsigned magnitude = 0;
};

void ExpectEntries(CommonPartialScanData const& w, std::vector<Entry> const& expected)
{
    ASSERT_EQ(w.GetLength(), expected.size());
    for (unsigned i = 0; i < w.GetLength(); ++i) {
        EXPECT_EQ(w[i].begin, expected[i].begin) << i;
        EXPECT_EQ(w[i].end, expected[i].end) << i;
        EXPECT_EQ(w[i].grey, expected[i].grey) << i;
        if (expected[i].magnitude != 0) {
            EXPECT_EQ(w[i].magnitude, expected[i].magnitude) << i;
        }
    }
}

// Margin 900, bars 100 and 200, spaces 800 and 900.
RunList const kLevels{{'L', 900, 40}, {'D', 100, 10}, {'L', 800, 10}, {'D', 200, 20},
                      {'L', 900, 10}, {'D', 100, 10}, {'L', 900, 40}};

TEST(ScanWindowTest, LevelsAndMagnitudes)
{
    PartialScanData<4> w;
    ASSERT_TRUE(w.Set(kLevels.At(1)));
    EXPECT_EQ(w.GetContrast(), 800);
    EXPECT_EQ(w.GetMarginGrey(), 900);
    EXPECT_EQ(w.GetDarkMaximum(), 200);
    EXPECT_EQ(w.GetDarkMaximumIndex(), 2u);
    EXPECT_EQ(w.GetLightMinimum(), 800);
    EXPECT_EQ(w.GetLightMinimumIndex(), 1u);
    // width x ((grey distance / 4) & 255) + 1
    ExpectEntries(w, {{40, 50, 100, 2001}, {50, 60, 800, 1751}, {60, 80, 200, 3501}, {80, 90, 900, 2001}});
    EXPECT_EQ(w.GetWeakestDarkIndex(), 0u);  // first of the equal ones, the run after the window included
    EXPECT_EQ(w.GetWeakestLight(), 1751u);
    EXPECT_TRUE(w.IsLightWeaker());
    EXPECT_EQ(w.GetIterator().GetIndex(), 5);
    EXPECT_EQ(w.GetSpan(), 50);
    EXPECT_EQ(w.GetMinWidth(), 10u);
    // Noise mode 2 weighs runs by their depth from the far level instead.
    PartialScanData<4> depth(2);
    ASSERT_TRUE(depth.Set(kLevels.At(1)));
    EXPECT_EQ(depth.GetWeakestDark(), 700u);
    EXPECT_EQ(depth.GetWeakestDarkIndex(), 2u);
    EXPECT_EQ(depth.GetWeakestLight(), 700u);
    EXPECT_FALSE(depth.IsLightWeaker());
    // The margin's 1000 widens the light level only when bars and spaces
    // separate; a bar brighter than a space keeps the runs' own 900.
    for (int space : {600, 450}) {
        RunList const line{{'L', 1000, 40}, {'D', 100, 10}, {'L', space, 10}, {'D', 500, 10},
                           {'L', 900, 10},  {'D', 100, 10}, {'L', 900, 40}};
        ASSERT_TRUE(w.Set(line.At(1)));
        EXPECT_EQ(w[0].magnitude, space == 600 ? 10u * 225 + 1 : 10u * 200 + 1);
    }
}

TEST(ScanWindowTest, LoadsThatCannotBeMadeAreRefused)
{
    auto flat = [](int light, int dark) {
        return RunList{{'L', light, 40}, {'D', dark, 10}, {'L', light, 10}, {'D', dark, 10},
                       {'L', light, 10}, {'D', dark, 10}, {'L', light, 40}};
    };
    PartialScanData<4> w;
    EXPECT_TRUE(w.Set(flat(601, 538).At(1)));   // contrast 63
    EXPECT_FALSE(w.Set(flat(600, 538).At(1)));  // contrast 62
    EXPECT_FALSE(w.Set(kLevels.At(0)));         // no run before it for the margin
    EXPECT_TRUE(w.Set(kLevels.At(3)));          // may end at the line's last run
    EXPECT_FALSE(w.Set(kLevels.At(4)));
    EXPECT_FALSE(w.ReverceSet(kLevels.ReverceAt(6)));
    EXPECT_FALSE(w.Set(RunList().At(0)));
    PartialScanData<3> small;
    EXPECT_FALSE(small.CopyFrom(w));
    EXPECT_FALSE(w.SetLength(5));
    EXPECT_TRUE(w.SetLength(3));
    EXPECT_TRUE(small.CopyFrom(w));
    std::vector<PartialScanElement> big(CommonPartialScanData::kMaxLength + 1);
    CommonPartialScanData tooLong(big.data(), static_cast<unsigned>(big.size()));
    EXPECT_FALSE(tooLong.Set(kLevels.At(1)));
    EXPECT_FALSE(tooLong.DeleteNoise());
    EXPECT_FALSE(tooLong.CheckMargin(0, false, false, 0));
    EXPECT_EQ(tooLong.GetMinWidth(), 0xFFFFFFFFu);
}

// Bars of 100 with a dark speck between two spaces; optionally a faint
// space of 400.
RunList SpeckLine(int speck, bool faintSpace)
{
    return RunList{{'L', 900, 40}, {'D', 100, 10}, {'L', 900, 10}, {'D', speck, 2},
                   {'L', 900, 8},  {'D', 100, 10}, {'L', faintSpace ? 400 : 900, 10},
                   {'D', 100, 10}, {'L', 900, 10}, {'D', 100, 10}, {'L', 900, 40}};
}

TEST(ScanWindowTest, DeletionMergesARunUnlessItIsTooDeep)
{
    struct Case {
        unsigned mode;
        int speck;
        bool faintSpace;
        bool force;
        bool merged;
    };
    Case const cases[] = {
        {0, 740, false, false, true},   // depth 160 = R / 5
        {0, 739, false, false, false},  // depth 161, darker than the middle
        {0, 650, true, false, true},    // deep, but lighter than the middle (525)
        {0, 300, true, false, false},   // deep and darker than the middle (350)
        {1, 634, false, false, true},   // 3 x 266 <= 800
        {1, 633, false, false, false},
        {2, 500, false, false, true},  // 2 x 400 <= 800
        {2, 499, false, false, false},
        {0, 100, false, true, true},  // forced: even a full bar
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " speck " << c.speck);
        RunList const line = SpeckLine(c.speck, c.faintSpace);
        PartialScanData<6> w(c.mode);
        ASSERT_TRUE(w.Set(line.At(1)));
        PartialScanData<6> const before(w);
        ASSERT_EQ(w.Delete(2, c.force), c.merged);
        if (!c.merged) {
            EXPECT_EQ(w[2].grey, before[2].grey);
            EXPECT_EQ(w.GetIterator().GetIndex(), 7);
            continue;
        }
        int const faint = c.faintSpace ? 400 : 900;
        ExpectEntries(w, {{40, 50, 100}, {50, 70, 900, 20 * 200 + 1}, {70, 80, 100}, {80, 90, faint},
                          {90, 100, 100}, {100, 110, 900}});
        EXPECT_EQ(w[1].samples, 20);
        EXPECT_EQ(w.GetIterator().GetIndex(), 9);
    }
    // At the ends: the last entry merges with the line's next run, the run
    // after the window with the line beyond it; past the line's end nothing.
    RunList const line = SpeckLine(740, false);
    PartialScanData<6> w;
    ASSERT_TRUE(w.Set(line.At(1)));
    EXPECT_FALSE(w.Delete(0, true));
    EXPECT_FALSE(w.Delete(7, true));
    ASSERT_TRUE(w.Delete(5, true));
    ExpectEntries(w, {{40, 50, 100}, {50, 60, 900}, {60, 62, 740}, {62, 70, 900}, {70, 100, 100}, {100, 110, 900}});
    ASSERT_TRUE(w.Delete(6, true));
    EXPECT_EQ(w[5].end, 160);
    EXPECT_FALSE(w.Delete(2, true));
    EXPECT_EQ(w[2].end, 62);
}

TEST(ScanWindowTest, AMergeLeavingTooLittleContrastIsUndone)
{
    // Forced merges that take out the window's only dark bar leave bars of
    // 850 under spaces of 900: the window's contrast falls below 63 and the
    // merge is undone, every entry and level as before (the window kept in
    // each direction and each length that holds the dark bar).
    RunList const line{{'L', 900, 40}, {'D', 850, 10}, {'L', 900, 10}, {'D', 100, 10}, {'L', 900, 10},
                       {'D', 850, 10}, {'L', 900, 10}, {'D', 850, 10}, {'L', 900, 40}};
    struct Case {
        unsigned length;
        bool reverce;
        int index;
    };
    Case const cases[] = {{4, false, 2}, {6, false, 2}, {3, false, 2}, {5, true, 4}, {6, true, 4}};
    for (Case const& c : cases) {
        SCOPED_TRACE(testing::Message() << "length " << c.length << (c.reverce ? " reverce" : ""));
        PartialScanData<6> w;
        ASSERT_TRUE(w.SetLength(c.length));
        ASSERT_TRUE(c.reverce ? w.ReverceSet(line.ReverceAt(7)) : w.Set(line.At(1)));
        PartialScanData<6> const before(w);
        ASSERT_FALSE(c.reverce ? w.ReverceDelete(c.index, true) : w.Delete(c.index, true));
        ASSERT_EQ(w.GetLength(), before.GetLength());
        for (unsigned i = 0; i < w.GetLength(); ++i) {
            EXPECT_EQ(w[i].colour, before[i].colour) << i;
            EXPECT_EQ(w[i].grey, before[i].grey) << i;
            EXPECT_EQ(w[i].begin, before[i].begin) << i;
            EXPECT_EQ(w[i].end, before[i].end) << i;
            EXPECT_EQ(w[i].samples, before[i].samples) << i;
            EXPECT_EQ(w[i].magnitude, before[i].magnitude) << i;
            EXPECT_EQ(w[i].lineIndex, before[i].lineIndex) << i;
        }
        EXPECT_EQ(w.GetContrast(), before.GetContrast());
        EXPECT_EQ(w.GetDarkMinimum(), before.GetDarkMinimum());
        EXPECT_EQ(w.GetLightMaximum(), before.GetLightMaximum());
        EXPECT_EQ(w.GetWeakestDarkIndex(), before.GetWeakestDarkIndex());
        EXPECT_EQ(w.GetWeakestLight(), before.GetWeakestLight());
        EXPECT_EQ(w.GetIterator().GetIndex(), before.GetIterator().GetIndex());
        EXPECT_EQ(w.GetSpan(), before.GetSpan());
    }
}

// Two light specks in the first bars, then plain bars and spaces.
RunList const kNoisy{{'L', 900, 40}, {'D', 100, 20}, {'L', 200, 1},  {'D', 100, 20}, {'L', 900, 20}, {'D', 100, 20},
                     {'L', 250, 2},  {'D', 100, 20}, {'L', 900, 20}, {'D', 100, 20}, {'L', 900, 40}};

TEST(ScanWindowTest, NoiseGoesWeakestFirstUntilTheRestStandsOut)
{
    PartialScanData<4> w;
    ASSERT_TRUE(w.Set(kNoisy.At(1)));
    EXPECT_EQ(w.GetWeakestLight(), 26u);
    // The next weakest light (75) is more than twice as strong: one deletion.
    ASSERT_TRUE(w.DeleteNoise());
    ExpectEntries(w, {{40, 81, 100}, {81, 101, 900}, {101, 121, 100}, {121, 123, 250, 75}});
    EXPECT_EQ(w.GetDeletedLight(), 26u);
    ASSERT_TRUE(w.DeleteNoise());
    ExpectEntries(w, {{40, 81, 100}, {81, 101, 900}, {101, 143, 100}, {143, 163, 900}});
    // The weakest run is now the bar after the window: too deep to go.
    EXPECT_EQ(w.GetWeakestDarkIndex(), 4u);
    EXPECT_FALSE(w.DeleteNoise());
    EXPECT_EQ(w.GetEnd(), 163);

    // A pass that merges one speck and is then refused the next, too deep
    // to be noise, fails: the window's weakest run is part of the symbol.
    RunList const deep{{'L', 900, 40}, {'D', 100, 20}, {'L', 200, 1},  {'D', 100, 20}, {'L', 300, 1},  {'D', 100, 20},
                       {'L', 900, 20}, {'D', 100, 20}, {'L', 900, 20}, {'D', 100, 20}, {'L', 900, 40}};
    ASSERT_TRUE(w.Set(deep.At(1)));
    EXPECT_FALSE(w.DeleteNoise());
    ExpectEntries(w, {{40, 81, 100}, {81, 82, 300}, {82, 102, 100}, {102, 122, 900}});

    struct Case {
        unsigned minimum;
        unsigned maximum;
        long long span;
    };
    Case const cases[] = {
        {10, 50, 61},     // already wider: kept
        {100, 200, 123},  // too narrow: both specks merged
        {200, 300, 123},  // cannot grow further: the last good window stands
        {61, 200, 123},   // in range: the best score after each deletion
        {61, 90, 83},     // the best window that stays under the maximum
    };
    for (Case const& c : cases) {
        ASSERT_TRUE(w.Set(kNoisy.At(1)));
        EXPECT_TRUE(w.AdjustmentWidth(c.minimum, c.maximum));
        EXPECT_EQ(w.GetSpan(), c.span) << c.minimum << ".." << c.maximum;
    }
    ASSERT_TRUE(w.Set(kNoisy.At(1)));
    EXPECT_TRUE(w.ForceAdjustmentWidth(100));
    EXPECT_EQ(w.GetEnd(), 101);
    EXPECT_TRUE(w.ForceAdjustmentWidth(120));
    EXPECT_EQ(w.GetEnd(), 123);
}

// Quiet zone 0..30 with a dark speck at 30..32, the window's bars 52..92,
// the symbol's own bar after it, then a bar at 117.
RunList MarginLine(int speckFollower, bool inverted)
{
    RunList line{{'L', speckFollower, 30}, {'D', 150, 2}, {'L', 880, 20}, {'D', 100, 10}, {'L', 900, 10},
                 {'D', 100, 10},           {'L', 900, 10}, {'D', 100, 10}, {'L', 900, 15}, {'D', 100, 5},
                 {'L', 900, 30}};
    for (auto& r : line.runs) {
        if (inverted) {
            r.colour = static_cast<unsigned char>(1 - r.colour);
            r.grey = 1000 - r.grey;
        }
    }
    return line;
}

TEST(ScanWindowTest, MarginsCountSpecksAndMeasureToTheStoppingBar)
{
    struct Case {
        char const* name;
        int speckFollower;
        unsigned width;
        bool after;
        bool innerLevels;
        unsigned specks;
        bool passes;
    };
    Case const cases[] = {
        {"before: up to the speck", 900, 20, false, false, 0, true},
        {"before: speck too close", 900, 21, false, false, 0, false},
        {"before: speck tolerated, line ends", 900, 500, false, false, 1, true},
        {"before: faint follower, no speck", 600, 500, false, false, 0, true},
        {"after: own bar passed over, gap 25", 900, 25, true, false, 0, true},
        {"after: gap too short", 900, 26, true, false, 0, false},
        {"after: inner levels need a space above 900", 900, 26, true, true, 0, true},
    };
    for (bool inverted : {false, true}) {
        for (Case const& c : cases) {
            RunList const line = MarginLine(c.speckFollower, inverted);
            PartialScanData<4> w;
            ASSERT_TRUE(w.Set(line.At(3)));
            bool const passes = inverted ? w.CheckBlackMargin(c.width, c.after, c.innerLevels, c.specks)
                                         : w.CheckMargin(c.width, c.after, c.innerLevels, c.specks);
            EXPECT_EQ(passes, c.passes) << c.name << (inverted ? " on a dark ground" : "");
        }
    }
}

TEST(ScanWindowTest, CorrectRemeasuresWidthsByContrast)
{
    PartialScanData<4> w;
    ASSERT_TRUE(w.Set(kLevels.At(1)));
    w.Correct();
    // Widths magnitude / 200 around each centre, then each boundary moved
    // toward the run with the larger grey shortfall.
    ExpectEntries(w, {{40, 50, 100, 2000}, {50, 60, 900, 2000}, {60, 79, 100, 3800}, {79, 90, 900, 2200}});
    // Light maximum and dark minimum less than 4 apart: nothing to do.
    RunList const faint{{'L', 900, 40}, {'D', 500, 10}, {'L', 501, 10}, {'D', 501, 10},
                        {'L', 502, 10}, {'D', 500, 10}, {'L', 900, 40}};
    ASSERT_TRUE(w.Set(faint.At(1)));
    w.Correct();
    ExpectEntries(w, {{40, 50, 500}, {50, 60, 501}, {60, 70, 501}, {70, 80, 502}});
}

// Quiet zone, four bars and four spaces of 10, quiet zone.
RunList Bars(int secondBarGrey = 100)
{
    return RunList{{'L', 900, 40}, {'D', 100, 10}, {'L', 900, 10}, {'D', secondBarGrey, 10}, {'L', 900, 10},
                   {'D', 100, 10}, {'L', 900, 10}, {'D', 100, 10}, {'L', 900, 40}};
}

TEST(ScanWindowTest, SearchFindsAClearWindowNearTheStart)
{
    unsigned const none = CommonPartialScanData::kNoDistanceLimit;
    struct Case {
        char const* name;
        int secondBarGrey;
        bool light;
        unsigned reference;
        unsigned distance;
        int begin;  // -1: refused
    };
    Case const cases[] = {
        {"first bar at or after 45", 100, false, 800, none, 60},
        {"first space at or after 45", 100, true, 800, none, 50},
        {"bar beyond the distance", 100, false, 800, 14, -1},
        {"bar just within it", 100, false, 800, 15, 60},
        {"contrast 3 x the reference", 100, false, 267, none, 60},
        {"contrast above it", 100, false, 266, none, -1},
        {"reference 3 x the contrast", 100, false, 2400, none, 60},
        {"reference above it", 100, false, 2401, none, -1},
        {"a grey first bar is passed", 700, false, 800, none, 80},
    };
    for (Case const& c : cases) {
        RunList const line = Bars(c.secondBarGrey);
        PartialScanData<4> w;
        bool const found = w.Set(line.At(0), c.light, 45, c.reference, 0, 1000, c.distance);
        EXPECT_EQ(found ? w.GetBegin() : -1, c.begin) << c.name;
    }
    RunList const line = Bars();
    PartialScanData<4> w;
    ASSERT_TRUE(w.ForceSet(line.At(0), false, 45, 800, 95));
    EXPECT_EQ(w.GetEnd(), 100);
}

TEST(ScanWindowTest, SteppingToTheNextWindow)
{
    // Next window: contiguous, within a factor of three of the contrast.
    RunList const faintTail{{'L', 900, 40}, {'D', 100, 10}, {'L', 900, 10}, {'D', 100, 10}, {'L', 900, 10},
                            {'D', 100, 10}, {'L', 900, 10}, {'D', 100, 10}, {'L', 600, 10}, {'D', 480, 10},
                            {'L', 560, 10}, {'D', 480, 10}, {'L', 560, 10}, {'D', 480, 10}, {'L', 900, 40}};
    PartialScanData<4> w;
    ASSERT_TRUE(w.Set(faintTail.At(1)));
    PartialScanData<4> next;
    ASSERT_TRUE(next.SetNextRunLengthData(w, 35, 45));
    EXPECT_EQ(next.GetBegin(), 80);
    EXPECT_FALSE(next.SetNextRunLengthData(35, 45));  // contrast 120 after 800
    EXPECT_EQ(next.GetContrast(), 120);

    // A grey speck (300) too deep for a plain deletion goes when a noise
    // mode fits the next window toward its target end.
    RunList const speck{{'L', 900, 40}, {'D', 100, 10}, {'L', 900, 10}, {'D', 100, 10}, {'L', 300, 1},
                        {'D', 100, 9},  {'L', 900, 10}, {'D', 100, 10}, {'L', 900, 40}};
    for (unsigned mode : {0u, 1u}) {
        PartialScanData<2> pair(mode);
        ASSERT_TRUE(pair.Set(speck.At(1)));
        ASSERT_TRUE(pair.SetNextRunLengthData(20, 20));
        EXPECT_EQ(pair.GetEnd(), mode == 0 ? 71 : 90);
    }

    // Next character: the next clear bar after the gap; from a start point.
    RunList const chars{{'L', 900, 40}, {'D', 100, 10}, {'L', 900, 10}, {'D', 100, 10}, {'L', 900, 20}, {'D', 700, 10},
                        {'L', 900, 10}, {'D', 100, 10}, {'L', 900, 10}, {'D', 100, 10}, {'L', 900, 40}};
    PartialScanData<3> c;
    ASSERT_TRUE(c.Set(chars.At(1)));
    ASSERT_TRUE(c.SetNextCharRunLengthData(0, 100));
    EXPECT_EQ(c.GetBegin(), 110);  // the grey bar at 90 is passed
    EXPECT_FALSE(c.SetNextCharRunLengthData(0, 100));
    struct FromPrev {
        bool skipOne;
        bool opposite;
        unsigned start;
        int begin;
    };
    for (FromPrev const& f : {FromPrev{false, false, 95, 110}, FromPrev{false, true, 95, 70},
                              FromPrev{true, true, 95, 100}, FromPrev{false, false, 65, 60}}) {
        ASSERT_TRUE(c.Set(chars.At(1)));
        if (f.start < 70) {
            ASSERT_TRUE(c.SetNextCharRunLengthData(0, 100));
        }
        ASSERT_TRUE(c.SetNextCharRunLengthDataFromPrev(f.skipOne, f.opposite, f.start, 0, 100));
        EXPECT_EQ(c.GetBegin(), f.begin) << f.skipOne << f.opposite << f.start;
    }

    // Overlapped windows keep their last runs.
    RunList const bars = Bars();
    ASSERT_TRUE(w.Set(bars.At(1)));
    ASSERT_TRUE(w.SetOverlappedRunLengthData(2, 0, 1000));
    EXPECT_EQ(w.GetBegin(), 60);
    EXPECT_EQ(w.GetMarginGrey(), 100);  // the first kept run's grey
    EXPECT_FALSE(w.SetOverlappedRunLengthData(5, 0, 1000));
    EXPECT_FALSE(w.SetOverlappedRunLengthData(1, 0, 1000));  // 3 runs needed, 2 left
    PartialScanData<6> wide;
    ASSERT_TRUE(wide.Set(bars.At(1)));
    ASSERT_TRUE(w.Set(wide, 2, 0, 1000));
    EXPECT_EQ(w.GetBegin(), 80);
    ASSERT_TRUE(w.Set(bars.At(1)));
    EXPECT_FALSE(w.SetOverlappedRunLengthDataPart(2, 0, 1000, 100, 900));
}

}  // namespace
}  // namespace scan_test
