#include <gtest/gtest.h>

#include <vector>

#include "decoder/core/arithmetic/dec_math.h"
#include "decoder/core/gray_image.h"
#include "decoder/linear/roads/scan_band.h"
#include "decoder/linear/roads/scan_schedule.h"

namespace DEC2DIvra {
namespace {

TEST(FrameScanScheduleTest, IndicesRunFromTheCentreOutwardWithTheirCompanionRanges)
{
    unsigned const positions[] = {7, 8, 6, 9, 5, 10, 4, 11, 3, 12, 2, 13, 1, 14, 0, 15};
    bool seen[16] = {};
    for (unsigned i = 0; i < 16; ++i) {
        unsigned const p = ScanSchedule::GetPosition(i);
        EXPECT_EQ(p, positions[i]);
        seen[p] = true;
        // The companion tables are the range of positions read so far.
        unsigned lo = 99;
        unsigned hi = 0;
        for (unsigned k = 0; k <= i; ++k) {
            lo = positions[k] < lo ? positions[k] : lo;
            hi = positions[k] > hi ? positions[k] : hi;
        }
        EXPECT_EQ(ScanSchedule::GetLowestPosition(i), lo) << i;
        EXPECT_EQ(ScanSchedule::GetHighestPosition(i), hi) << i;
    }
    for (bool s : seen) {
        EXPECT_TRUE(s);
    }
}

TEST(FrameScanScheduleTest, NarrowBandsUseThePositionsAroundTheMiddle)
{
    struct {
        unsigned lines;
        unsigned index;
        bool ok;
        unsigned position;
    } const cases[] = {
        {4, 0, true, 7},   {4, 1, true, 8},   {4, 2, true, 6},  {4, 3, true, 9},
        {4, 4, true, 7},   // folds inward; the schedule never reads index 4 of a 4-line band
        {5, 4, true, 5},   {5, 5, true, 8},   {16, 14, true, 0}, {16, 15, true, 15},
        {300, 15, true, 15}, {1, 0, false, 0}, {16, 16, false, 0},
    };
    for (auto const& c : cases) {
        unsigned p = 99;
        EXPECT_EQ(ScanSchedule::CalcPosition(c.index, c.lines, p), c.ok) << c.lines << "/" << c.index;
        if (c.ok) {
            EXPECT_EQ(p, c.position) << c.lines << "/" << c.index;
        }
    }
    // Weights put positions 6 and 9 of a 4-line band on its first and last line.
    int a = 0;
    int b = 0;
    ASSERT_TRUE(ScanSchedule::CalcWeights(6, 4, a, b));
    EXPECT_EQ(a, 3);
    EXPECT_EQ(b, 0);
    ASSERT_TRUE(ScanSchedule::CalcWeights(9, 4, a, b));
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 3);
    ASSERT_TRUE(ScanSchedule::CalcWeights(0, 16, a, b));
    EXPECT_EQ(a, 15);
    EXPECT_FALSE(ScanSchedule::CalcWeights(5, 4, a, b));
}

class FrameScanBandTest : public ::testing::Test {
protected:
    std::vector<unsigned short> pixels = std::vector<unsigned short>(640 * 480, 512);
    GrayImage image{640, 480, 640, pixels.data()};

    static Region Quad(Point a, Point b, Point c, Point d) { return Region{{a, b, c, d}}; }
};

TEST_F(FrameScanBandTest, StepFollowsTheAcrossDirection)
{
    struct {
        Region region;
        Vector step;
        bool fourConnected;
    } const cases[] = {
        {Quad({100, 100}, {300, 100}, {300, 140}, {100, 140}), {0, 1}, false},   // fourth corner below
        {Quad({100, 140}, {300, 140}, {300, 100}, {100, 100}), {0, -1}, false},  // above
        {Quad({100, 300}, {100, 100}, {140, 100}, {140, 300}), {1, 0}, false},   // to the right
        {Quad({100, 300}, {300, 100}, {310, 110}, {110, 310}), {1, 1}, true},    // (10, 10): a diagonal
        {Quad({200, 100}, {400, 300}, {370, 330}, {170, 130}), {-1, 1}, true},
    };
    for (auto const& c : cases) {
        BarCodeScanRegion band;
        ASSERT_TRUE(band.Set(image, c.region)) << c.region.corner[3].x;
        EXPECT_EQ(band.GetStepVector(), c.step) << c.region.corner[3].x;
        EXPECT_EQ(band.GetStep(), c.step.dx + c.step.dy * 640);
        EXPECT_EQ(band.IsFourConnected(), c.fourConnected) << c.region.corner[3].x;
        EXPECT_EQ(band.GetLocatedRegion(), c.region);
    }
}

// A region longer across than its lines (a tall stacked symbol) lying 15 to
// 20 degrees off an axis: the lines step along the axis, which keeps them on
// the symbol; a step 45 degrees further on would leave it after a few lines.
TEST_F(FrameScanBandTest, TallRegionStepsAlongThePrincipalDirectionNearestItsAcross)
{
    struct {
        Vector across;
        Vector step;
    } const cases[] = {
        {{100, -27}, {1, 0}},   // 15 degrees past +x, counter-clockwise
        {{100, 36}, {1, 0}},    // 20 degrees the other way
        {{-100, 27}, {-1, 0}},  // 195 degrees
        {{-27, -100}, {0, -1}},
        {{36, 100}, {0, 1}},
        {{100, -58}, {1, -1}},  // 30 degrees: nearer the diagonal
        {{-58, 100}, {-1, 1}},
    };
    for (auto const& c : cases) {
        // Lines 160 pixels long across a band as long as the across vector,
        // centred in the frame.
        long long const length = DecMath::Sqrt(static_cast<unsigned long long>(c.across.dx * c.across.dx +
                                                                                c.across.dy * c.across.dy));
        int const rx = static_cast<int>(-c.across.dy * 160 / length);
        int const ry = static_cast<int>(c.across.dx * 160 / length);
        Point const a{320 - c.across.dx - rx / 2, 240 - c.across.dy - ry / 2};
        Point const d{a.x + 2 * c.across.dx, a.y + 2 * c.across.dy};
        BarCodeScanRegion band;
        ASSERT_TRUE(band.Set(image, Quad(a, {a.x + rx, a.y + ry}, {d.x + rx, d.y + ry}, d)))
            << c.across.dx << "," << c.across.dy;
        EXPECT_EQ(band.GetStepVector(), c.step) << c.across.dx << "," << c.across.dy;
    }
}

TEST_F(FrameScanBandTest, FixedBandCoversItsRowsOneLinePerRow)
{
    BarCodeScanRegion band;
    ASSERT_TRUE(band.Set(image, Quad({0, 224}, {639, 224}, {639, 255}, {0, 255})));
    EXPECT_EQ(band.GetLineCount(), 32u);
    EXPECT_EQ(band.GetCorner(0), (Point{0, 224}));
    EXPECT_EQ(band.GetCorner(1), (Point{639, 224}));
    EXPECT_EQ(band.GetCorner(2), (Point{639, 255}));
    EXPECT_EQ(band.GetCorner(3), (Point{0, 255}));
    EXPECT_EQ(band.GetSkew(), 0);
}

TEST_F(FrameScanBandTest, BandIsTrimmedToTheImage)
{
    // A region hanging over the bottom edge.
    BarCodeScanRegion band;
    ASSERT_TRUE(band.Set(image, Quad({50, 450}, {200, 450}, {200, 530}, {50, 530})));
    for (unsigned i = 0; i < 4; ++i) {
        EXPECT_TRUE(image.IsInside(band.GetCorner(i).x, band.GetCorner(i).y)) << i;
    }
    EXPECT_EQ(band.GetLineCount(), 30u);  // rows 450 .. 479
}

TEST_F(FrameScanBandTest, RefusesRegionsThatGiveNoBand)
{
    Region const cases[] = {
        Quad({700, 100}, {900, 100}, {900, 140}, {700, 140}),  // wholly outside
        Quad({-50, 450}, {200, 450}, {200, 530}, {-50, 530}),  // its start side misses the image
        Quad({100, 100}, {300, 100}, {300, 101}, {100, 101}),  // two lines
        Quad({100, 100}, {100, 100}, {100, 100}, {100, 100}),  // a point
        Quad({100, 100}, {300, 100}, {300, 100}, {100, 100}),  // no across extent
        Quad({-90000000, 0}, {90000000, 0}, {90000000, 40}, {-90000000, 40}),
    };
    for (Region const& r : cases) {
        BarCodeScanRegion band;
        EXPECT_FALSE(band.Set(image, r)) << r.corner[0].x << "," << r.corner[2].y;
    }
    GrayImage const empty;
    BarCodeScanRegion band;
    EXPECT_FALSE(band.Set(empty, Quad({1, 1}, {30, 1}, {30, 20}, {1, 20})));
}

TEST_F(FrameScanBandTest, ThinSkewedRegionFallsBackToItself)
{
    // Quantised sides of Chebyshev length 2 and 4: fewer than 4 lines by the
    // shorter, enough by the longer.
    Region const r = Quad({100, 100}, {200, 100}, {202, 104}, {100, 102});
    BarCodeScanRegion band;
    ASSERT_TRUE(band.Set(image, r));
    EXPECT_EQ(band.GetBand(), r);
    EXPECT_GE(band.GetLineCount(), 4u);
}

}  // namespace
}  // namespace DEC2DIvra
