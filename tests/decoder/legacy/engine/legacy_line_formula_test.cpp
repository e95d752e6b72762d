// Line formulas a x + b y + c = 0: their reduction to 32 bits, fits,
// crossings and the shapes cut or built from them.
#include <gtest/gtest.h>

#include <climits>

#include "decoder/legacy/engine/legacy_line_formula.h"

namespace {

long long Residual(tagFormula_t const& f, tagPoint_t const& p)
{
    return static_cast<long long>(f.a) * p.x + static_cast<long long>(f.b) * p.y + f.c;
}

TEST(LegacyLineFormulaTest, SegmentFormulasAreHalvedTogetherUntilTheyFit)
{
    struct Case {
        tagSegment_t s;
        tagFormula_t expected;
    };
    Case const cases[] = {
        {{{0, 0}, {10, 5}}, {-5, 10, 0}},
        {{{3, 1}, {3, 9}}, {-8, 0, 24}},
        // c = 65536 x 65536 needs 33 bits: all three halved twice.
        {{{65536, 0}, {0, 65536}}, {-16384, -16384, 1 << 30}},
        // a = -(2^32 - 1): halved once, rounding toward minus infinity.
        {{{0, INT_MIN}, {0, INT_MAX}}, {INT_MIN, 0, 0}},
    };
    for (Case const& c : cases) {
        tagFormula_t f{};
        CulcFormulaOfSegment(&c.s, &f);
        EXPECT_EQ(f.a, c.expected.a);
        EXPECT_EQ(f.b, c.expected.b);
        EXPECT_EQ(f.c, c.expected.c);
    }
}

TEST(LegacyLineFormulaTest, LeastSquaresLineAlongTheWiderSpread)
{
    tagPoint_t const sloped[] = {{0, 1}, {1, 3}, {2, 5}, {5, 11}, {9, 19}};  // y = 2 x + 1
    tagFormula_t f{};
    ASSERT_EQ(CulcLine(sloped, 5, &f), 1);
    for (tagPoint_t const& p : sloped) {
        EXPECT_EQ(Residual(f, p), 0) << p.x;
    }
    int y = 0;
    ASSERT_EQ(ReduceFormulaY(&f, 100, &y), 1);
    EXPECT_EQ(y, 201);

    tagPoint_t const upright[] = {{7, 0}, {8, 10}, {7, 20}, {8, 30}, {7, 40}};  // x = 7.4
    ASSERT_EQ(CulcLine(upright, 5, &f), 1);
    int x = 0;
    ASSERT_EQ(ReduceFormulaX(&f, 20, &x), 1);
    EXPECT_EQ(x, 7);
    EXPECT_EQ(ReduceFormulaY(&f, 7, &y), 0) << "a vertical fit has no y at a column";

    tagPoint_t const same[] = {{4, 4}, {4, 4}, {4, 4}};
    EXPECT_EQ(CulcLine(same, 3, &f), 0);
    EXPECT_EQ(CulcLine(sloped, 1, &f), 0);

    // Far points: the sums are wide, the formula is halved to fit.
    tagPoint_t const far[] = {{-2000000000, -1000000000}, {0, 0}, {2000000000, 1000000000}};
    ASSERT_EQ(CulcLine(far, 3, &f), 1);
    ASSERT_EQ(ReduceFormulaY(&f, 123456, &y), 1);
    EXPECT_NEAR(y, 61728, 1);
}

TEST(LegacyLineFormulaTest, Crossings)
{
    tagSegment_t const down{{0, 0}, {10, 10}}, up{{0, 10}, {10, 0}}, flat{{0, 0}, {10, 5}}, level{{0, 3}, {9, 3}};
    tagPoint_t p{};
    ASSERT_EQ(CulcCrossPoint(&down, &up, &p), 1);
    EXPECT_EQ(p.x, 5);
    EXPECT_EQ(p.y, 5);
    ASSERT_EQ(CulcCrossPointWithHorizontalSegment(&flat, 4, &p), 1);
    EXPECT_EQ(p.x, 8);
    ASSERT_EQ(CulcCrossPointWithVerticalSegment(&flat, 4, &p), 1);
    EXPECT_EQ(p.y, 2);
    EXPECT_EQ(CulcCrossPointWithHorizontalSegment(&level, 7, &p), 0);
    tagSegment_t const parallel{{0, 5}, {10, 15}};
    EXPECT_EQ(CulcCrossPoint(&down, &parallel, &p), 0);

    // y = 2 x and 3 x - 2 y + INT_MAX = 0 cross at (INT_MAX, 2 INT_MAX): off the plane.
    tagFormula_t const twice{2, -1, 0}, steep{3, -2, INT_MAX};
    p = {-7, -7};
    EXPECT_EQ(ReduceDoubleFormula(&twice, &steep, &p), 0);
    EXPECT_EQ(p.x, -7) << "nothing written";
}

TEST(LegacyLineFormulaTest, ShapesFromSides)
{
    tagSegment_t const across{{0, 5}, {10, 5}}, along{{4, 0}, {4, 8}};
    tagTetragon_t t{};
    ASSERT_EQ(TwoSegmentsToTetragon(&t, &across, &along), 0);
    tagPoint_t const corners[4] = {{0, 0}, {10, 0}, {10, 8}, {0, 8}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(t.corner[i].x, corners[i].x) << i;
        EXPECT_EQ(t.corner[i].y, corners[i].y) << i;
    }
    tagSegment_t const again{{0, 7}, {10, 7}};
    EXPECT_EQ(TwoSegmentsToTetragon(&t, &across, &again), 1);

    tagTetragon_t const slanted{{{2, 0}, {12, 0}, {10, 8}, {0, 8}}};
    tagRect_t r{};
    ASSERT_EQ(TetragonToVirtualRectHorizontal(&slanted, &r), 1);
    EXPECT_EQ(r.left, 2);
    EXPECT_EQ(r.right, 12);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.bottom, 8);
    EXPECT_EQ(TetragonToVirtualRectVertical(&slanted, &r), 0) << "side 0 runs along row 0";
    tagTetragon_t const turned{{{12, 0}, {10, 8}, {0, 8}, {2, 0}}};
    ASSERT_EQ(TetragonToVirtualRectVertical(&turned, &r), 1);
    EXPECT_EQ(r.left, 2);
    EXPECT_EQ(r.bottom, 8);
}

TEST(LegacyLineFormulaTest, SegmentsLengthenedAndTrimmedByARectangle)
{
    tagRect_t const box{0, 0, 10, 10};
    using Cut = int (*)(tagSegment_t const*, tagRect_t const*, tagSegment_t*);
    struct Case {
        char const* name;
        Cut cut;
        tagSegment_t in;
        int answer;
        tagSegment_t out;
    };
    Case const cases[] = {
        {"lengthen", LengthenSegmentToRectBorder, {{4, 4}, {2, 2}}, 1, {{0, 0}, {10, 10}}},
        {"lengthen upward", LengthenSegmentToRectBorder_DEC2D, {{2, 2}, {4, 4}}, 1, {{10, 10}, {0, 0}}},
        {"lengthen level", LengthenSegmentToRectBorder, {{7, 3}, {5, 3}}, 1, {{0, 3}, {10, 3}}},
        {"lengthen missing", LengthenSegmentToRectBorder, {{20, 0}, {20, 5}}, 0, {}},
        {"lengthen a point", LengthenSegmentToRectBorder, {{5, 5}, {5, 5}}, 0, {}},
        {"trim one end out", TrimSegmentInRectBorder, {{15, 5}, {5, 5}}, 1, {{5, 5}, {10, 5}}},
        {"trim both in", TrimSegmentInRectBorder, {{5, 8}, {5, 2}}, 1, {{5, 2}, {5, 8}}},
        {"trim both out", TrimSegmentInRectBorder, {{-5, 5}, {15, 5}}, 0, {}},
        {"trim upward", TrimSegmentInRectBorder_DEC2D, {{5, 5}, {5, 15}}, 1, {{5, 10}, {5, 5}}},
    };
    for (Case const& c : cases) {
        tagSegment_t out{};
        EXPECT_EQ(c.cut(&c.in, &box, &out), c.answer) << c.name;
        if (c.answer) {
            EXPECT_EQ(out.begin.x, c.out.begin.x) << c.name;
            EXPECT_EQ(out.begin.y, c.out.begin.y) << c.name;
            EXPECT_EQ(out.end.x, c.out.end.x) << c.name;
            EXPECT_EQ(out.end.y, c.out.end.y) << c.name;
        }
    }
}

}  // namespace
