#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "decoder/core/geometry/geometry.h"

namespace DEC2DIvra {
namespace {

struct DividingCase {
    int a;
    Point p;
    int b;
    Point q;
    bool ok;
    Point expected;
};

TEST(GeometryTest, DividingPointRoundsToNearestWithHalvesUpward)
{
    DividingCase const cases[] = {
        {1, {0, 0}, 1, {3, 5}, true, {2, 3}},          // 1.5 and 2.5 go up
        {1, {0, 0}, 1, {-3, -5}, true, {-1, -2}},      // -1.5 and -2.5 go up too
        {3, {0, 0}, 1, {10, -10}, true, {3, -2}},      // 2.5 -> 3, -2.5 -> -2
        {2, {-7, 0}, 3, {0, 0}, true, {-3, 0}},        // -2.8 -> -3, not -2 as truncation gives
        {1, {-5, -5}, 4, {0, 0}, true, {-1, -1}},      // -1.0
        {20, {0, 0}, -3, {17, 34}, true, {-3, -6}},    // 3/17 of AB beyond A
        {-3, {17, 34}, 20, {0, 0}, true, {-3, -6}},    // the same with the points swapped
        {2, {10, 10}, -1, {20, 30}, true, {0, -10}},   // one spacing beyond the first point
        {1, {0, 0}, -1, {5, 5}, false, {99, 99}},      // weights adding up to 0
        {1, {2147483647, 0}, 1, {2147483647, 0}, true, {2147483647, 0}},
        {2, {2147483647, 0}, -1, {0, 0}, false, {99, 99}},  // beyond the int range
    };
    for (DividingCase const& c : cases) {
        Point out{99, 99};
        EXPECT_EQ(Geometry::CalcDividingPoint(c.a, c.p, c.b, c.q, out), c.ok) << c.a << " " << c.b;
        EXPECT_EQ(out, c.expected) << c.a << " " << c.b;
    }
    Point centre;
    Geometry::CalcCenterPoint(Point{1, 1}, Point{2, 4}, centre);
    EXPECT_EQ(centre, (Point{2, 3}));
}

TEST(GeometryTest, DividingPointAgreesWithRealArithmetic)
{
    for (int a = -7; a <= 7; ++a) {
        for (int b = -7; b <= 7; ++b) {
            if (a + b == 0) {
                continue;
            }
            Point const p{13, -29};
            Point const q{-41, 7};
            Point out;
            ASSERT_TRUE(Geometry::CalcDividingPoint(a, p, b, q, out));
            double const x = (a * 13.0 + b * -41.0) / (a + b);
            double const y = (a * -29.0 + b * 7.0) / (a + b);
            EXPECT_EQ(out.x, static_cast<int>(std::floor(x + 0.5))) << a << " " << b;
            EXPECT_EQ(out.y, static_cast<int>(std::floor(y + 0.5))) << a << " " << b;
        }
    }
}

struct LineCase {
    Point p;
    Point q;
    bool ok;
    Line expected;
};

TEST(GeometryTest, LineThroughTwoPointsHalvesAllCoefficientsWhileCOverflows)
{
    LineCase const cases[] = {
        {{1, 2}, {4, 6}, true, {4, -3, 2}},
        {{0, 0}, {5, 0}, true, {0, -5, 0}},
        // c = 70000^2 needs two halvings; a and b follow.
        {{0, 70000}, {70000, 0}, true, {-17500, -17500, 1225000000}},
        // c = -(50000 * 50001): one halving (odd values truncate toward zero).
        {{50000, 3}, {7, 50001}, true, {24999, 24996, -1250024989}},
        {{3, 3}, {3, 3}, false, {9, 9, 9}},
    };
    for (LineCase const& c : cases) {
        Line out{9, 9, 9};
        EXPECT_EQ(Geometry::CalcLine(c.p, c.q, out), c.ok);
        EXPECT_EQ(out, c.expected) << c.p.x << "," << c.p.y;
    }
}

TEST(GeometryTest, LineMoveToAndMoveKeepDirectionAndHalveWhenNeeded)
{
    Line line{3, 4, 0};
    ASSERT_TRUE(line.MoveTo(Point{10, -2}));
    EXPECT_EQ(line, (Line{3, 4, -22}));
    ASSERT_TRUE(line.Move(Vector{1, 1}));
    EXPECT_EQ(line, (Line{3, 4, -29}));
    EXPECT_EQ(line.Evaluate(Point{11, -1}), 0);

    Line big{30000, 40000, 0};
    ASSERT_TRUE(big.MoveTo(Point{60000, 10000}));  // c = -2.2e9 does not fit
    EXPECT_EQ(big, (Line{15000, 20000, -1100000000}));
}

TEST(GeometryTest, CrossPointRoundsAndRefusesParallelLines)
{
    Line const l1{1, -1, 0};   // y = x
    Line const l2{1, 1, -5};   // x + y = 5
    Point p;
    ASSERT_TRUE(Geometry::CalcCrossPoint(l1, l2, p));
    EXPECT_EQ(p, (Point{3, 3}));  // 2.5, 2.5 rounded up

    Line const l3{1, 1, 5};  // x + y = -5
    ASSERT_TRUE(Geometry::CalcCrossPoint(l1, l3, p));
    EXPECT_EQ(p, (Point{-2, -2}));  // -2.5 rounds up to -2

    Point untouched{7, 7};
    EXPECT_FALSE(Geometry::CalcCrossPoint(Line{2, 4, 1}, Line{1, 2, 9}, untouched));
    EXPECT_EQ(untouched, (Point{7, 7}));

    // Extreme coefficients whose determinant needs more than 64 bits.
    Line const wide1{-2147483647 - 1, -2147483647 - 1, 0};
    Line const wide2{2147483647, -2147483647 - 1, 1000};
    ASSERT_TRUE(Geometry::CalcCrossPoint(wide1, wide2, p));
    EXPECT_EQ(p, (Point{0, 0}));
    Line const wide3{-2147483647 - 1, -2147483647 - 1, 2147483647};  // x + y = 1 - 2^-31
    ASSERT_TRUE(Geometry::CalcCrossPoint(wide3, wide2, p));
    EXPECT_EQ(p, (Point{0, 1}));  // (0.4999997, 0.5000003)
}

std::vector<Point> OnLine(int n, double slope, double intercept)
{
    std::vector<Point> points;
    for (int i = 0; i < n; ++i) {
        points.push_back(Point{i * 10, static_cast<int>(std::lround(slope * i * 10 + intercept))});
    }
    return points;
}

TEST(GeometryTest, LeastSquaresLinesMatchTheClosedForm)
{
    // Points on y = 2x + 7 fit exactly; each point lies on the line.
    std::vector<Point> const exact = OnLine(6, 2.0, 7.0);
    Line line;
    ASSERT_TRUE(Geometry::CalcLineY(ArrayIterator<Point const>(exact.data(), 6), line, -1));
    for (Point const& p : exact) {
        EXPECT_EQ(line.Evaluate(p), 0);
    }
    EXPECT_GT(-line.b, 0);  // directed toward +x

    // Scattered points: compare with the real-valued regression.
    std::vector<Point> const noisy = {{0, 1}, {10, 4}, {20, 4}, {30, 9}, {40, 8}, {50, 13}};
    ASSERT_TRUE(Geometry::CalcLineY(ArrayIterator<Point const>(noisy.data(), 6), line, -1));
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (Point const& p : noisy) {
        sx += p.x;
        sy += p.y;
        sxx += double(p.x) * p.x;
        sxy += double(p.x) * p.y;
    }
    double const m = (6 * sxy - sx * sy) / (6 * sxx - sx * sx);
    double const k = (sy - m * sx) / 6;
    for (int x = 0; x <= 50; x += 25) {
        double const y = -(line.a * double(x) + line.c) / line.b;
        EXPECT_NEAR(y, m * x + k, 1e-6);
    }

    // x as a function of y handles a vertical run that CalcLineY refuses.
    std::vector<Point> const vertical = {{5, 0}, {5, 10}, {5, 20}};
    EXPECT_FALSE(Geometry::CalcLineY(ArrayIterator<Point const>(vertical.data(), 3), line, -1));
    ASSERT_TRUE(Geometry::CalcLineX(ArrayIterator<Point const>(vertical.data(), 3), line, -1));
    EXPECT_EQ(line.Evaluate(Point{5, 1234}), 0);
    EXPECT_GT(line.a, 0);  // directed toward +y
    ASSERT_TRUE(Geometry::CalcLine(ArrayIterator<Point const>(vertical.data(), 3), line, -1));
    EXPECT_EQ(line.Evaluate(Point{5, -77}), 0);
}

TEST(GeometryTest, LeastSquaresLeavesOutTheSkippedPoint)
{
    std::vector<Point> points = OnLine(5, -1.0, 100.0);
    points[2].y += 40;  // an outlier
    Line line;
    ASSERT_TRUE(Geometry::CalcLine(ArrayIterator<Point const>(points.data(), 5), line, 2));
    for (int i = 0; i < 5; ++i) {
        if (i != 2) {
            EXPECT_EQ(line.Evaluate(points[i]), 0);
        }
    }
    ASSERT_TRUE(Geometry::CalcLine(ArrayIterator<Point const>(points.data(), 5), line, -1));
    EXPECT_NE(line.Evaluate(points[0]), 0);

    // The index counts the points as the iterator visits them.
    ASSERT_TRUE(Geometry::CalcLine(ArrayIterator<Point const>::Reverse(points.data(), 5), line, 2));
    EXPECT_EQ(line.Evaluate(points[4]), 0);

    // Too few points, also after the skip.
    EXPECT_FALSE(Geometry::CalcLine(ArrayIterator<Point const>(points.data(), 1), line, -1));
    EXPECT_FALSE(Geometry::CalcLine(ArrayIterator<Point const>(points.data(), 2), line, 0));
    // Sums beyond 64 bits: a level line far out on both sides.
    std::vector<Point> const far = {{2000000000, 5}, {2100000000, 5}, {-2000000000, 5}, {-2100000000, 5}};
    ASSERT_TRUE(Geometry::CalcLineY(ArrayIterator<Point const>(far.data(), 4), line, -1));
    EXPECT_EQ(line.a, 0);
    EXPECT_LE(std::llabs(line.Evaluate(Point{0, 5})), std::llabs(static_cast<long long>(line.b)));

    // Many points across a large frame: the halved coefficients keep the slope.
    std::vector<Point> run;
    for (int x = 0; x < 4000; x += 7) {
        run.push_back(Point{x, 3 * x / 7 + 5});
    }
    ASSERT_TRUE(Geometry::CalcLine(ArrayIterator<Point const>(run.data(), static_cast<unsigned>(run.size())), line,
                                   -1));
    EXPECT_NEAR(-double(line.a) / line.b, 3.0 / 7.0, 1e-5);
    EXPECT_NEAR(-(double(line.a) * 3997 + line.c) / line.b, 3 * 571 + 5, 0.01);
}

struct TrimCase {
    LineSegment in;
    bool ok;
    LineSegment out;
};

TEST(GeometryTest, TrimLineSegmentKeepsTheInsidePartAndDirection)
{
    RectangleBorder const border(Rectangle{0, 0, 99, 49});
    TrimCase const cases[] = {
        {{{10, 10}, {20, 20}}, true, {{10, 10}, {20, 20}}},
        {{{-50, 25}, {150, 25}}, true, {{0, 25}, {99, 25}}},
        {{{150, 25}, {-50, 25}}, true, {{99, 25}, {0, 25}}},      // direction kept
        {{{-10, -10}, {110, 110}}, true, {{0, 0}, {49, 49}}},
        {{{0, -5}, {0, 5}}, true, {{0, 0}, {0, 5}}},
        {{{-10, 60}, {60, -10}}, true, {{1, 49}, {50, 0}}},
        {{{-10, -10}, {-1, 200}}, false, {{7, 7}, {7, 7}}},
        {{{200, 0}, {300, 10}}, false, {{7, 7}, {7, 7}}},
        {{{5, 5}, {5, 5}}, true, {{5, 5}, {5, 5}}},
        {{{-5, 5}, {-5, 5}}, false, {{7, 7}, {7, 7}}},
    };
    for (TrimCase const& c : cases) {
        LineSegment out{{7, 7}, {7, 7}};
        bool const ok = Geometry::TrimLineSegment(c.in, border, out);
        EXPECT_EQ(ok, c.ok) << c.in.begin.x << "," << c.in.begin.y;
        if (ok) {
            EXPECT_TRUE(Geometry::IsIncluding(border, out)) << c.in.begin.x;
        }
        EXPECT_EQ(out, c.out) << c.in.begin.x << "," << c.in.begin.y;
    }
}

TEST(GeometryTest, LineSegmentOfALineInsideTheBorder)
{
    RectangleBorder const border(Rectangle{0, 0, 639, 479});
    LineSegment s;
    ASSERT_TRUE(Geometry::CalcLineSegment(Line{0, -1, 100}, border, s));  // y = 100, direction +x
    EXPECT_EQ(s, (LineSegment{{0, 100}, {639, 100}}));
    ASSERT_TRUE(Geometry::CalcLineSegment(Line{-1, 0, 320}, border, s));  // x = 320, direction -y
    EXPECT_EQ(s, (LineSegment{{320, 479}, {320, 0}}));
    EXPECT_FALSE(Geometry::CalcLineSegment(Line{0, 1, 1000}, border, s));
    EXPECT_FALSE(Geometry::CalcLineSegment(Line{0, 0, 5}, border, s));
}

TEST(GeometryTest, DividingLinesInterpolateAndExtrapolateSpacings)
{
    Line const l0{0, 1, -10};   // y = 10
    Line const l1{0, -2, 60};   // y = 30, normal facing the other way and scaled
    Line out;
    ASSERT_TRUE(Geometry::CalcDividingLine(1, l0, 1, l1, out));
    EXPECT_EQ(out.Evaluate(Point{123, 20}), 0);
    ASSERT_TRUE(Geometry::CalcDividingLine(2, l0, -1, l1, out));  // one spacing beyond l0
    EXPECT_EQ(out.Evaluate(Point{-5, -10}), 0);
    ASSERT_TRUE(Geometry::CalcCenterLine(3, l0, 1, l1, out));
    EXPECT_EQ(out.Evaluate(Point{0, 15}), 0);
    EXPECT_FALSE(Geometry::CalcDividingLine(1, l0, -1, l1, out));
}

TEST(GeometryTest, InclusionDistancesAndRectangles)
{
    Rectangle const r{0, 0, 9, 9};
    Region square;
    square.corner[0] = {0, 0};
    square.corner[1] = {9, 0};
    square.corner[2] = {9, 9};
    square.corner[3] = {0, 9};
    EXPECT_TRUE(Geometry::IsIncluding(r, square));
    square.corner[2] = {10, 9};
    EXPECT_FALSE(Geometry::IsIncluding(r, square));
    EXPECT_TRUE(Geometry::IsIncluding(r, LineSegment{{0, 0}, {9, 9}}));
    EXPECT_FALSE(Geometry::IsIncluding(r, LineSegment{{0, 0}, {9, 10}}));

    Region diamond;
    diamond.corner[0] = {10, 0};
    diamond.corner[1] = {20, 10};
    diamond.corner[2] = {10, 20};
    diamond.corner[3] = {0, 10};
    struct {
        Point p;
        bool inside;
    } const points[] = {{{10, 10}, true}, {{10, 0}, true}, {{15, 5}, true}, {{5, 5}, true},
                        {{4, 5}, false},  {{16, 5}, false}, {{10, 21}, false}, {{0, 0}, false}};
    for (auto const& c : points) {
        EXPECT_EQ(Geometry::IsIncluding(diamond, c.p), c.inside) << c.p.x << "," << c.p.y;
    }

    EXPECT_EQ(Geometry::CalcChebyshevDistance(Point{1, 1}, Point{4, -6}), 7u);
    EXPECT_EQ(Geometry::CalcManhattanDistance(Point{1, 1}, Point{4, -6}), 10u);
    EXPECT_EQ(Geometry::CalcEuclideanDistance(Point{0, 0}, Point{3, 4}), 5u);
    EXPECT_EQ(Geometry::CalcEuclideanDistance(Vector{1, 1}), 1u);   // 1.41
    EXPECT_EQ(Geometry::CalcEuclideanDistance(Vector{1, 2}), 2u);   // 2.24
    EXPECT_EQ(Geometry::CalcEuclideanDistance(Vector{2, 2}), 3u);   // 2.83
    EXPECT_EQ(Geometry::CalcChebyshevDistance(LineSegment{{-2147483647 - 1, 0}, {2147483647, 0}}), 4294967295u);
    EXPECT_EQ(Geometry::CalcChebyshevOffset(Point{5, 5}, Point{2, 9}), 4);
    EXPECT_EQ(Geometry::CalcChebyshevOffset(Point{5, 5}, Point{0, 9}), -5);

    Rectangle box;
    Geometry::CalcRectangle(LineSegment{{5, -3}, {-2, 8}}, box);
    EXPECT_EQ(box, (Rectangle{-2, -3, 5, 8}));
    Rectangle shared;
    EXPECT_TRUE(Geometry::CalcSharedRectangle(Rectangle{0, 0, 10, 10}, Rectangle{5, -5, 20, 7}, shared));
    EXPECT_EQ(shared, (Rectangle{5, 0, 10, 7}));
    EXPECT_FALSE(Geometry::CalcSharedRectangle(Rectangle{0, 0, 10, 10}, Rectangle{11, 0, 20, 7}, shared));
}

TEST(GeometryTest, RectangleBorderRunsAroundTheImage)
{
    RectangleBorder const border(GrayImage(640, 480, 640, nullptr));
    EXPECT_EQ(border.GetSide(0), (LineSegment{{0, 0}, {639, 0}}));
    EXPECT_EQ(border.GetSide(1), (LineSegment{{639, 0}, {639, 479}}));
    EXPECT_EQ(border.GetSide(2), (LineSegment{{639, 479}, {0, 479}}));
    EXPECT_EQ(border.GetSide(3), (LineSegment{{0, 479}, {0, 0}}));
    EXPECT_TRUE(border.IsInside(Point{639, 479}));
    EXPECT_FALSE(border.IsInside(Point{640, 0}));
}

}  // namespace
}  // namespace DEC2DIvra
