// The legacy engine's geometry against the C library's trigonometry and
// double-precision references worked out here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "decoder/legacy/engine/legacy_geometry.h"
#include "tests/support/random.h"

namespace {

double Radians(double degrees) { return degrees * std::numbers::pi / 180.0; }

TEST(LegacyGeometryTest, TrigonometryMatchesTheCLibrary)
{
    for (int d = -720; d <= 720; ++d) {
        ASSERT_EQ(my_sin104_33(d), std::lround(std::sin(Radians(d)) * 100000)) << d;
        ASSERT_EQ(my_cos104_33(d), std::lround(std::cos(Radians(d)) * 100000)) << d;
    }
    EXPECT_EQ(my_sin104_33(-30), -50000);
    EXPECT_EQ(my_cos104_33(-60), 50000);
    int rx = 0, ry = 0;
    Rotate_Vector104_33(90, 100, 0, &rx, &ry);
    EXPECT_EQ(rx, 0);
    EXPECT_EQ(ry, 100);
    support::Random random(111);
    for (int i = 0; i < 500; ++i) {
        int const d = random.integer(-400, 400);
        int const x = random.integer(-2000, 2000);
        int const y = random.integer(-2000, 2000);
        Rotate_Vector104_33(d, x, y, &rx, &ry);
        EXPECT_NEAR(rx, x * std::cos(Radians(d)) - y * std::sin(Radians(d)), 0.52);
        EXPECT_NEAR(ry, x * std::sin(Radians(d)) + y * std::cos(Radians(d)), 0.52);
    }
}

TEST(LegacyGeometryTest, AngleBetweenVectorsMatchesAtan2)
{
    int degrees = -1, fraction = -1;
    EXPECT_EQ(COM_calc_angle(&degrees, &fraction, 1, 0, 0, 1), 0);
    EXPECT_EQ(degrees, 90);
    EXPECT_EQ(COM_calc_angle(&degrees, &fraction, 0, 0, 3, 1), -1);
    EXPECT_EQ(degrees, 0);
    support::Random random(1112);
    for (int i = 0; i < 2000; ++i) {
        int const ax = random.integer(-500, 500), ay = random.integer(-500, 500);
        int const bx = random.integer(-500, 500), by = random.integer(-500, 500);
        if ((ax == 0 && ay == 0) || (bx == 0 && by == 0)) {
            continue;
        }
        ASSERT_EQ(COM_calc_angle(&degrees, &fraction, ax, ay, bx, by), 0);
        double const truth =
            std::acos(std::clamp((ax * bx + ay * by) / std::hypot(ax, ay) / std::hypot(bx, by), -1.0, 1.0)) * 180 /
            std::numbers::pi;
        EXPECT_NEAR(degrees, truth, 0.75) << ax << "," << ay << " " << bx << "," << by;
        EXPECT_GE(fraction, 0);
        EXPECT_LE(fraction, 256);
    }
}

// y = a x + b fitted in doubles.
void Fit(std::vector<int> const& u, std::vector<int> const& v, double* slope, double* offset)
{
    double su = 0, sv = 0, suu = 0, suv = 0;
    double const n = static_cast<double>(u.size());
    for (size_t i = 0; i < u.size(); ++i) {
        su += u[i];
        sv += v[i];
        suu += static_cast<double>(u[i]) * u[i];
        suv += static_cast<double>(u[i]) * v[i];
    }
    *slope = (n * suv - su * sv) / (n * suu - su * su);
    *offset = (sv - *slope * su) / n;
}

TEST(LegacyGeometryTest, LeastSquaresMatchesADoubleFit)
{
    support::Random random(1113);
    for (int trial = 0; trial < 300; ++trial) {
        bool const steep = trial % 2 == 1;
        double const slope = random.uniform(-0.9, 0.9);
        double const offset = random.uniform(-300, 900);
        // Coordinates as large as 1/32 pixel on a 1280-wide frame.
        int const scale = trial % 3 == 0 ? 32 : 1;
        int const n = random.integer(2, 60);
        std::vector<int> xs(n), ys(n);
        for (int i = 0; i < n; ++i) {
            int const t = random.integer(0, 1279) * scale;
            int const s = static_cast<int>(std::lround(slope * t + offset * scale + random.uniform(-3, 3) * scale));
            xs[i] = steep ? s : t;
            ys[i] = steep ? t : s;
        }
        Line_st line{};
        if (Least_Sqr66(10, xs.data(), ys.data(), n, &line) != 0) {
            // Only a point set with no spread at all is refused.
            bool same = true;
            for (int i = 1; i < n; ++i) {
                same = same && xs[i] == xs[0] && ys[i] == ys[0];
            }
            EXPECT_TRUE(same);
            continue;
        }
        double a = 0, b = 0;
        if (line.orientation == 1) {
            Fit(ys, xs, &a, &b);
        } else {
            ASSERT_EQ(line.orientation, 0);
            Fit(xs, ys, &a, &b);
        }
        EXPECT_NEAR(line.slope / 1024.0, a, 2.0 / 1024) << trial;
        EXPECT_NEAR(line.offset / 1024.0, b, 1.5 * scale) << trial;
    }
    int const vx[] = {100, 100, 100, 100};
    int const vy[] = {5, 50, 90, 300};
    Line_st line{};
    EXPECT_EQ(Least_Sqr66(10, vx, vy, 4, &line), 0);
    EXPECT_EQ(line.orientation, 1);
    EXPECT_EQ(line.slope, 0);
    EXPECT_EQ(line.offset, 100 * 1024);
    int slope = 0, offset = 0;
    EXPECT_EQ(Simple_Least_Sqr66(10, vx, vy, 4, &slope, &offset), -1);  // no spread in x
    EXPECT_EQ(Least_Sqr66(10, vx, vy, 1, &line), -1);
    EXPECT_EQ(line.orientation, -1);
}

TEST(LegacyGeometryTest, LinesAndCrossingsMatchExactIntersections)
{
    int slope = 0, offset = 0;
    EXPECT_EQ(COM_points2line(1024, 5, 5, 5, 5, &slope, &offset), -1);
    EXPECT_EQ(COM_points2line(1024, 0, 0, 10, 10, &slope, &offset), 1);
    support::Random random(1114);
    for (int i = 0; i < 1000; ++i) {
        int seg[2][4];
        Line_st lines[2];
        for (int k = 0; k < 2; ++k) {
            for (int& c : seg[k]) {
                c = random.integer(-200, 1400);
            }
            int const orientation = COM_points2line(1024, seg[k][0], seg[k][1], seg[k][2], seg[k][3], &slope, &offset);
            lines[k] = {orientation, slope, offset};
        }
        if (lines[0].orientation < 0 || lines[1].orientation < 0) {
            continue;
        }
        double const dax = seg[0][2] - seg[0][0], day = seg[0][3] - seg[0][1];
        double const dbx = seg[1][2] - seg[1][0], dby = seg[1][3] - seg[1][1];
        double const den = dax * dby - day * dbx;
        // Nearly parallel lines cross far away, where fixed-point slopes say little.
        if (std::abs(den) < 0.3 * std::hypot(dax, day) * std::hypot(dbx, dby)) {
            continue;
        }
        double const t = ((seg[1][0] - seg[0][0]) * dby - (seg[1][1] - seg[0][1]) * dbx) / den;
        double const cx = seg[0][0] + t * dax, cy = seg[0][1] + t * day;
        POINT_st exact{};
        ASSERT_EQ(Calc_Intsec3(4, &exact, seg[0], seg[1]), 0);
        EXPECT_NEAR(exact.x / 16.0, cx, 0.5 / 16);
        EXPECT_NEAR(exact.y / 16.0, cy, 0.5 / 16);
        if (std::abs(cx) > 3000 || std::abs(cy) > 3000) {
            continue;
        }
        int x = 0, y = 0;
        ASSERT_EQ(Calc_Intsec2(1024, &lines[0], &lines[1], &x, &y), 0);
        // Slopes carry 1/1024: the error grows with the distance from the points.
        double const reach = std::max(std::abs(cx), std::abs(cy)) / 400.0;
        EXPECT_NEAR(x, cx, 1.0 + reach) << i;
        EXPECT_NEAR(y, cy, 1.0 + reach) << i;
        // The squared distance of the crossing from either line is small.
        EXPECT_LE(sqr_point2line(lines[0].orientation, lines[0].slope, lines[0].offset, x, y, 1024), 9);
    }
    Line_st const a{0, 512, 100}, b{0, 512, 9000};
    int x = 0, y = 0;
    EXPECT_EQ(Calc_Intsec2(1024, &a, &b, &x, &y), -1);
    int const s1[] = {0, 0, 10, 0}, s2[] = {0, 5, 10, 5};
    POINT_st p{};
    EXPECT_EQ(Calc_Intsec3(0, &p, s1, s2), -1);
    Line_st moved{};
    parallel_move_line2(&moved, &a, 10, 20, 1024);
    EXPECT_EQ(moved.offset, 1024 * 20 - 512 * 10);
}

TEST(LegacyGeometryTest, PointInQuadrilateralMatchesSideTests)
{
    // A turned quadrilateral: inside exactly when a double test says so, away
    // from the sides.
    int const qx[] = {100, 300, 260, 80}, qy[] = {120, 80, 260, 300};
    auto side = [&](int i, double x, double y) {
        int const j = (i + 1) % 4;
        double const cross = (qx[j] - qx[i]) * (y - qy[i]) - (qy[j] - qy[i]) * (x - qx[i]);
        return cross / std::hypot(qx[j] - qx[i], qy[j] - qy[i]);
    };
    for (int y = 40; y < 340; y += 7) {
        for (int x = 40; x < 340; x += 7) {
            double nearest = 1e9;
            bool inside = true;
            for (int i = 0; i < 4; ++i) {
                double const d = side(i, x, y);
                nearest = std::min(nearest, std::abs(d));
                inside = inside && d > 0;
            }
            if (nearest > 2) {
                EXPECT_EQ(point_in_area(x, y, qx, qy), inside ? 1 : 0) << x << "," << y;
            }
        }
    }
    // On a side counts as outside: that side's offset is not positive.
    int const rx[] = {0, 100, 100, 0}, ry[] = {0, 0, 100, 100};
    EXPECT_EQ(point_in_area(50, 0, rx, ry), 0);
    EXPECT_EQ(point_in_area(50, 50, rx, ry), 1);
}

TEST(LegacyGeometryTest, ClippingKeepsSegmentsOnTheImage)
{
    COM_set_screen_size(640, 480);
    EXPECT_EQ(point_in_inner_frame(0, 0, 0), 1);
    EXPECT_EQ(point_in_inner_frame(639, 479, 0), 1);
    EXPECT_EQ(point_in_inner_frame(639, 479, 1), 0);
    EXPECT_EQ(point_in_inner_frame(640, 10, 0), 0);

    struct Clip {
        POINT_st a, b;
        int result;
        POINT_st clippedA, clippedB;
    };
    Clip const clips[] = {
        {{-50, 100}, {700, 100}, 0, {0, 100}, {639, 100}},
        {{10, 500}, {600, 500}, -1, {10, 500}, {600, 500}},
        {{10, -40}, {10, -5}, -1, {10, -40}, {10, -5}},  // both ends above the image
        {{10, -40}, {10, 900}, 0, {10, 0}, {10, 479}},
        {{5, 5}, {600, 400}, 0, {5, 5}, {600, 400}},
    };
    for (Clip const& c : clips) {
        POINT_st a = c.a, b = c.b;
        EXPECT_EQ(LimitToScreen(&a, &b), c.result);
        EXPECT_EQ(a.x, c.clippedA.x);
        EXPECT_EQ(a.y, c.clippedA.y);
        EXPECT_EQ(b.x, c.clippedB.x);
        EXPECT_EQ(b.y, c.clippedB.y);
    }
    POINT_st a{}, b{};
    // The line crosses the image but the segment does not: nothing to scan.
    a = {2000, 10};
    b = {3000, 20};
    EXPECT_EQ(LimitToScreen(&a, &b), -1);
    EXPECT_EQ(a.x, 2000);

    support::Random random(1115);
    for (int i = 0; i < 3000; ++i) {
        POINT_st p{random.integer(-800, 1400), random.integer(-800, 1300)};
        POINT_st q{random.integer(-800, 1400), random.integer(-800, 1300)};
        POINT_st const p0 = p, q0 = q;
        // Reference: Liang-Barsky on the closed pixel rectangle.
        double t0 = 0, t1 = 1;
        double const dx = q0.x - p0.x, dy = q0.y - p0.y;
        auto clip = [&](double den, double num) {
            if (den == 0) {
                return num >= 0;
            }
            double const t = num / den;
            if (den > 0) {
                t1 = std::min(t1, t);
            } else {
                t0 = std::max(t0, t);
            }
            return true;
        };
        bool const reaches = clip(-dx, p0.x - 0.0) && clip(dx, 639.0 - p0.x) && clip(-dy, p0.y - 0.0) &&
                             clip(dy, 479.0 - p0.y) && t0 <= t1;
        int const result = LimitToScreen(&p, &q);
        if (result == 0) {
            // Both ends on the image and near the original line.
            EXPECT_EQ(point_in_inner_frame(p.x, p.y, 0), 1);
            EXPECT_EQ(point_in_inner_frame(q.x, q.y, 0), 1);
            double const length = std::hypot(dx, dy);
            if (length > 0) {
                for (POINT_st const& e : {p, q}) {
                    double const distance = std::abs(dx * (e.y - p0.y) - dy * (e.x - p0.x)) / length;
                    EXPECT_LE(distance, 1.5) << p0.x << "," << p0.y << " " << q0.x << "," << q0.y;
                }
            }
        } else {
            // Refused only when the segment misses the image or merely grazes it.
            EXPECT_TRUE(!reaches || (t1 - t0) * std::hypot(dx, dy) < 2.0)
                << p0.x << "," << p0.y << " " << q0.x << "," << q0.y;
            EXPECT_EQ(p.x, p0.x);
            EXPECT_EQ(q.y, q0.y);
        }
    }
}

}  // namespace
