// The timing side pickers on zint symbols drawn at a slant and in
// perspective: the outer edge lines and the short lines along a timing side
// lie on the side's drawn edge, the edge lines starting from a side a
// quarter module off;
// the run of evenly spaced edges restarts at a gap twice as large; and a
// flat frame, a side off the frame or of no length gives no edge.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "decoder/matrix/data_matrix/data_matrix_timing_line.h"
#include "tests/support/symbol_renderer.h"

namespace data_matrix_timing_test {
namespace {

using namespace DEC2DIvra;

// Frame coordinates (pixel centres at x + 0.5) to the decoder's points at
// 1/256 pixel (pixel centres on whole pixels).
DEC2DIvra::Point ToDecoder(support::Point const& p)
{
    return DEC2DIvra::Point{static_cast<int>(std::lround((p.x - 0.5) * 256)),
                            static_cast<int>(std::lround((p.y - 0.5) * 256))};
}

// Distance in pixels of a frame point from a line in 1/256 pixel.
double DistanceInPixels(Line const& line, support::Point const& p)
{
    DEC2DIvra::Point const q = ToDecoder(p);
    double const norm = std::hypot(static_cast<double>(line.a), static_cast<double>(line.b));
    return std::fabs(static_cast<double>(line.Evaluate(q))) / norm / 256.0;
}

struct Scene {
    char const* name;
    int size;  // zint's size option
    double moduleSize;
    double angle;
    double perspectiveX;
};

class DataMatrixTimingTest : public ::testing::TestWithParam<Scene> {
protected:
    std::vector<unsigned char> buffer = std::vector<unsigned char>(1u << 20);
    SharedMemoryDistributor memory{buffer.data(), static_cast<unsigned>(buffer.size())};
    TimingEdgeWorkArea work{memory};
};

void PrintTo(Scene const& s, std::ostream* os) { *os << s.name; }

TEST_P(DataMatrixTimingTest, TimingSideLinesLieOnTheDrawnEdges)
{
    Scene const& s = GetParam();
    support::Rendering const r = support::render(
        {.symbology = BARCODE_DATAMATRIX, .data = "timing sides of a data matrix 0123456789", .option2 = s.size},
        {.moduleSize = s.moduleSize, .angle = s.angle, .perspectiveX = s.perspectiveX});
    ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
    GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
    double const w = r.symbol.widthModules;
    double const h = r.symbol.heightModules;
    // The top side (a timing side) from its outer corners, and the same
    // side as a rough outline would put it: a quarter module inwards.
    support::Point const topLeft = r.symbol.toFrame({0, 0});
    support::Point const topRight = r.symbol.toFrame({w, 0});
    support::Point const bottomRight = r.symbol.toFrame({w, h});
    LineSegment const rough{ToDecoder(r.symbol.toFrame({0, 0.25})), ToDecoder(r.symbol.toFrame({w - 0.25, 0.25}))};
    support::Point const centre = r.symbol.toFrame({w / 2, h / 2});
    DEC2DIvra::Point const c = ToDecoder(centre);
    DEC2DIvra::Point const m = ToDecoder(r.symbol.toFrame({w / 2, 0}));
    Vector const outward{m.x - c.x, m.y - c.y};

    CalcTimingEdgeLineSubroutine const edgeLine(work);
    for (bool fifths : {false, true}) {
        Line edge;
        ASSERT_EQ(edgeLine.Start(image, rough, outward, static_cast<unsigned>(4 * s.moduleSize * 256), edge, fifths),
                  1u);
        EXPECT_LT(DistanceInPixels(edge, topLeft), 1.0) << (fifths ? "fifths" : "thirds");
        EXPECT_LT(DistanceInPixels(edge, topRight), 1.0) << (fifths ? "fifths" : "thirds");
    }

    // Followed module by module along the right side (a timing side) from
    // its bottom corner: every short line lies on the side's outer edge.
    DEC2DIvra::Point const start = ToDecoder(bottomRight);
    DEC2DIvra::Point const end = ToDecoder(topRight);
    Vector const side{end.x - start.x, end.y - start.y};
    int const modules = static_cast<int>(h);
    Vector const step{side.dx / modules, side.dy / modules};
    DEC2DIvra::Point const rightMiddle = ToDecoder(r.symbol.toFrame({w, h / 2}));
    bool const outwardLeft = static_cast<long long>(side.dy) * (rightMiddle.x - c.x) -
                                 static_cast<long long>(side.dx) * (rightMiddle.y - c.y) >
                             0;
    Line lines[64];
    StackInterface<Line> chain(lines, 64);
    CalcTimingPatternPolygonalLine const follow(work);
    ASSERT_EQ(follow.Start(image, start, step, side, outwardLeft, chain), 1u);
    ASSERT_GE(chain.GetCount(), 5u);
    // Each short line runs within two pixels of the side's edge at the
    // side's middle (towards which every chain runs), nearly all within one.
    unsigned close = 0;
    for (unsigned i = 0; i < chain.GetCount(); ++i) {
        double const off = DistanceInPixels(lines[i], r.symbol.toFrame({w, h / 2}));
        EXPECT_LT(off, 2.0) << "line " << i;
        close += off < 1.0 ? 1 : 0;
    }
    EXPECT_GE(10 * close, 9 * chain.GetCount());
}

INSTANTIATE_TEST_SUITE_P(Drawn, DataMatrixTimingTest,
                         ::testing::Values(Scene{"Square44At3PixelsTurned20Degrees", 13, 3.0, 20.0, 0.0},
                                           Scene{"Square52At3PixelsTurned200Degrees", 15, 3.0, 200.0, 0.0},
                                           Scene{"Square44InPerspective", 13, 3.5, 70.0, 0.2}),
                         [](::testing::TestParamInfo<Scene> const& info) { return std::string(info.param.name); });

// An activity profile of runs 10 pixels long, then runs of 20: the evenly
// spaced edges are those of the last run, from the first gap twice as large.
TEST(DataMatrixTimingEdgePositionTest, AGapTwiceAsLargeRestartsTheRun)
{
    std::vector<unsigned char> buffer(1u << 20);
    SharedMemoryDistributor memory(buffer.data(), static_cast<unsigned>(buffer.size()));
    TimingEdgeWorkArea work(memory);
    std::vector<PickLineElement> samples;
    int x = 0;
    bool high = false;
    auto run = [&](int length) {
        for (int i = 0; i < length; ++i, ++x) {
            samples.push_back(PickLineElement{x * 256, high ? 400u : 20u});
        }
        high = !high;
    };
    for (int i = 0; i < 6; ++i) {
        run(10);
    }
    for (int i = 0; i < 4; ++i) {
        run(20);
    }
    StackInterface<PickLineElement> elements(samples.data(), static_cast<unsigned>(samples.size()));
    elements.SetCount(static_cast<unsigned>(samples.size()));
    int found[32];
    StackInterface<int> positions(found, 32);
    CalcTimingEdgePositionSubroutine const edges(work);
    GrayImage const image(1, 1, 1, nullptr);
    ASSERT_EQ(edges.Start(image, elements, 0, static_cast<unsigned>(x), positions), 1u);
    ASSERT_EQ(positions.GetCount(), 3u);  // the edges at 80, 100 and 120 pixels
    for (unsigned i = 0; i < 3; ++i) {
        EXPECT_NEAR(found[i], (80 + 20 * static_cast<int>(i)) * 256, 256) << i;
    }
}

// A frame with no symbol, a side running off the frame and a side of no
// length: nothing is picked and nothing is pushed.
TEST(DataMatrixTimingEdgeLineTest, NoEdgeOnAFlatFrameOrOffIt)
{
    std::vector<unsigned char> buffer(1u << 20);
    SharedMemoryDistributor memory(buffer.data(), static_cast<unsigned>(buffer.size()));
    TimingEdgeWorkArea work(memory);
    std::vector<unsigned short> pixels(160 * 120, 128);
    GrayImage const image(160, 120, 160, pixels.data());
    CalcTimingEdgeLineSubroutine const edgeLine(work);
    Line edge{1, 2, 3};
    LineSegment const inside{DEC2DIvra::Point{40 * 256, 40 * 256}, DEC2DIvra::Point{120 * 256, 40 * 256}};
    LineSegment const off{DEC2DIvra::Point{-400 * 256, -300 * 256}, DEC2DIvra::Point{-100 * 256, -300 * 256}};
    for (bool fifths : {false, true}) {
        EXPECT_EQ(edgeLine.Start(image, inside, Vector{0, -256}, 12 * 256, edge, fifths), 0u);
        EXPECT_EQ(edgeLine.Start(image, off, Vector{0, -256}, 12 * 256, edge, fifths), 0u);
    }
    EXPECT_EQ(edge.a, 1);
    EXPECT_EQ(edge.b, 2);
    EXPECT_EQ(edge.c, 3);

    Line lines[8];
    StackInterface<Line> chain(lines, 8);
    CalcTimingPatternPolygonalLine const follow(work);
    DEC2DIvra::Point const start{40 * 256, 40 * 256};
    EXPECT_EQ(follow.Start(image, start, Vector{0, 0}, Vector{80 * 256, 0}, true, chain), 0u);
    EXPECT_EQ(follow.Start(image, start, Vector{4 * 256, 0}, Vector{0, 0}, true, chain), 0u);
    follow.Start(image, start, Vector{4 * 256, 0}, Vector{80 * 256, 0}, true, chain);
    EXPECT_TRUE(chain.IsEmpty());
}

}  // namespace
}  // namespace data_matrix_timing_test
