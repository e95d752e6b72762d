#include <gtest/gtest.h>

#include <zint.h>

#include <cmath>
#include <vector>

#include "decoder/core/sampling/calc_edge_line_subroutine.h"
#include "decoder/core/sampling/common_pick_edge_point_subroutine.h"
#include "tests/support/symbol_renderer.h"

namespace DEC2DIvra {
namespace {

Point At(support::RenderedSymbol const& symbol, double column, double row)
{
    support::Point const p = symbol.toFrame(support::Point{column, row});
    return Point{static_cast<int>(std::lround((p.x - 0.5) * 256)), static_cast<int>(std::lround((p.y - 0.5) * 256))};
}

// Distance in pixels of a point (1/256 pixel) from a line over 1/256 pixels.
double Distance(Line const& line, Point const& p)
{
    return std::abs(double(line.a) * p.x + double(line.b) * p.y + line.c) / std::hypot(line.a, line.b) / 256.0;
}

TEST(EdgeLineTest, EdgeLineFitsASymbolSideAndDropsAStrayMark)
{
    support::SymbolInput const input{.symbology = BARCODE_DATAMATRIX, .data = "EDGE LINE 0123456789"};
    struct {
        char const* what;
        support::RenderOptions options;
        bool mark;
    } const cases[] = {
        {"upright", {.moduleSize = 4.0}, false},
        {"turned, blurred, noisy", {.moduleSize = 3.5, .angle = 57, .blur = 0.9, .noise = 10}, false},
        {"keystone, mark beside the side", {.moduleSize = 4.0, .angle = -20, .perspectiveY = 0.2, .blur = 0.7}, true},
        {"inverted", {.moduleSize = 3.0, .angle = 160, .inverted = true, .blur = 0.6, .noise = 6}, false},
    };
    CalcEdgeLineSubroutine const calc;
    for (auto const& c : cases) {
        auto rendered = support::render(input, c.options);
        ASSERT_TRUE(rendered.symbol.ok) << c.what;
        double const side = rendered.symbol.rows;
        if (c.mark) {
            // A dark speck in the quiet zone, nearer the estimate than the
            // side is: the probe there picks the speck's edge.
            for (int y = 0; y < rendered.frame.height; ++y) {
                for (int x = 0; x < rendered.frame.width; ++x) {
                    support::Point const m = rendered.symbol.toModule(support::Point{x + 0.5, y + 0.5});
                    if (m.x > -1.0 && m.x < -0.75 && m.y > 6.0 && m.y < 8.0) {
                        rendered.frame.at(x, y) = 100;
                    }
                }
            }
        }
        GrayImage const image(rendered.frame.width, rendered.frame.height, rendered.frame.width,
                              rendered.frame.pixels.data());
        // The estimate: the left side (solid) 0.6 module out, tilted.
        LineSegment const estimate{At(rendered.symbol, -0.6, 0.5), At(rendered.symbol, -0.4, side - 0.5)};
        Point const inward = At(rendered.symbol, 1.0, side / 2);
        Point const origin = At(rendered.symbol, 0.0, side / 2);
        Vector const search{inward.x - origin.x, inward.y - origin.y};
        unsigned const range = static_cast<unsigned>(std::lround(2 * c.options.moduleSize));
        Line line;
        ASSERT_TRUE(calc.Start(image, estimate, search, !c.options.inverted, range, line)) << c.what;
        EXPECT_LT(Distance(line, At(rendered.symbol, 0, 0)), 0.2) << c.what;
        EXPECT_LT(Distance(line, At(rendered.symbol, 0, side)), 0.2) << c.what;
        // Directed as the estimate: (-b, a) points from its begin to its end.
        double const along = -double(line.b) * (estimate.end.x - estimate.begin.x) +
                             double(line.a) * (estimate.end.y - estimate.begin.y);
        EXPECT_GT(along, 0) << c.what;
    }
}

TEST(EdgeLineTest, EdgeLineRefusesWithoutEnoughEdges)
{
    std::vector<unsigned short> pixels(100 * 80, 800);
    for (int y = 0; y < 80; ++y) {
        for (int x = 0; x < 40; ++x) {
            pixels[static_cast<size_t>(y * 100 + x)] = 100;
        }
    }
    GrayImage const image(100, 80, 100, pixels.data());
    LineSegment const estimate{{42 * 256, 10 * 256}, {42 * 256, 70 * 256}};
    struct {
        char const* what;
        LineSegment segment;
        Vector search;
        bool colour;
        unsigned range;
    } const cases[] = {
        {"zero-length segment", {{42 * 256, 10 * 256}, {42 * 256, 10 * 256}}, {-256, 0}, true, 5},
        {"zero search vector", estimate, {0, 0}, true, 5},
        {"zero range", estimate, {-256, 0}, true, 0},
        {"wrong colour", estimate, {-256, 0}, false, 5},
        {"flat area", {{70 * 256, 10 * 256}, {70 * 256, 70 * 256}}, {-256, 0}, true, 5},
        {"off the image", {{42 * 256, -70 * 256}, {42 * 256, -10 * 256}}, {-256, 0}, true, 5},
    };
    CalcEdgeLineSubroutine const calc;
    for (auto const& c : cases) {
        Line line(1, 2, 3);
        EXPECT_FALSE(calc.Start(image, c.segment, c.search, c.colour, c.range, line)) << c.what;
        EXPECT_EQ(line, Line(1, 2, 3)) << c.what;
    }
    Line line;
    ASSERT_TRUE(calc.Start(image, estimate, Vector{-256, 0}, true, 5, line));
    EXPECT_LT(Distance(line, Point{39 * 256 + 128, 10 * 256}), 0.05);
    EXPECT_LT(Distance(line, Point{39 * 256 + 128, 70 * 256}), 0.05);
}

TEST(EdgeLineTest, PickSetUpPlacesTheWalkAcrossTheSegment)
{
    std::vector<unsigned short> pixels(100 * 80, 500);
    GrayImage const image(100, 80, 100, pixels.data());
    CommonPickEdgePointSubroutine pick;
    unsigned before = 0;
    unsigned after = 0;
    // A horizontal segment 30 pixels long; the walk crosses it downward from
    // 10 pixels above to 5 below its midpoint.
    LineSegment const segment{{50 * 256, 40 * 256}, {80 * 256, 40 * 256}};
    ASSERT_EQ(pick.Initialize(image, segment, Vector{0, 3}, 10 * 256, 5 * 256, before, after), 1u);
    EXPECT_EQ(pick.GetPickingSegment(), (LineSegment{{65, 30}, {65, 45}}));
    EXPECT_EQ(before, 10u);
    EXPECT_EQ(after, 5u);
    EXPECT_EQ(pick.GetSamplingBegin(), (Vector{-15, 0}));
    EXPECT_EQ(pick.GetSamplingEnd(), (Vector{15, 0}));
    LineSegment sampling;
    ASSERT_TRUE(pick.CalcSamplingLine(image, 0, sampling));
    EXPECT_EQ(sampling, (LineSegment{{50, 30}, {80, 30}}));
    ASSERT_TRUE(pick.CalcSamplingLine(image, 15, sampling));
    EXPECT_EQ(sampling, (LineSegment{{50, 45}, {80, 45}}));
    EXPECT_FALSE(pick.CalcSamplingLine(image, 16, sampling));
    EXPECT_FALSE(pick.CalcSamplingLine(image, -1, sampling));

    // A diagonal direction: the counts are the walk's major-axis steps.
    ASSERT_EQ(pick.Initialize(image, segment, Vector{-1, -1}, 8 * 256, 4 * 256, before, after), 1u);
    EXPECT_EQ(before + after + 1, pick.GetPickingLine().GetLength());
    EXPECT_EQ(before, 6u);  // 8 / sqrt(2), rounded
    EXPECT_EQ(after, 3u);

    struct {
        char const* what;
        LineSegment segment;
        Vector direction;
        unsigned width1;
        unsigned width2;
    } const refused[] = {
        {"zero direction", segment, {0, 0}, 256, 256},
        {"zero segment", {{50 * 256, 40 * 256}, {50 * 256, 40 * 256}}, {0, 1}, 256, 256},
        {"no walk", segment, {0, 1}, 0, 0},
        {"walk leaves the image", segment, {0, 1}, 10 * 256, 60 * 256},
        {"sampling line leaves the image", {{-10 * 256, 40 * 256}, {30 * 256, 40 * 256}}, {0, 1}, 256, 256},
        {"width beyond reason", segment, {0, 1}, 0x80000000u, 256},
    };
    for (auto const& c : refused) {
        unsigned b = 77;
        unsigned a = 77;
        EXPECT_EQ(pick.Initialize(image, c.segment, c.direction, c.width1, c.width2, b, a), 0u) << c.what;
        EXPECT_EQ(b, 77u) << c.what;
        EXPECT_EQ(a, 77u) << c.what;
    }
    // A refused set-up keeps the last good one.
    EXPECT_EQ(pick.GetPickingLine().GetLength(), before + after + 1);
}

}  // namespace
}  // namespace DEC2DIvra
