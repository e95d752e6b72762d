// The grid of dot lines: built from dot centres, grown and trimmed side by
// side, and the symbols it reads through the decoder handle, whose region
// runs two lines inside the symbol.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "decoder/core/geometry/geometry.h"
#include "decoder/matrix/dot_code/data_dot_grid.h"
#include "decoder/matrix/dot_code/dot_code_binarization_table.h"
#include "decoder/matrix/dot_code/dot_code_decoder.h"
#include "decoder/matrix/dot_code/dot_code_dot_stack.h"
#include "decoder/matrix/dot_code/dot_code_first_grid.h"
#include "tests/decoder/matrix/dot_code/dot_code_fixture.h"
#include "tests/support/frame.h"

namespace {

using DEC2DIvra::CalcFirstDataDotGridSubroutine;
using DEC2DIvra::DataDotGrid;
using DEC2DIvra::DotCenter;
using DEC2DIvra::DotStepVectors;
using DEC2DIvra::LineSegment;
using DEC2DIvra::Point;
using DEC2DIvra::Vector;

constexpr int kPitch = 4 * 256;  // 4 px a position
constexpr int kOrigin = 40 * 256;

Point Position(int column, int row) { return Point{kOrigin + column * kPitch, kOrigin + row * kPitch}; }

// A grid of `columns` x `rows` straight lines a pitch apart.
void MakeGrid(DataDotGrid& grid, unsigned columns, unsigned rows)
{
    grid.Clear();
    for (unsigned i = 0; i < columns; ++i) {
        grid.GetSegments(true).Push(LineSegment{Position(int(i), 0), Position(int(i), int(rows) - 1)});
    }
    for (unsigned j = 0; j < rows; ++j) {
        grid.GetSegments(false).Push(LineSegment{Position(0, int(j)), Position(int(columns) - 1, int(j))});
    }
    grid.SetRanges(columns - 1, rows - 1);
}

DEC2DIvra::GrayImage BlankImage(support::Frame& frame)
{
    return DEC2DIvra::GrayImage(frame.width, frame.height, frame.width, frame.pixels.data());
}

TEST(DataDotGridTest, ProbedLinesOutsideTheRangeInUseAreDroppedOrMadePermanent)
{
    support::Frame frame = support::makeFrame(200, 200, 900);
    DEC2DIvra::GrayImage const image = BlankImage(frame);
    DataDotGrid grid;
    MakeGrid(grid, 6, 5);
    // One probed line beyond each side, then the outer lines dropped: the
    // grid of before, its parity flipped twice over.
    for (bool columns : {true, false}) {
        for (bool last : {false, true}) {
            ASSERT_TRUE(grid.PushTempOuterSegment(image, last, columns));
            EXPECT_EQ(grid.CountBeyond(last, columns), 1u);
        }
    }
    EXPECT_EQ(grid.GetSegments(true).GetCount(), 8u);
    EXPECT_EQ(grid.GetCount(true), 6u);
    EXPECT_FALSE(grid.GetParity());
    ASSERT_TRUE(grid.DeleteOuterSegment());
    EXPECT_EQ(grid.GetSegments(true).GetCount(), 6u);
    EXPECT_EQ(grid.GetSegments(false).GetCount(), 5u);
    Point p;
    ASSERT_TRUE(grid.CalcPoint(3, 2, p));
    EXPECT_EQ(p, Position(3, 2));
    ASSERT_TRUE(grid.CalcPoint(5, 4, p));
    EXPECT_EQ(p, Position(5, 4));

    // Two probes before the first column, then the outer one confirmed a
    // pixel further out than probed: the line between becomes the centre
    // line of its neighbours.
    ASSERT_TRUE(grid.PushTempOuterSegment(image, false, true));
    ASSERT_TRUE(grid.PushTempOuterSegment(image, false, true));
    EXPECT_EQ(grid.CountBeyond(false, true), 2u);
    DEC2DIvra::Line outer;
    Point const a{kOrigin - 2 * kPitch - 256, kOrigin};
    Point const b{kOrigin - 2 * kPitch - 256, kOrigin + kPitch};
    ASSERT_TRUE(DEC2DIvra::Geometry::CalcLine(a, b, outer));
    ASSERT_TRUE(grid.PushOuterSegment(outer, false, true));
    EXPECT_EQ(grid.GetFirstIndex(true), 0u);
    EXPECT_EQ(grid.GetCount(true), 8u);
    ASSERT_TRUE(grid.CalcPoint(1, 2, p));
    EXPECT_NEAR(p.x, kOrigin - kPitch - 128, 2);
    EXPECT_NEAR(p.y, kOrigin + 2 * kPitch, 2);
}

// A dot found on a probed column ends the row it crosses there; the row
// probed beyond the last in use turns parallel to that row with it.
TEST(DataDotGridTest, ADotOnAProbedLineEndsTheCrossingLine)
{
    support::Frame frame = support::makeFrame(200, 200, 900);
    DEC2DIvra::GrayImage const image = BlankImage(frame);
    DataDotGrid grid;
    MakeGrid(grid, 6, 5);
    ASSERT_TRUE(grid.PushTempOuterSegment(image, true, false));  // row 5, beyond
    ASSERT_TRUE(grid.PushTempOuterSegment(image, true, true));   // column 6, beyond
    auto& rows = grid.GetSegments(false);
    ASSERT_EQ(rows.GetCount(), 6u);
    EXPECT_EQ(rows[4].end, Position(6, 4));
    Point const dot{Position(6, 4).x, Position(6, 4).y + 300};
    grid.CorrectCrossSegment(dot, true, true, 4);
    EXPECT_EQ(rows[4].end, dot);
    Vector const along{rows[4].end.x - rows[4].begin.x, rows[4].end.y - rows[4].begin.y};
    EXPECT_EQ(rows[5].end.x - rows[5].begin.x, along.dx);
    EXPECT_EQ(rows[5].end.y - rows[5].begin.y, along.dy);
    // An inner row moves alone.
    grid.CorrectCrossSegment(Position(6, 2), true, true, 2);
    EXPECT_EQ(rows[2].end, Position(6, 2));
    EXPECT_EQ(rows[5].end.y - rows[5].begin.y, along.dy);
}

TEST(DataDotGridTest, OutermostLinesCloserThanHalfAPixelAreNotExtrapolated)
{
    support::Frame frame = support::makeFrame(200, 200, 900);
    DataDotGrid grid;
    grid.Clear();
    grid.GetSegments(true).Push(LineSegment{Position(0, 0), Position(0, 4)});
    grid.GetSegments(true).Push(LineSegment{{kOrigin + 100, kOrigin}, {kOrigin + 100, kOrigin + 4 * kPitch}});
    for (int j = 0; j < 5; ++j) {
        grid.GetSegments(false).Push(LineSegment{Position(0, j), {kOrigin + 100, kOrigin + j * kPitch}});
    }
    grid.SetRanges(1, 4);
    EXPECT_FALSE(grid.PushTempOuterSegment(BlankImage(frame), true, true));
    EXPECT_EQ(grid.GetSegments(true).GetCount(), 2u);
}

// Centres of a checkerboard of c x r positions, the first column starting
// with a dot or a blank, with up to three columns of dots missing: the grid
// gets the missing lines back (as many as the gap and the parity of the
// lines around it tell) and tells the parity.
TEST(CalcFirstDataDotGridTest, TheGridHasEveryLineAndTheFirstColumnsParity)
{
    struct Case {
        unsigned columns;
        unsigned rows;
        bool blankFirst;
        int missingFrom;  // columns missing, -1 none
        int missingTo;
    } const cases[] = {{12, 9, false, -1, -1}, {12, 9, true, -1, -1}, {15, 10, false, 6, 6}, {20, 13, true, 9, 9},
                       {16, 11, false, 5, 6},   {21, 14, true, 8, 10}};
    for (Case const& c : cases) {
        std::vector<DotCenter> centres;
        std::mt19937 random(c.columns * 31 + c.rows);
        for (unsigned j = 0; j < c.rows; ++j) {
            for (unsigned i = 0; i < c.columns; ++i) {
                bool const dotPosition = ((i + j) % 2 == 0) != c.blankFirst;
                // The corners and edges dotted, the inside at random.
                bool const edge = i == 0 || j == 0 || i + 1 == c.columns || j + 1 == c.rows;
                bool const missing = int(i) >= c.missingFrom && int(i) <= c.missingTo;
                if (!dotPosition || missing || (!edge && random() % 3 == 0)) {
                    continue;
                }
                Point const p = Position(int(i), int(j));
                centres.push_back(DotCenter{p.x + int(random() % 61) - 30, p.y + int(random() % 61) - 30, 200});
            }
        }
        DotStepVectors steps;
        steps.Set(Vector{kPitch, 0}, Vector{0, kPitch});
        std::vector<DotCenter> sorted(centres.size());
        DataDotGrid grid;
        CalcFirstDataDotGridSubroutine first;
        ASSERT_TRUE(first.Start(steps, Vector{-kPitch / 2, -kPitch / 2}, Vector{kPitch / 2, kPitch / 2},
                                centres.data(), unsigned(centres.size()), sorted.data(), grid))
            << c.columns << " x " << c.rows;
        EXPECT_EQ(grid.GetCount(true), c.columns) << c.columns << " x " << c.rows;
        EXPECT_EQ(grid.GetCount(false), c.rows) << c.columns << " x " << c.rows;
        EXPECT_EQ(grid.GetParity(), c.blankFirst) << c.columns << " x " << c.rows;
        Point p;
        ASSERT_TRUE(grid.CalcPoint(c.columns / 2, c.rows / 2, p));
        EXPECT_NEAR(p.x, Position(int(c.columns / 2), 0).x, 64);
        EXPECT_NEAR(p.y, Position(0, int(c.rows / 2)).y, 64);
    }
}

// A table cut without edge lines and set back: the same inner cells, the cut
// lines untouched.
TEST(BinarizationTableForDotCodeTest, APartSetBackFillsTheCellsItWasCutFrom)
{
    unsigned char cells[3][7 * 5] = {};
    DEC2DIvra::BinarizationTableForDotCode table(DEC2DIvra::VirtualArray<unsigned char>(cells[0], 35));
    DEC2DIvra::BinarizationTableForDotCode part(DEC2DIvra::VirtualArray<unsigned char>(cells[1], 35));
    DEC2DIvra::BinarizationTableForDotCode back(DEC2DIvra::VirtualArray<unsigned char>(cells[2], 35));
    ASSERT_TRUE(table.SetSize(7, 5));
    for (unsigned y = 0; y < 5; ++y) {
        for (unsigned x = 0; x < 7; ++x) {
            table.At(x, y) = static_cast<unsigned char>(1 + y * 7 + x);
        }
    }
    // The cells each cut drops: left, right, top and bottom lines.
    unsigned const drops[5][4] = {{1, 1, 1, 0}, {1, 1, 0, 1}, {1, 0, 0, 0}, {0, 1, 0, 0}, {1, 1, 0, 0}};
    for (unsigned cut = 0; cut < 5; ++cut) {
        ASSERT_TRUE(table.ExtractPartTable(cut, false, part)) << cut;
        ASSERT_TRUE(back.SetSize(7, 5));
        for (unsigned i = 0; i < 35; ++i) {
            cells[2][i] = 0;
        }
        ASSERT_TRUE(back.SetPartTable(part, cut)) << cut;
        for (unsigned y = 0; y < 5; ++y) {
            for (unsigned x = 0; x < 7; ++x) {
                bool const dropped = (x == 0 && drops[cut][0]) || (x == 6 && drops[cut][1]) ||
                                     (y == 0 && drops[cut][2]) || (y == 4 && drops[cut][3]);
                EXPECT_EQ(back.At(x, y), dropped ? 0 : table.At(x, y)) << cut << " at " << x << ", " << y;
            }
        }
        // A part of another size is refused.
        EXPECT_FALSE(back.SetPartTable(part, cut == 2 || cut == 3 ? 0 : 2)) << cut;
    }
}

// The regions round dots (a step each way along both axes) unite when they
// overlap: diagonal neighbours into the parallelogram round both, a region
// inside another into that one; regions that only touch at a corner stay
// apart.
TEST(DotsRegionTest, OverlappingRegionsUniteIntoTheOutlineRoundBoth)
{
    Vector const u{900, 200};
    Vector const w{-200, 900};
    auto regionAt = [&](Point const& c, int half) {
        DEC2DIvra::DotsRegion r;
        r.region.corner[0] = Point{c.x - half * (u.dx + w.dx), c.y - half * (u.dy + w.dy)};
        r.region.corner[1] = Point{c.x + half * (u.dx - w.dx), c.y + half * (u.dy - w.dy)};
        r.region.corner[2] = Point{c.x + half * (u.dx + w.dx), c.y + half * (u.dy + w.dy)};
        r.region.corner[3] = Point{c.x + half * (w.dx - u.dx), c.y + half * (w.dy - u.dy)};
        r.count = 1;
        return r;
    };
    Point const c{50000, 40000};
    Point const diagonal{c.x + u.dx + w.dx, c.y + u.dy + w.dy};
    for (bool swapped : {false, true}) {
        DEC2DIvra::DotsRegion a = regionAt(swapped ? c : diagonal, 1);
        DEC2DIvra::DotsRegion b = regionAt(swapped ? diagonal : c, 1);
        bool united = false;
        ASSERT_TRUE(DEC2DIvra::DotCodeDecoder::UniteDotsRegion(a, b, united));
        ASSERT_TRUE(united) << swapped;
        EXPECT_EQ(b.count, 2u);
        Point const expected[4] = {{c.x - u.dx - w.dx, c.y - u.dy - w.dy},
                                   {c.x + 2 * u.dx - w.dx, c.y + 2 * u.dy - w.dy},
                                   {c.x + 2 * u.dx + 2 * w.dx, c.y + 2 * u.dy + 2 * w.dy},
                                   {c.x + 2 * w.dx - u.dx, c.y + 2 * w.dy - u.dy}};
        for (unsigned k = 0; k < 4; ++k) {
            EXPECT_NEAR(b.region.corner[k].x, expected[k].x, 2) << swapped << " corner " << k;
            EXPECT_NEAR(b.region.corner[k].y, expected[k].y, 2) << swapped << " corner " << k;
        }
    }
    // A region inside a larger one: the larger is kept.
    DEC2DIvra::DotsRegion inner = regionAt(c, 1);
    DEC2DIvra::DotsRegion outer = regionAt(c, 3);
    outer.count = 5;
    bool united = false;
    ASSERT_TRUE(DEC2DIvra::DotCodeDecoder::UniteDotsRegion(inner, outer, united));
    EXPECT_TRUE(united);
    EXPECT_EQ(outer.count, 6u);
    EXPECT_EQ(outer.region, regionAt(c, 3).region);
    // Four steps apart along u: apart.
    DEC2DIvra::DotsRegion far = regionAt(Point{c.x + 4 * u.dx, c.y + 4 * u.dy}, 1);
    DEC2DIvra::DotsRegion near = regionAt(c, 1);
    ASSERT_TRUE(DEC2DIvra::DotCodeDecoder::UniteDotsRegion(far, near, united));
    EXPECT_FALSE(united);
    EXPECT_EQ(near.count, 1u);
}

// Each dot the locator hands over stands for the dots its size and kind
// tell: one of the mode size, two side by side, three in a triangle; dots of
// the other colour and of other sizes for none.
TEST(DotCandidatesTest, EachDotGivesTheCentresOfTheDotsItHolds)
{
    DEC2DIvra::DotStack dots;
    dots.SetLargestSize(640, 480);
    auto dot = [](int x, unsigned size, bool dark, unsigned char kind) {
        DEC2DIvra::Dot d;
        d.position = Point{x, 100};
        d.size = size;
        d.dark = dark ? 1 : 0;
        d.separation = kind;
        d.separated[0] = Point{x - 2, 100};
        d.separated[1] = Point{x + 2, 100};
        return d;
    };
    for (int i = 0; i < 6; ++i) {
        dots.PushDot(dot(10 * i, 4, true, DEC2DIvra::Dot::kSingle));
    }
    dots.PushDot(dot(100, 8, true, DEC2DIvra::Dot::kTwo));       // two of size 4
    dots.PushDot(dot(120, 4, true, DEC2DIvra::Dot::kTriangle));  // three
    dots.PushDot(dot(140, 4, false, DEC2DIvra::Dot::kSingle));   // the other colour
    dots.PushDot(dot(160, 9, true, DEC2DIvra::Dot::kSingle));    // too large
    ASSERT_TRUE(dots.SetStandard());
    unsigned const mode = dots.CalcModeSize();
    ASSERT_EQ(mode, 4u);
    Point centres[32];
    unsigned count = 0;
    DEC2DIvra::DotCodeDecoder::SetTempDotCenterStack(dots, mode, centres, count, 32);
    std::vector<int> xs;
    for (unsigned i = 0; i < count; ++i) {
        xs.push_back(centres[i].x / 256);
    }
    EXPECT_EQ(xs, (std::vector<int>{0, 10, 20, 30, 40, 50, 98, 102, 120, 118, 122}));
    // Room for five: the first five, nothing written beyond.
    Point few[6] = {};
    count = 0;
    DEC2DIvra::DotCodeDecoder::SetTempDotCenterStack(dots, mode, few, count, 5);
    EXPECT_EQ(count, 5u);
    EXPECT_EQ(few[5], Point{});
}

using dot_code_test::DotCodeHarness;
using dot_code_test::DotCodeInput;

// The region of a symbol read along its grid: the dot positions two lines
// inside on every side, each corner next to the one before it.
TEST(DotCodeGridReadTest, TheRegionRunsThroughPositionsTwoLinesInside)
{
    DotCodeHarness harness;
    ASSERT_TRUE(harness.IsReady());
    struct Case {
        char const* text;
        double size;
        double angle;
        bool inverted;
    } const cases[] = {{"DotCode 1234", 3.5, 0, false}, {"DotCode 1234", 5.0, 0, false},
                       {"DotCode 1234", 3.5, 0, true}, {"DotCode 1234", 5.0, 0, true}};
    for (Case const& c : cases) {
        support::Rendering const r = support::render(
            DotCodeInput(c.text), {.moduleSize = c.size, .angle = c.angle, .inverted = c.inverted});
        ASSERT_TRUE(r.symbol.ok);
        auto const& labels = harness.Read(r.frame);
        ASSERT_EQ(labels.size(), 1u) << c.text << " at " << c.size;
        EXPECT_EQ(labels[0].data, c.text);
        EXPECT_EQ(labels[0].flag, c.inverted ? 1u : 0u) << c.text;
        tagDEC2D_REGION const& g = labels[0].region;
        support::Point const found[4] = {{double(g.x0), double(g.y0)}, {double(g.x1), double(g.y1)},
                                         {double(g.x2), double(g.y2)}, {double(g.x3), double(g.y3)}};
        double const inner[2][2] = {{2.5, r.symbol.widthModules - 2.5}, {2.5, r.symbol.heightModules - 2.5}};
        int sides[4][2];
        for (unsigned k = 0; k < 4; ++k) {
            // Whole pixels: within a pixel and a half of the position.
            support::Point const m = r.symbol.toModule({found[k].x + 0.5, found[k].y + 0.5});
            for (unsigned axis = 0; axis < 2; ++axis) {
                double const v = axis == 0 ? m.x : m.y;
                double const near0 = std::fabs(v - inner[axis][0]);
                double const near1 = std::fabs(v - inner[axis][1]);
                sides[k][axis] = near0 < near1 ? 0 : 1;
                EXPECT_LT(near0 < near1 ? near0 : near1, 1.5 / c.size + 0.3) << c.text << " corner " << k;
            }
        }
        for (unsigned k = 0; k < 4; ++k) {
            unsigned const n = (k + 1) % 4;
            int const shared = (sides[k][0] == sides[n][0]) + (sides[k][1] == sides[n][1]);
            EXPECT_EQ(shared, 1) << c.text << " corners " << k << " and " << n;
        }
    }
}

// Frames of grey noise, as a camera sees a blank patch in poor light, give
// no label and cost a bounded search.
TEST(DotCodeGridReadTest, NoiseGivesNoLabel)
{
    DotCodeHarness harness;
    ASSERT_TRUE(harness.IsReady());
    for (int seed = 1; seed <= 3; ++seed) {
        support::Frame frame = support::makeFrame(640, 480, 512);
        std::mt19937 random(static_cast<unsigned>(seed));
        std::normal_distribution<double> noise(512.0, 60.0 * seed);
        for (auto& v : frame.pixels) {
            v = static_cast<uint16_t>(std::clamp(noise(random), 0.0, 1023.0));
        }
        EXPECT_TRUE(harness.Read(frame).empty()) << seed;
    }
}

}  // namespace
