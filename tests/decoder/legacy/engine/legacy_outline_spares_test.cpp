// Outline and four-corner tools of the legacy engine on hand-made shapes and
// random points, against double-precision references.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "decoder/legacy/engine/legacy_outline_spares.h"
#include "tests/support/random.h"

namespace {

TEST(LegacyOutlineSparesTest, StraightRunsAndTheirTurningPoint)
{
    // A run along y = 0.3 x, rounded to whole pixels, is straight; one point
    // pushed 3 pixels off is not; an L-shaped outline turns at its corner.
    std::vector<POINT_st> run;
    for (int x = 0; x < 60; ++x) {
        run.push_back({x, static_cast<int>(std::lround(0.3 * x))});
    }
    POINT_st mean{};
    EXPECT_EQ(IsLineSimple(run.data(), 60, &mean), 1);
    EXPECT_EQ(mean.x, 1);  // (0 + 1 + 2 + 3) / 4
    EXPECT_EQ(mean.y, 0);  // (0 + 0 + 1 + 1) / 4
    run[30].y += 3;
    EXPECT_EQ(IsLineSimple(run.data(), 60, &mean), 0);
    std::vector<PointShort_st> shortRun;
    for (POINT_st const& p : run) {
        shortRun.push_back({static_cast<short>(p.x), static_cast<short>(p.y)});
    }
    EXPECT_EQ(IsShortPointsNearLine(shortRun.data(), 60, 1), 0);
    EXPECT_EQ(IsShortPointsNearLine(shortRun.data(), 60, 9), 1);
    EXPECT_EQ(IsLineSimple(run.data(), 1, &mean), -1);
    POINT_st const loop[3] = {{5, 5}, {9, 9}, {5, 5}};
    EXPECT_EQ(IsLineSimple(loop, 3, &mean), -1);

    std::vector<POINT_st> outline;
    for (int i = 0; i <= 40; ++i) {
        outline.push_back({10 + i, 20});  // along the top
    }
    for (int i = 1; i <= 25; ++i) {
        outline.push_back({50, 20 + i});  // down the side
    }
    POINT_st three[3];
    EXPECT_EQ(GetBoundary3Point(outline.data(), static_cast<int>(outline.size()), three), 40);
    EXPECT_EQ(three[1].x, 50);
    EXPECT_EQ(three[1].y, 20);
    EXPECT_EQ(three[2].y, 45);
    EXPECT_EQ(GetBoundary3Point(outline.data(), 1001, three), -1);
}

TEST(LegacyOutlineSparesTest, UpperAndLowerLinesOfABandAndTheirParallelism)
{
    // Points of two edges of a band, y = 10 + 0.2 x and y = 30 + 0.25 x,
    // offered mixed: the line through all of them runs between the two.
    std::vector<POINT_st> points;
    for (int x = 0; x < 200; x += 4) {
        points.push_back({x, static_cast<int>(std::lround(10 + 0.2 * x))});
        points.push_back({x + 2, static_cast<int>(std::lround(30 + 0.25 * (x + 2)))});
    }
    Line_st upper{};
    Line_st lower{};
    ASSERT_EQ(GetNearUpDownLine(points.data(), static_cast<int>(points.size()), &upper, &lower), 0);
    ASSERT_EQ(upper.orientation, 0);
    ASSERT_EQ(lower.orientation, 0);
    EXPECT_NEAR(upper.slope / 1024.0, 0.2, 0.01);
    EXPECT_NEAR(upper.offset / 1024.0, 10, 0.6);
    EXPECT_NEAR(lower.slope / 1024.0, 0.25, 0.01);
    EXPECT_NEAR(lower.offset / 1024.0, 30, 0.6);
    EXPECT_EQ(GetNearUpDownLine(points.data(), 1, &upper, &lower), -1);
    EXPECT_EQ(upper.orientation, -1);

    Line_st const a{0, static_cast<int>(0.2 * (1 << 20)), 0};
    Line_st const b{0, static_cast<int>(0.25 * (1 << 20)), 5 << 20};
    Line_st const steep{1, 1000, 0};
    EXPECT_EQ(Check2LineHori(&a, &b), static_cast<int>(0.25 * (1 << 20)) - static_cast<int>(0.2 * (1 << 20)));
    EXPECT_EQ(Check2LineHori(&b, &b), 0);
    EXPECT_EQ(Check2LineHori(&a, &steep), -1);
    EXPECT_EQ(Check2LineVert(&steep, &steep), 0);
    EXPECT_EQ(Check2LineVert(&a, &steep), -1);
}

TEST(LegacyOutlineSparesTest, CornersAreOrderedAndSquared)
{
    // A turned rectangle, clockwise on the image: every order of its corners
    // comes back to it, from corner 0 on.
    POINT_st const square[4] = {{100, 50}, {180, 110}, {140, 164}, {60, 104}};
    int const orders[][4] = {{0, 1, 2, 3}, {0, 3, 2, 1}, {0, 2, 1, 3}, {0, 2, 3, 1}, {0, 1, 3, 2}, {0, 3, 1, 2}};
    for (auto const& order : orders) {
        POINT_st c[4];
        for (int i = 0; i < 4; ++i) {
            c[i] = square[order[i]];
        }
        ASSERT_EQ(CorrectRect(c), 0);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(c[i].x, square[i].x) << order[1] << order[2] << order[3] << " corner " << i;
            EXPECT_EQ(c[i].y, square[i].y);
        }
    }
    POINT_st reversed[4] = {square[0], square[3], square[2], square[1]};
    EXPECT_EQ(CorrectRectDire(reversed), 1);
    EXPECT_EQ(reversed[1].x, square[1].x);
    EXPECT_EQ(CorrectRectDire(reversed), 0);
    POINT_st flat[4] = {{0, 0}, {10, 0}, {20, 0}, {30, 0}};
    EXPECT_EQ(CorrectRect(flat), -1);

    PointShort_st p[4] = {{0, 0}, {100, 0}, {130, 50}, {30, 50}};
    ASSERT_EQ(ParallelogramToRectangle(p), 0);
    EXPECT_EQ(p[2].x, 100);
    EXPECT_EQ(p[2].y, 50);
    EXPECT_EQ(p[3].x, 0);
    EXPECT_EQ(p[3].y, 50);
    PointShort_st degenerate[4] = {{0, 0}, {10, 0}, {5, 5}, {5, 5}};
    EXPECT_EQ(ParallelogramToRectangle(degenerate), -1);
}

TEST(LegacyOutlineSparesTest, ExtremePointsAlongADirection)
{
    support::Random random(917);
    for (int trial = 0; trial < 50; ++trial) {
        int const dx = random.integer(-9, 9);
        int const dy = trial == 0 ? 0 : random.integer(-9, 9);
        PointShort_st extremes[2]{};
        int count = 0;
        double lo = 1e18;
        double hi = -1e18;
        PointShort_st least{};
        PointShort_st most{};
        for (int i = 0; i < 40; ++i) {
            PointShort_st const q{static_cast<short>(random.integer(-500, 500)),
                                  static_cast<short>(random.integer(-500, 500))};
            int const r = SortNewPoint(extremes, &count, q, dx, dy);
            if (dx == 0 && dy == 0) {
                ASSERT_EQ(r, -1);
                continue;
            }
            double const along = static_cast<double>(q.x) * dx + static_cast<double>(q.y) * dy;
            if (along < lo) {
                lo = along, least = q;
            }
            if (along > hi) {
                hi = along, most = q;
            }
        }
        if (dx == 0 && dy == 0) {
            continue;
        }
        EXPECT_EQ(count, 40);
        EXPECT_EQ(extremes[0].x, least.x);
        EXPECT_EQ(extremes[0].y, least.y);
        EXPECT_EQ(extremes[1].x, most.x);
        EXPECT_EQ(extremes[1].y, most.y);
    }
}

}  // namespace
