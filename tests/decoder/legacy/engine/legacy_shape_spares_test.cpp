// Point, rectangle and border tools of the legacy engine against
// double-precision references and hand-made shapes.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <vector>

#include "decoder/legacy/engine/legacy_index_sort.h"
#include "decoder/legacy/engine/legacy_line_sharpening.h"
#include "decoder/legacy/engine/legacy_point_spares.h"
#include "decoder/legacy/engine/legacy_rectangle_spares.h"
#include "tests/support/random.h"

namespace {

TEST(LegacyShapeSparesTest, ConstantAnswers)
{
    EXPECT_EQ((std::vector<int>{is_line_through_rectangle(), move_rectangleEx(), sqr_point2line_newEx(),
                                LimitToScreenTopRunlength()}),
              (std::vector<int>{0, -1, 0, -1}));
}

TEST(LegacyShapeSparesTest, PointArithmeticNeitherOverflowsNorLosesSign)
{
    // (2^32 - 1)^2 passes 64 signed bits: the answer saturates.
    EXPECT_EQ(calc_sqr_point_struct({INT_MIN, 0}, {INT_MAX, 0}), LLONG_MAX);
    EXPECT_EQ(calc_sqr_point_struct({-40000, 0}, {40000, 30000}), 7300000000LL);
    struct Division {
        POINT_st p;
        int d;
        POINT_st out;
    };
    for (Division c : {Division{{7, -7}, 2, {4, -4}}, Division{{5, -5}, -2, {-3, 3}}, Division{{9, 10}, 4, {2, 3}}}) {
        POINT_st out{};
        ASSERT_EQ(divide_point_struct(&out, c.p, c.d), 0);
        EXPECT_EQ(out.x, c.out.x);
        EXPECT_EQ(out.y, c.out.y);
    }
    POINT_st out{1, 2};
    EXPECT_EQ(divide_point_struct(&out, {5, 5}, 0), -1);
    EXPECT_EQ(out.x, 1);
    POINT_st a{1, 2}, b{3, 4};
    swap_point_struct(&a, &b);
    EXPECT_EQ(a.x * 10 + a.y, 34);
    EXPECT_EQ(b.x * 10 + b.y, 12);
    int major = 0, minor = 0;
    EXPECT_EQ(AcrossAngle({-7, 3}, &major, &minor), 0);
    EXPECT_EQ(major * 10 + minor, 73);
    EXPECT_EQ(AcrossAngle({2, -9}, &major, &minor), 1);
    EXPECT_EQ(major * 10 + minor, 92);
}

TEST(LegacyShapeSparesTest, MovedPointsStayOnTheirDirection)
{
    support::Random random(1171);
    for (int i = 0; i < 2000; ++i) {
        int const dx = random.integer(-300, 300);
        int const dy = random.integer(-300, 300);
        int const step = random.integer(-100, 100);
        POINT_st const p{random.integer(-500, 500), random.integer(-500, 500)};
        POINT_st out{};
        if (dx == 0 && dy == 0) {
            EXPECT_EQ(COM_move_point(&out, p, dx, dy, step), -1);
            continue;
        }
        ASSERT_EQ(COM_move_point(&out, p, dx, dy, step), 0);
        double const major = std::max(std::abs(dx), std::abs(dy));
        EXPECT_NEAR(out.x, p.x + step * dx / major, 1.0 - 1e-9);
        EXPECT_NEAR(out.y, p.y + step * dy / major, 1.0 - 1e-9);
        EXPECT_EQ(std::abs(std::abs(dx) >= std::abs(dy) ? out.x - p.x : out.y - p.y), std::abs(step));
    }
    POINT_st a{10, 10}, b{30, 20};
    ASSERT_EQ(extend_line_fix(&a, &b, 4), 0);
    EXPECT_EQ(a.x * 1000 + a.y, 6008);
    EXPECT_EQ(b.x * 1000 + b.y, 34022);
    POINT_st c{5, 5}, d{5, 5};
    EXPECT_EQ(extend_line_fix(&c, &d, 4), -1);
}

TEST(LegacyShapeSparesTest, AngleLimitAndCollinearityMatchTheExactTest)
{
    support::Random random(1172);
    for (int i = 0; i < 4000; ++i) {
        int const ax = random.integer(-1000, 1000), ay = random.integer(-1000, 1000);
        int const bx = random.integer(-1000, 1000), by = random.integer(-1000, 1000);
        int const limit = random.integer(-100, 100);
        double const lhs = limit * std::hypot(ax, ay) * std::hypot(bx, by);
        double const rhs = 100.0 * (1.0 * ax * bx + 1.0 * ay * by);
        if (std::fabs(lhs - rhs) < 1e-3 * (std::fabs(lhs) + 1)) {
            continue;
        }
        ASSERT_EQ(COM_check_angle(ax, ay, bx, by, limit), lhs > rhs ? -1 : 0) << ax << "," << ay << " " << bx << ","
                                                                               << by << " " << limit;
    }
    struct Case {
        PointShort_st a, b, p;
        int on;
    };
    for (Case c : {Case{{0, 0}, {4, 2}, {-8, -4}, 1}, Case{{0, 0}, {4, 2}, {8, 5}, 0}, Case{{3, 3}, {3, 3}, {3, 3}, 1},
                   Case{{3, 3}, {3, 3}, {4, 4}, 0}, Case{{-30000, 0}, {30000, 1}, {0, 0}, 0}}) {
        EXPECT_EQ(IsPointOnLine(c.a, c.b, c.p), c.on);
    }
}

TEST(LegacyShapeSparesTest, RectanglesMoveMergeAndMeasure)
{
    POINT_st const square[4] = {{0, 0}, {100, 0}, {100, 60}, {0, 60}};
    struct Move {
        int side, amount;
        POINT_st corners[4];
    };
    for (Move const& m : {Move{0, 1, {{0, -30}, {100, -30}, {100, 60}, {0, 60}}},
                          Move{1, -1, {{0, 0}, {50, 0}, {50, 60}, {0, 60}}},
                          Move{3, 2, {{-100, 0}, {100, 0}, {100, 60}, {-100, 60}}}}) {
        POINT_st out[4];
        ASSERT_EQ(move_rectangle(out, square, m.side, m.amount), 0);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(out[i].x, m.corners[i].x) << m.side << " " << i;
            EXPECT_EQ(out[i].y, m.corners[i].y) << m.side << " " << i;
        }
    }
    POINT_st out[4];
    EXPECT_EQ(move_rectangle(out, square, 4, 1), -1);

    long long area = 0;
    ASSERT_EQ(COM_calc_rectangle_area(&area, square), 0);
    EXPECT_EQ(area, 2 * 100 * 60);
    POINT_st const turned[4] = {{0, 0}, {30, 40}, {-10, 70}, {-40, 30}};
    ASSERT_EQ(COM_calc_rectangle_area(&area, turned), 0);
    EXPECT_EQ(area, 2 * 50 * 50);
    POINT_st const flat[4] = {{1, 1}, {1, 1}, {5, 5}, {6, 6}};
    EXPECT_EQ(COM_calc_rectangle_area(&area, flat), -1);

    POINT_st const other[4] = {{50, -20}, {150, -20}, {150, 40}, {50, 40}};
    POINT_st merged[4];
    connect_rectangle(merged, square, other);
    POINT_st const expected[4] = {{0, 0}, {150, -20}, {150, 40}, {0, 60}};
    EXPECT_EQ(IsSameRect(merged, expected), 1);
    EXPECT_EQ(IsSameRect(merged, square), 0);
    POINT_st centre{};
    calc_rectangle_centre(&centre, other);
    EXPECT_EQ(centre.x * 1000 + centre.y, 100010);

    int const xs[4] = {0, 256, 256, 0};
    int const ys[4] = {0, 0, 256, 256};
    struct Inside {
        int x, y, shrink, inside;
    };
    for (Inside c : {Inside{20, 128, 0, 1}, Inside{20, 128, 32, 0}, Inside{40, 128, 32, 1}, Inside{128, 230, 32, 0},
                     Inside{128, 220, 32, 1}}) {
        EXPECT_EQ(PointInArea(c.x, c.y, xs, ys, c.shrink), c.inside) << c.x << "," << c.y;
    }
}

TEST(LegacyShapeSparesTest, BorderCrossingsAndScanClipping)
{
    COM_set_screen_size(640, 480);
    POINT_st inside[4];
    ASSERT_EQ(GetRectangleInScreen(inside), 0);
    EXPECT_EQ(inside[2].x * 1000 + inside[2].y, 637477);
    POINT_st corners[4] = {{-5, 3}, {700, 10}, {300, 300}, {10, 900}};
    EXPECT_EQ(RectLimitToScreen(corners), 3);
    EXPECT_EQ(corners[0].x * 1000 + corners[0].y, 2003);
    EXPECT_EQ(corners[3].x * 1000 + corners[3].y, 10477);

    struct Border {
        Line_st line;
        int result;
        POINT_st a, b;
    };
    for (Border const& c : {Border{{0, 0, 100 * 1024}, 2, {0, 100}, {639, 100}},
                            Border{{1, 0, 50 * 1024}, 2, {50, 0}, {50, 479}},
                            Border{{0, 1024, 0}, 2, {0, 0}, {479, 479}},
                            Border{{0, 0, 500 * 1024}, -1, {}, {}},
                            Border{{0, -1024, 639 * 1024}, 2, {639, 0}, {160, 479}}}) {
        POINT_st out[2] = {{-7, -7}, {-7, -7}};
        int const result = BoundaryPoint2(&c.line, out);
        EXPECT_EQ(result, c.result) << c.line.offset;
        if (result == 2) {
            EXPECT_EQ(out[0].x * 1000 + out[0].y, c.a.x * 1000 + c.a.y);
            EXPECT_EQ(out[1].x * 1000 + out[1].y, c.b.x * 1000 + c.b.y);
        } else {
            EXPECT_EQ(out[0].x, -7);
        }
    }

    COM_set_screen_size(2000, 1500);
    POINT_st a{-100, 10}, b{1999, 10};
    int count = 0, lead = 0;
    ASSERT_EQ(LimitToScreenEx(&count, &a, &b, &lead), 0);
    EXPECT_EQ(count, 1280);
    EXPECT_EQ(a.x, 0);
    EXPECT_EQ(b.x, 1279);
    EXPECT_EQ(lead, 100 * 32);
    POINT_st c{10, 10}, d{40, 50};
    ASSERT_EQ(LimitToScreenEx(&count, &c, &d, &lead), 0);
    EXPECT_EQ(count, 41);
    EXPECT_EQ(lead, 0);
    POINT_st e{-10, -10}, f{-5, -20};
    EXPECT_EQ(LimitToScreenEx(&count, &e, &f, &lead), -1);
    COM_set_screen_size(3, 3);
    EXPECT_EQ(GetRectangleInScreen(inside), -1);
    COM_set_screen_size(0, 0);
}

TEST(LegacyShapeSparesTest, LineSharpening)
{
    unsigned short const in[6] = {100, 100, 400, 100, 1000, 900};
    unsigned short out[6] = {};
    GrayToLap(in, out, 6);
    EXPECT_EQ((std::vector<unsigned short>(out, out + 6)), (std::vector<unsigned short>{100, 0, 1000, 0, 1023, 900}));
    calc_line_laplacian(out, in, 6, 0);
    EXPECT_EQ((std::vector<unsigned short>(out, out + 6)), (std::vector<unsigned short>(in, in + 6)));
    calc_line_laplacian(out, in, 3, 1);
    EXPECT_EQ(out[1], 0);
    unsigned short one[1] = {7};
    unsigned short single[1] = {0};
    GrayToLap(one, single, 1);
    EXPECT_EQ(single[0], 7);
}

TEST(LegacyShapeSparesTest, SortingKeepsTheOriginalPlaces)
{
    support::Random random(1173);
    for (int trial = 0; trial < 200; ++trial) {
        int const n = random.integer(0, 50);
        std::vector<int> keys(n);
        for (int& k : keys) {
            k = random.integer(-20, 20);
        }
        std::vector<int> const original = keys;
        std::vector<int> index(n, -1);
        ASSERT_EQ(NormalSort(keys.data(), index.data(), n), 0);
        std::vector<bool> used(n, false);
        for (int i = 0; i < n; ++i) {
            if (i > 0) {
                ASSERT_LE(keys[i - 1], keys[i]);
            }
            ASSERT_GE(index[i], 0);
            ASSERT_LT(index[i], n);
            EXPECT_FALSE(used[index[i]]) << "each place once";
            used[index[i]] = true;
            EXPECT_EQ(keys[i], original[index[i]]);
        }
    }
    EXPECT_EQ(NormalSort(nullptr, nullptr, -1), -1);
}

}  // namespace
