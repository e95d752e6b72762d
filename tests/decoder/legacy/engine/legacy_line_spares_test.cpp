// Lines, arctangents and fits of the legacy engine against double-precision
// references worked out here.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "decoder/legacy/engine/legacy_arctan.h"
#include "decoder/legacy/engine/legacy_line_fitting.h"
#include "decoder/legacy/engine/legacy_line_spares.h"
#include "tests/support/random.h"

namespace {

constexpr double kS = 1024.0;

double Degrees(double radians) { return radians * 180.0 / std::numbers::pi; }

// Signed distance of (x, y) from a line of scale 1024, in pixels.
double Distance(Line_st const& l, double x, double y)
{
    double const r = l.orientation == 0 ? kS * y - l.slope * x - l.offset : kS * x - l.slope * y - l.offset;
    return r / std::hypot(kS, static_cast<double>(l.slope));
}

// Direction of a line of scale 1024 in degrees, 0 .. 180.
double Heading(Line_st const& l)
{
    double const a = l.orientation == 0 ? std::atan2(l.slope, kS) : std::atan2(kS, l.slope);
    return std::fmod(Degrees(a) + 180.0, 180.0);
}

double AngleGap(double a, double b)
{
    double const d = std::fmod(std::fabs(a - b), 180.0);
    return d > 90.0 ? 180.0 - d : d;
}

TEST(LegacyLineSparesTest, ArctangentsFollowTheTangentTable)
{
    for (int k = 0; k <= 45; ++k) {
        EXPECT_EQ(deg_tan[k], std::lround(std::tan(k * std::numbers::pi / 180.0) * 65530)) << k;
        EXPECT_EQ(search_arctan(deg_tan[k]), k);
    }
    EXPECT_EQ(deg_tan[46], 65535);
    EXPECT_EQ(search_arctan(70000), 45);
    EXPECT_EQ(search_arctan(-5), 0);
    support::Random random(1161);
    for (int i = 0; i < 4000; ++i) {
        int const dx = random.integer(-3000, 3000);
        int const dy = random.integer(-3000, 3000);
        if (dx == 0 && dy == 0) {
            continue;
        }
        double const truth = std::fmod(Degrees(std::atan2(dy, dx)) + 360.0, 360.0);
        double const gap = std::fabs(rough_arctan(dy, dx) - truth);
        ASSERT_LE(std::min(gap, 360.0 - gap), 1.0) << dx << "," << dy;
    }
    struct Axis {
        int dy, dx, degrees;
    };
    for (Axis a : {Axis{0, 5, 0}, Axis{5, 0, 90}, Axis{0, -5, 180}, Axis{-5, 0, 270}, Axis{-5, 5, 315}, Axis{0, 0, 0}}) {
        EXPECT_EQ(rough_arctan(a.dy, a.dx), a.degrees) << a.dx << "," << a.dy;
    }
}

TEST(LegacyLineSparesTest, FitsFromSumsAndShiftedPointsEqualLeastSquares)
{
    support::Random random(1162);
    for (int trial = 0; trial < 200; ++trial) {
        int const n = random.integer(2, 60);
        int const shift = random.integer(0, 3);
        double const angle = random.uniform(0.0, std::numbers::pi);
        std::vector<int> xs(n), ys(n), rx(n), ry(n);
        std::vector<long long> wx(n), wy(n);
        std::vector<POINT_st> points(n);
        long long sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
        for (int i = 0; i < n; ++i) {
            double const t = random.uniform(-400, 400);
            xs[i] = static_cast<int>(std::lround(1200 + t * std::cos(angle) + random.uniform(-2, 2))) << shift;
            ys[i] = static_cast<int>(std::lround(900 + t * std::sin(angle) + random.uniform(-2, 2))) << shift;
            rx[i] = xs[i] >> shift;
            ry[i] = ys[i] >> shift;
            wx[i] = static_cast<long long>(xs[i]) << 20;
            wy[i] = static_cast<long long>(ys[i]) << 20;
            points[i] = {xs[i], ys[i]};
            sx += rx[i], sy += ry[i], sxx += 1LL * rx[i] * rx[i], syy += 1LL * ry[i] * ry[i];
            sxy += 1LL * rx[i] * ry[i];
        }
        Line_st truth{}, line{};
        int const expected = Least_Sqr66(10, rx.data(), ry.data(), n, &truth);
        auto same = [&](int result, char const* what) {
            EXPECT_EQ(result, expected) << what;
            if (expected == 0) {
                EXPECT_EQ(line.orientation, truth.orientation) << what;
                EXPECT_EQ(line.slope, truth.slope) << what;
                EXPECT_EQ(line.offset, truth.offset) << what;
            }
        };
        same(GetLineFromSum64(n, sx, sy, sxy, sxx, syy, &line), "sums");
        same(GetNearLineXY(xs.data(), ys.data(), n, shift, &line), "xy");
        same(GetNearLine(points.data(), n, shift, &line), "points");
        same(GetNearLine64(wx.data(), wy.data(), n, shift + 20, &line), "64");
    }
    int const few[3] = {1, 2, 3};
    Line_st line{};
    EXPECT_EQ(GetLineFromSum(1, 1, 1, 1, 1, 1, &line), -1);
    EXPECT_EQ(line.orientation, -1);
    EXPECT_EQ(GetNearLineXY(few, few, 3, 0, &line), 0);
    std::vector<int> many(1001, 7);
    EXPECT_EQ(GetNearLineXY(many.data(), many.data(), 1001, 0, &line), -1);
    long long const wide[2] = {1LL << 40, 3LL << 40};
    EXPECT_EQ(GetNearLine64(wide, wide, 2, 4, &line), -1);
}

TEST(LegacyLineSparesTest, FeetSidesAndDistancesMatchTheExactGeometry)
{
    support::Random random(1163);
    for (int i = 0; i < 2000; ++i) {
        POINT_st const a{random.integer(-2000, 2000), random.integer(-2000, 2000)};
        POINT_st const b{random.integer(-2000, 2000), random.integer(-2000, 2000)};
        POINT_st const p{random.integer(-2000, 2000), random.integer(-2000, 2000)};
        POINT_st foot{};
        if (a.x == b.x && a.y == b.y) {
            EXPECT_EQ(Pedal(a, b, p, &foot), -1);
            continue;
        }
        ASSERT_EQ(Pedal(a, b, p, &foot), 0);
        double const dx = b.x - a.x, dy = b.y - a.y;
        double const t = ((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy);
        EXPECT_LE(std::fabs(foot.x - (a.x + t * dx)), 0.5 + 1e-9);
        EXPECT_LE(std::fabs(foot.y - (a.y + t * dy)), 0.5 + 1e-9);

        Line_st line{};
        ASSERT_GE(COM_points2lineB(1024, a, b, &line), 0);
        double const d = Distance(line, p.x, p.y);
        int const side = COM_locate_point2line(p.x, p.y, 1024, &line);
        EXPECT_EQ(side, d > 0 ? 1 : d < 0 ? -1 : 0);
        EXPECT_NEAR(sqr_point2line_new(line.orientation, line.slope, line.offset, p.x, p.y, 10), d * d,
                    std::fabs(d) * 1.5 + 1.0);
        ASSERT_EQ(PedalPointLine(p, &line, &foot), 0);
        EXPECT_LE(std::fabs(Distance(line, foot.x, foot.y)), 1.0);
        EXPECT_NEAR(std::hypot(foot.x - p.x, foot.y - p.y), std::fabs(d), 1.0);
    }
    Line_st const invalid{-1, 0, 0};
    POINT_st foot{};
    EXPECT_EQ(COM_locate_point2line(1, 1, 1024, &invalid), 0);
    EXPECT_EQ(PedalPointLine({1, 1}, &invalid, &foot), -1);
    Line_st unchanged{0, 5, 6};
    EXPECT_EQ(COM_points2lineB(1024, {3, 3}, {3, 3}, &unchanged), -1);
    EXPECT_EQ(unchanged.orientation, -1);
}

TEST(LegacyLineSparesTest, DerivedLinesKeepTheirPointsAndAngles)
{
    support::Random random(1164);
    for (int i = 0; i < 1000; ++i) {
        POINT_st const p0{random.integer(0, 1000), random.integer(0, 1000)};
        POINT_st const p1{random.integer(0, 1000), random.integer(0, 1000)};
        POINT_st const q{random.integer(0, 1000), random.integer(0, 1000)};
        Line_st line{};
        if (PointsToLine(&line, p0, p1) < 0) {
            continue;
        }
        EXPECT_EQ(line.orientation, std::abs(p1.y - p0.y) > std::abs(p1.x - p0.x) ? 1 : 0);
        EXPECT_LE(std::fabs(Distance(line, p0.x, p0.y)), 0.01);
        EXPECT_LE(std::fabs(Distance(line, p1.x, p1.y)), 1.0);
        double const heading = Degrees(std::atan2(p1.y - p0.y, p1.x - p0.x));

        Line_st derived{};
        ASSERT_EQ(GetVerLine(&derived, &line, q), 0);
        EXPECT_LE(std::fabs(Distance(derived, q.x, q.y)), 0.01);
        EXPECT_NEAR(AngleGap(Heading(derived), Heading(line)), 90.0, 0.06);

        int const d = random.integer(-50, 50);
        ASSERT_EQ(ShiftLine(&derived, &line, d), 0);
        EXPECT_NEAR(Distance(derived, p0.x, p0.y), -d, 0.01);

        ASSERT_EQ(ShiftVerLine(&derived, &line, p0, d), 0);
        EXPECT_NEAR(std::fabs(Distance(derived, p0.x, p0.y)), std::abs(d), 1.0);

        int const degrees = random.integer(-180, 180);
        ASSERT_EQ(GetRotatedLine(&derived, &line, p0, degrees), 0);
        EXPECT_LE(AngleGap(Heading(derived), heading + degrees), 0.2) << degrees;
        EXPECT_LE(std::fabs(Distance(derived, p0.x, p0.y)), 1.0);

        Line_st parallel{};
        parallel_shift_line(&parallel, &line, q, 1024);
        EXPECT_EQ(parallel.slope, line.slope);
        EXPECT_LE(std::fabs(Distance(parallel, q.x, q.y)), 0.01);
    }
    int orientation = 0, slope = 0, offset = 0;
    EXPECT_EQ(Calc_Line(0, 0, 10, 10, &orientation, &slope, &offset), 0);
    EXPECT_EQ(slope, 1024);
    EXPECT_EQ(Calc_Line(4, 4, 4, 4, &orientation, &slope, &offset), -1);
}

TEST(LegacyLineSparesTest, SidesOfCornersAndPointSets)
{
    Line_st const diagonal{0, 1024, 0};  // y = x
    int const xs[4] = {0, 10, 10, 0};
    int const ys[4] = {-5, -5, 5, 5};
    int signs[4] = {};
    EXPECT_EQ(LineCross4side(&diagonal, xs, ys, signs), 1);
    EXPECT_EQ(signs[0], -1);
    EXPECT_EQ(signs[1], -1);
    EXPECT_EQ(signs[3], 1);
    int const far[4] = {20, 30, 30, 20};
    EXPECT_EQ(LineCross4side(&diagonal, far, ys, signs), 0);

    struct Case {
        std::vector<POINT_st> points;
        int result;
    };
    for (Case const& c : {Case{{{0, 1}, {5, 9}}, 1}, Case{{{1, 0}, {2, 2}, {9, 1}}, 1},
                          Case{{{0, 1}, {1, 0}}, 0}, Case{{}, -1}}) {
        EXPECT_EQ(IsPointsSameSideToLine(&diagonal, c.points.data(), static_cast<int>(c.points.size())), c.result);
    }
}

TEST(LegacyLineSparesTest, WideCrossingsAreNotClamped)
{
    support::Random random(1165);
    for (int i = 0; i < 1000; ++i) {
        int const a[4] = {random.integer(-500, 500), random.integer(-500, 500), random.integer(-500, 500),
                          random.integer(-500, 500)};
        int const b[4] = {random.integer(-500, 500), random.integer(-500, 500), random.integer(-500, 500),
                          random.integer(-500, 500)};
        POINT_st crossing{};
        int x = 0, y = 0;
        int const shift = random.integer(-2, 6);
        int const expected = Calc_Intsec3(shift < 0 ? 0 : shift, &crossing, a, b);
        ASSERT_EQ(Calc_Intsec3xy(shift, &x, &y, a[0], a[1], a[2], a[3], b[0], b[1], b[2], b[3]), expected);
        if (expected == 0) {
            EXPECT_EQ(x, crossing.x);
            EXPECT_EQ(y, crossing.y);
        }
    }
    // Lines meeting 4 x 10^9 pixels away, past 32 bits.
    Line_st const a{0, 0, 2000000000};
    Line_st const b{0, 1, -2000000000};
    long long x = 0, y = 0;
    ASSERT_EQ(Calc_Intsec2High(1, &a, &b, &x, &y), 0);
    EXPECT_EQ(x, 4000000000LL);
    EXPECT_EQ(y, 2000000000LL);
    Line_st const c{0, 0, 0};
    Line_st const d{0, 1, -2000000000};
    ASSERT_EQ(Calc_Intsec2High(1024, &c, &d, &x, &y), 0);
    EXPECT_EQ(x, 2000000000);
    int narrow = 0, unused = 0;
    ASSERT_EQ(Calc_Intsec2(1024, &c, &d, &narrow, &unused), 0);
    EXPECT_EQ(narrow, 2000000000);
}

}  // namespace
