#include <gtest/gtest.h>

#include <zint.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "decoder/core/sampling/calc_edge_point_subroutine.h"
#include "decoder/core/sampling/pick_edge_point_subroutine.h"
#include "decoder/core/sampling/pick_line_point_subroutine.h"
#include "tests/support/symbol_renderer.h"

namespace DEC2DIvra {
namespace {

// Frame coordinates put pixel centres at +0.5; the decoder's lie on whole
// numbers, here in 1/256 pixel.
Point ToFixed(support::Point const& p)
{
    return Point{static_cast<int>(std::lround((p.x - 0.5) * 256)), static_cast<int>(std::lround((p.y - 0.5) * 256))};
}

support::Point ToModule(support::RenderedSymbol const& symbol, Point const& p)
{
    return symbol.toModule(support::Point{p.x / 256.0 + 0.5, p.y / 256.0 + 0.5});
}

Point At(support::RenderedSymbol const& symbol, double column, double row)
{
    return ToFixed(symbol.toFrame(support::Point{column, row}));
}

GrayImage View(support::Frame const& frame)
{
    return GrayImage(frame.width, frame.height, frame.width, frame.pixels.data());
}

// The bar edges of a one-row symbol, in modules from its left end.
std::vector<int> BarEdges(support::SymbolInput const& input, std::vector<bool>& modules)
{
    std::unique_ptr<zint_symbol, void (*)(zint_symbol*)> symbol(ZBarcode_Create(), ZBarcode_Delete);
    symbol->symbology = input.symbology;
    auto const* bytes = reinterpret_cast<unsigned char const*>(input.data.data());
    EXPECT_LT(ZBarcode_Encode(symbol.get(), bytes, static_cast<int>(input.data.size())), ZINT_ERROR);
    modules.clear();
    for (int c = 0; c < symbol->width; ++c) {
        modules.push_back((symbol->encoded_data[0][c >> 3] >> (c & 7)) & 1);
    }
    std::vector<int> edges;
    for (int c = 1; c < symbol->width; ++c) {
        if (modules[static_cast<size_t>(c)] != modules[static_cast<size_t>(c - 1)]) {
            edges.push_back(c);
        }
    }
    return edges;
}

struct Scene {
    char const* what;
    support::RenderOptions options;
};

Scene const kScenes[] = {
    {"sharp, upright", {.moduleSize = 3.0}},
    {"turned, blurred", {.moduleSize = 3.0, .angle = 31, .blur = 1.0}},
    {"turned, blurred, noisy", {.moduleSize = 4.0, .angle = -117, .blur = 0.8, .noise = 12, .seed = 7}},
    {"keystone, uneven light",
     {.moduleSize = 3.5, .angle = 74, .perspectiveX = 0.2, .lighting = 0.6, .blur = 0.7, .noise = 6}},
    {"inverted", {.moduleSize = 2.5, .angle = 200, .inverted = true, .blur = 0.6, .noise = 8}},
};

TEST(EdgePointTest, EdgePointsOfRenderedBarsLieOnTheTrueEdges)
{
    support::SymbolInput const input{.symbology = BARCODE_CODE128, .data = "EDGE-42", .height = 20};
    std::vector<bool> modules;
    std::vector<int> const edges = BarEdges(input, modules);
    ASSERT_GT(edges.size(), 20u);
    CalcEdgePointSubroutine const calc;
    for (Scene const& scene : kScenes) {
        auto const rendered = support::render(input, scene.options);
        ASSERT_TRUE(rendered.symbol.ok) << rendered.symbol.error;
        GrayImage const image = View(rendered.frame);
        double worst = 0;
        for (int edge : edges) {
            // From the middle of the module before the edge to the middle of
            // the one after it, and back, on three heights of the bars.
            bool const bar = modules[static_cast<size_t>(edge - 1)];
            bool const darkBefore = bar != scene.options.inverted;
            for (double row : {4.0, 10.0, 16.0}) {
                Point const before = At(rendered.symbol, edge - 0.5, row);
                Point const after = At(rendered.symbol, edge + 0.5, row);
                Point found;
                ASSERT_TRUE(calc.Start(image, before, after, darkBefore, 8, found)) << scene.what << " " << edge;
                double const forward = std::abs(ToModule(rendered.symbol, found).x - edge);
                ASSERT_TRUE(calc.Start(image, after, before, !darkBefore, 8, found)) << scene.what << " " << edge;
                double const backward = std::abs(ToModule(rendered.symbol, found).x - edge);
                worst = std::max({worst, forward * scene.options.moduleSize, backward * scene.options.moduleSize});
            }
        }
        // In pixels across the edge (keystone makes modules up to 20 %
        // larger, which the bound allows for).
        EXPECT_LT(worst, 0.3) << scene.what;
    }
}

TEST(EdgePointTest, EdgePointTakesTheFirstEdgeAndWholePixelPrecisionToo)
{
    // A QR finder from its dark centre outward: the first edge is the
    // centre's own (x = 5), not the ring's (x = 6) or the symbol's (x = 7).
    support::SymbolInput const input{.symbology = BARCODE_QRCODE, .data = "FINDER"};
    auto const rendered = support::render(input, {.moduleSize = 5.0, .angle = 10, .blur = 0.7});
    ASSERT_TRUE(rendered.symbol.ok);
    GrayImage const image = View(rendered.frame);
    CalcEdgePointSubroutine const calc;
    Point found;
    ASSERT_TRUE(calc.Start(image, At(rendered.symbol, 3.5, 3.5), At(rendered.symbol, 9.5, 3.5), true, 8, found));
    EXPECT_NEAR(ToModule(rendered.symbol, found).x, 5.0, 0.06);
    // Whole-pixel points: the same edge to within a pixel.
    Point const from = At(rendered.symbol, 3.5, 3.5);
    Point const to = At(rendered.symbol, 9.5, 3.5);
    ASSERT_TRUE(calc.Start(image, Point{from.x >> 8, from.y >> 8}, Point{to.x >> 8, to.y >> 8}, true, 0, found));
    EXPECT_NEAR(ToModule(rendered.symbol, Point{found.x * 256, found.y * 256}).x, 5.0, 0.25);
}

TEST(EdgePointTest, EdgePointRefusesWhatIsNoEdge)
{
    // 60 x 20: dark left half, light right half, a flat light strip below.
    std::vector<unsigned short> pixels(60 * 20, 800);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 30; ++x) {
            pixels[static_cast<size_t>(y * 60 + x)] = 100;
        }
    }
    GrayImage const image(60, 20, 60, pixels.data());
    Point const dark{20 * 256, 5 * 256};
    Point const light{40 * 256, 5 * 256};
    struct {
        char const* what;
        GrayImage image;
        Point from;
        Point to;
        bool colour;
        unsigned mode;
    } const cases[] = {
        {"start off the image", image, {-256, 5 * 256}, light, true, 8},
        {"start of the other colour", image, light, dark, true, 8},
        {"no contrast", image, {5 * 256, 15 * 256}, {55 * 256, 15 * 256}, false, 8},
        {"start equals target", image, dark, dark, true, 8},
        {"no edge of that direction", image, {5 * 256, 5 * 256}, {25 * 256, 15 * 256}, false, 8},
        {"precision out of range", image, dark, light, true, 16},
        {"empty image", GrayImage(), dark, light, true, 8},
    };
    CalcEdgePointSubroutine const calc;
    for (auto const& c : cases) {
        Point edge{77, 77};
        EXPECT_FALSE(calc.Start(c.image, c.from, c.to, c.colour, c.mode, edge)) << c.what;
        EXPECT_EQ(edge, (Point{77, 77})) << c.what;
    }
    // The walk stops at the border but still finds an edge before it.
    Point edge;
    ASSERT_TRUE(calc.Start(image, dark, Point{90 * 256, 5 * 256}, true, 8, edge));
    EXPECT_NEAR(edge.x / 256.0, 29.5, 0.01);
}

TEST(EdgePointTest, PickedEdgeIsTheNearestOfItsDirectionToTheProbe)
{
    support::SymbolInput const input{.symbology = BARCODE_CODE128, .data = "PICK 7", .height = 20};
    std::vector<bool> modules;
    std::vector<int> const edges = BarEdges(input, modules);
    PickEdgePointSubroutine const pick;
    for (Scene const& scene : kScenes) {
        auto const rendered = support::render(input, scene.options);
        ASSERT_TRUE(rendered.symbol.ok);
        GrayImage const image = View(rendered.frame);
        double worst = 0;
        for (int edge : edges) {
            // The probe lies along the edge, a third of a module off it; the
            // search (3 modules either way) sees several edges of the same
            // direction and must take this one.
            bool const intoDark = modules[static_cast<size_t>(edge)] != scene.options.inverted;
            Point const along0 = At(rendered.symbol, edge + 0.33, 8.0);
            Point const along1 = At(rendered.symbol, edge + 0.33, 12.0);
            Point const across = At(rendered.symbol, edge + 1.33, 10.0);
            Point const middle{(along0.x + along1.x) / 2, (along0.y + along1.y) / 2};
            Vector const search{across.x - middle.x, across.y - middle.y};
            unsigned const range = static_cast<unsigned>(std::lround(3 * scene.options.moduleSize));
            Point found;
            ASSERT_TRUE(pick.Start(image, LineSegment{along0, along1}, search, range, intoDark, found))
                << scene.what << " " << edge;
            worst = std::max(worst, std::abs(ToModule(rendered.symbol, found).x - edge) * scene.options.moduleSize);
        }
        EXPECT_LT(worst, 0.3) << scene.what;
    }
}

TEST(EdgePointTest, PickRefusesMalformedRequests)
{
    std::vector<unsigned short> pixels(60 * 20, 800);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 30; ++x) {
            pixels[static_cast<size_t>(y * 60 + x)] = 100;
        }
    }
    GrayImage const image(60, 20, 60, pixels.data());
    LineSegment const probe{{32 * 256, 5 * 256}, {32 * 256, 15 * 256}};
    struct {
        char const* what;
        LineSegment probe;
        Vector search;
        unsigned range;
        bool colour;
    } const cases[] = {
        {"zero search vector", probe, {0, 0}, 5, false},
        {"zero range", probe, {256, 0}, 0, false},
        {"range beyond the limit", probe, {256, 0}, 1000, false},
        {"probe off the image", {{32 * 256, 5 * 256}, {32 * 256, 25 * 256}}, {256, 0}, 5, false},
        {"edge of the other direction only", probe, {-256, 0}, 5, false},
        {"no edge in range", {{50 * 256, 5 * 256}, {50 * 256, 15 * 256}}, {256, 0}, 5, true},
    };
    PickEdgePointSubroutine const pick;
    for (auto const& c : cases) {
        Point edge{77, 77};
        EXPECT_FALSE(pick.Start(image, c.probe, c.search, c.range, c.colour, edge)) << c.what;
        EXPECT_EQ(edge, (Point{77, 77})) << c.what;
    }
    // Searching leftward from the light side into the dark half: the sharp
    // edge sits between pixels 29 and 30.
    Point edge;
    ASSERT_TRUE(pick.Start(image, probe, Vector{-256, 0}, 5, true, edge));
    EXPECT_NEAR(edge.x / 256.0, 29.5, 0.05);
    EXPECT_EQ(edge.y, 10 * 256);
}

TEST(EdgePointTest, LinePointFollowsASymbolSideDespiteADamagedModule)
{
    // The bottom side of a Data Matrix (solid dark row) seen from inside.
    support::SymbolInput const input{.symbology = BARCODE_DATAMATRIX, .data = "LINE POINT"};
    auto rendered = support::render(input, {.moduleSize = 4.0, .angle = 25, .blur = 0.8, .noise = 8});
    ASSERT_TRUE(rendered.symbol.ok);
    double const side = rendered.symbol.rows;
    // A light scratch across the bottom row at module 4.
    for (int y = 0; y < rendered.frame.height; ++y) {
        for (int x = 0; x < rendered.frame.width; ++x) {
            support::Point const m = rendered.symbol.toModule(support::Point{x + 0.5, y + 0.5});
            if (m.x > 4.0 && m.x < 5.0 && m.y > side - 1.0 && m.y < side) {
                rendered.frame.at(x, y) = 900;
            }
        }
    }
    GrayImage const image = View(rendered.frame);
    PickLinePointSubroutine const pick;
    // Search lines from 0.9 module inside (within the bottom row) to half a
    // module outside; the one at 4.7 meets the scratch's edge instead, and
    // the median leaves it out.
    Point const inside = At(rendered.symbol, 4.5, side - 0.9);
    Point const outside = At(rendered.symbol, 4.5, side + 0.5);
    Vector const search{(outside.x - inside.x) / 2, (outside.y - inside.y) / 2};
    LineSegment const window{At(rendered.symbol, 2.2, side - 0.2), At(rendered.symbol, 6.2, side - 0.2)};
    Point edge;
    ASSERT_TRUE(pick.Start(image, window, search, 4, true, edge));
    support::Point const m = ToModule(rendered.symbol, edge);
    EXPECT_NEAR(m.y, side, 0.06);
    EXPECT_NEAR(m.x, 4.2, 0.06);  // the window's midpoint

    struct {
        char const* what;
        Vector search;
        unsigned steps;
    } const refused[] = {{"no steps", search, 0}, {"too many steps", search, 17}, {"zero search", {0, 0}, 4}};
    for (auto const& c : refused) {
        EXPECT_FALSE(pick.Start(image, window, c.search, c.steps, true, edge)) << c.what;
    }
    // The window on the light quiet zone: no line meets an edge.
    LineSegment const blank{At(rendered.symbol, 2.5, side + 3), At(rendered.symbol, 6.5, side + 3)};
    EXPECT_FALSE(pick.Start(image, blank, Vector{search.dx / 4, search.dy / 4}, 4, true, edge));
}

}  // namespace
}  // namespace DEC2DIvra
