// Geometry and grey levels of rendered symbols, checked against zint's own
// module matrix rather than against the renderer's vector path.

#include "tests/support/symbol_renderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <string>

namespace support {
namespace {

// zint's module matrix: row-major, true = dark.
struct Modules {
    int rows = 0;
    int columns = 0;
    std::vector<bool> dark{};
    bool at(int x, int y) const { return dark[static_cast<size_t>(y * columns + x)]; }
    size_t count() const { return static_cast<size_t>(std::count(dark.begin(), dark.end(), true)); }
};

Modules zintModules(SymbolInput const& input)
{
    std::unique_ptr<zint_symbol, void (*)(zint_symbol*)> s(ZBarcode_Create(), ZBarcode_Delete);
    s->symbology = input.symbology;
    s->input_mode = input.inputMode;
    Modules m;
    if (ZBarcode_Encode(s.get(), reinterpret_cast<unsigned char const*>(input.data.data()),
                        static_cast<int>(input.data.size())) >= ZINT_ERROR)
        return m;
    m.rows = s->rows;
    m.columns = s->width;
    for (int y = 0; y < m.rows; ++y)
        for (int x = 0; x < m.columns; ++x)
            m.dark.push_back((s->encoded_data[y][x / 8] >> (x % 8)) & 1);
    return m;
}

double edgeDistance(Point a, Point b, Point p)
{
    double const dx = b.x - a.x, dy = b.y - a.y;
    double const t = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy);
}

struct GeometryCase {
    char const* name;
    SymbolInput input;
    RenderOptions options;
};

void PrintTo(GeometryCase const& c, std::ostream* os)
{
    *os << c.name;
}

class Corners : public testing::TestWithParam<GeometryCase> {};

// Outside the corner quadrilateral everything is label or scene; inside, ink
// reaches every edge.
TEST_P(Corners, EncloseTheSymbolTightly)
{
    RenderOptions options = GetParam().options;
    int const paper = options.inverted ? options.dark : options.light;
    options.background = paper; // the scene must not hide a stray module
    Rendering const r = render(GetParam().input, options);
    ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
    Quad const& q = r.symbol.corners;
    int const middle = (options.dark + options.light) / 2;
    int strays = 0;
    std::array<bool, 4> edgeHasInk{};
    for (int y = 0; y < r.frame.height; ++y) {
        for (int x = 0; x < r.frame.width; ++x) {
            Point const centre{x + 0.5, y + 0.5};
            int const v = r.frame.at(x, y);
            // Beyond half a pixel diagonal the pixel square cannot touch the quad.
            if (distanceOutside(q, centre) > 0.7072 && v != paper)
                ++strays;
            bool const ink = options.inverted ? v > middle : v < middle;
            for (size_t i = 0; i < 4; ++i)
                if (ink && edgeDistance(q[i], q[(i + 1) % 4], centre) < 1.2)
                    edgeHasInk[i] = true;
        }
    }
    EXPECT_EQ(strays, 0);
    EXPECT_EQ(edgeHasInk, (std::array<bool, 4>{true, true, true, true}));
}

SymbolInput const qr{.symbology = BARCODE_QRCODE, .data = "corners"};
SymbolInput const dataMatrix{.symbology = BARCODE_DATAMATRIX, .data = "corners 12"};
SymbolInput const code128{.symbology = BARCODE_CODE128, .data = "c128"};
SymbolInput const ean13{.symbology = BARCODE_EANX, .data = "501234567890"};

INSTANTIATE_TEST_SUITE_P(
    Symbols, Corners,
    testing::Values(GeometryCase{"qr_upright", qr, {.moduleSize = 3.0}},
                    GeometryCase{"qr_keystone", qr, {.moduleSize = 2.3, .angle = 30, .quietZone = 2, .perspectiveX = 0.1, .perspectiveY = -0.15}},
                    GeometryCase{"datamatrix_200", dataMatrix, {.moduleSize = 1.7, .angle = 200}},
                    GeometryCase{"code128_90", code128, {.moduleSize = 2.2, .angle = 90}},
                    GeometryCase{"ean13_tilted", ean13, {.moduleSize = 1.8, .angle = -45, .perspectiveY = 0.2}},
                    GeometryCase{"inverted", dataMatrix, {.moduleSize = 5.0, .angle = 10, .dark = 50, .light = 1000, .inverted = true}}),
    [](auto const& info) { return std::string(info.param.name); });

TEST(CornerOrder, FollowsTheReadingDirection)
{
    for (double angle : {0.0, 30.0, 90.0, 200.0, -45.0, 725.0}) {
        RenderOptions const options{.moduleSize = 2.5, .angle = angle, .centre = Point{300.5, 250.25}};
        Rendering const r = render(code128, options);
        ASSERT_TRUE(r.symbol.ok);
        Quad const& q = r.symbol.corners;
        // Corner 0 to corner 1 runs along the reading direction, 3 to 0 up the symbol.
        double const turned = std::atan2(q[1].y - q[0].y, q[1].x - q[0].x) * 180.0 / std::numbers::pi;
        EXPECT_NEAR(std::remainder(turned - angle, 360.0), 0.0, 1e-9) << angle;
        EXPECT_NEAR(std::hypot(q[1].x - q[0].x, q[1].y - q[0].y), r.symbol.widthModules * 2.5, 1e-9);
        EXPECT_NEAR(std::hypot(q[3].x - q[0].x, q[3].y - q[0].y), r.symbol.heightModules * 2.5, 1e-9);
        EXPECT_NEAR((q[0].x + q[2].x) / 2, 300.5, 1e-9);
        EXPECT_NEAR((q[0].y + q[2].y) / 2, 250.25, 1e-9);
        Point const back = r.symbol.toModule(r.symbol.toFrame({7.0, 3.0}));
        EXPECT_NEAR(back.x, 7.0, 1e-9);
        EXPECT_NEAR(back.y, 3.0, 1e-9);
    }
}

TEST(CornerOrder, KeystoneShrinksTheFarEdge)
{
    RenderedSymbol const down = render(qr, {.perspectiveY = 0.2}).symbol;
    RenderedSymbol const right = render(qr, {.perspectiveX = 0.2}).symbol;
    auto length = [](Point a, Point b) { return std::hypot(b.x - a.x, b.y - a.y); };
    // Positive factors put the bottom (right) edge further from the camera.
    EXPECT_GT(length(down.corners[0], down.corners[1]), 1.2 * length(down.corners[3], down.corners[2]));
    EXPECT_GT(length(right.corners[0], right.corners[3]), 1.2 * length(right.corners[1], right.corners[2]));
}

// The grey of every pixel is the ink share of its square, so the frame's
// total ink equals the symbol's ink area at any size and angle.
TEST(InkArea, EqualsTheModulesArea)
{
    struct Case {
        SymbolInput input;
        double moduleArea; // ink per dark module, in modules squared
        double size;
        double angle;
    };
    double const dot = std::numbers::pi * 0.4 * 0.4; // zint's default dots are 0.8 modules wide
    for (Case const& c : {Case{qr, 1.0, 1.2, 0.0}, Case{qr, 1.0, 2.7, 33.0}, Case{dataMatrix, 1.0, 4.33, 200.0},
                          Case{{.symbology = BARCODE_DOTCODE, .data = "dots"}, dot, 3.1, 17.0}}) {
        RenderOptions const options{.background = 900, .moduleSize = c.size, .angle = c.angle};
        Rendering const r = render(c.input, options);
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        double ink = 0.0;
        for (uint16_t v : r.frame.pixels)
            ink += (options.light - v) / double(options.light - options.dark);
        double const expected = zintModules(c.input).count() * c.moduleArea * c.size * c.size;
        EXPECT_NEAR(ink, expected, 0.002 * expected + 2.0) << c.input.symbology << " at " << c.size;
    }
}

TEST(ModuleMatrix, AlignedModulesArePureLevels)
{
    // 25 modules of 2 pixels centred on the frame: every module edge on a pixel edge.
    SymbolInput const input{.symbology = BARCODE_QRCODE, .data = "aligned grid 2px"};
    Rendering const r = render(input, {.background = 0, .moduleSize = 2.0, .quietZone = 4});
    ASSERT_TRUE(r.symbol.ok);
    Modules const m = zintModules(input);
    int const left = static_cast<int>(r.symbol.corners[0].x);
    int const top = static_cast<int>(r.symbol.corners[0].y);
    ASSERT_EQ(r.symbol.corners[0].x, left);
    int wrong = 0;
    for (int y = 0; y < m.rows * 2; ++y)
        for (int x = 0; x < m.columns * 2; ++x)
            wrong += r.frame.at(left + x, top + y) != (m.at(x / 2, y / 2) ? 100 : 900);
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(r.frame.at(left - 8, top - 8), 900);  // quiet zone: 4 modules of label
    EXPECT_EQ(r.frame.at(left - 9, top - 9), 0);    // then the scene
}

TEST(ModuleMatrix, TurnedAndTiltedMatchesSupersampling)
{
    SymbolInput const input{.symbology = BARCODE_DATAMATRIX, .data = "supersampled"};
    RenderOptions const options{.background = 900, .moduleSize = 2.7, .angle = 33, .perspectiveX = 0.1, .perspectiveY = 0.05};
    Rendering const r = render(input, options);
    ASSERT_TRUE(r.symbol.ok);
    Modules const m = zintModules(input);
    constexpr int kGrid = 16;
    double sum = 0.0;
    int worst = 0;
    int counted = 0;
    for (int y = 0; y < r.frame.height; ++y) {
        for (int x = 0; x < r.frame.width; ++x) {
            if (distanceOutside(r.symbol.corners, {x + 0.5, y + 0.5}) > 1.0)
                continue;
            int dark = 0;
            for (int j = 0; j < kGrid; ++j) {
                for (int i = 0; i < kGrid; ++i) {
                    Point const p = r.symbol.toModule({x + (i + 0.5) / kGrid, y + (j + 0.5) / kGrid});
                    int const mx = static_cast<int>(std::floor(p.x)), my = static_cast<int>(std::floor(p.y));
                    dark += mx >= 0 && my >= 0 && mx < m.columns && my < m.rows && m.at(mx, my);
                }
            }
            double const expected = 900.0 - 800.0 * dark / (kGrid * kGrid);
            int const error = static_cast<int>(std::lround(std::abs(r.frame.at(x, y) - expected)));
            worst = std::max(worst, error);
            sum += error;
            ++counted;
        }
    }
    ASSERT_GT(counted, 1000);
    EXPECT_LT(sum / counted, 2.0);
    EXPECT_LE(worst, 60); // one grid step along an edge
}

TEST(Hexagons, MaxiCodeBullseyeIsRingsAsZintDrawsThem)
{
    SymbolInput const input{.symbology = BARCODE_MAXICODE, .data = "bullseye"};
    double const size = 8.0;
    Rendering const r = render(input, {.moduleSize = size});
    ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
    std::unique_ptr<zint_symbol, void (*)(zint_symbol*)> s(ZBarcode_Create(), ZBarcode_Delete);
    s->symbology = input.symbology;
    ASSERT_LT(ZBarcode_Encode(s.get(), reinterpret_cast<unsigned char const*>(input.data.data()), 8), ZINT_ERROR);
    ASSERT_LT(ZBarcode_Buffer_Vector(s.get(), 0), ZINT_ERROR);
    auto grey = [&](Point module) {
        Point const p = r.symbol.toFrame(module);
        return r.frame.at(static_cast<int>(p.x), static_cast<int>(p.y));
    };
    int rings = 0;
    for (zint_vector_circle const* c = s->vector->circles; c; c = c->next) {
        // zint counts two vector units per module; a ring's stroke straddles its diameter.
        Point const centre{c->x / 2.0, c->y / 2.0};
        double const radius = c->diameter / 4.0;
        double const half = c->width / 4.0;
        EXPECT_EQ(grey({centre.x + radius, centre.y}), 100) << "on ring " << rings;
        EXPECT_EQ(grey({centre.x, centre.y - radius - half - 0.15}), 900) << "outside ring " << rings;
        EXPECT_EQ(grey({centre.x - radius + half + 0.15, centre.y}), 900) << "inside ring " << rings;
        ++rings;
    }
    EXPECT_EQ(rings, 3);
}

TEST(Polarity, InvertingSwapsTheLevelsExactly)
{
    RenderOptions inverted{.background = 200, .moduleSize = 2.3, .angle = 21, .dark = 150, .light = 850, .inverted = true};
    RenderOptions mirrored{.background = 1023 - 200, .moduleSize = 2.3, .angle = 21, .dark = 1023 - 850, .light = 1023 - 150};
    Rendering a = render(qr, inverted);
    Rendering const b = render(qr, mirrored);
    invert(a.frame);
    int off = 0;
    for (size_t i = 0; i < a.frame.pixels.size(); ++i)
        off += std::abs(a.frame.pixels[i] - b.frame.pixels[i]) > 1; // a rounding tie may go either way
    EXPECT_EQ(off, 0);
}

TEST(DrawSymbol, LeavesTheFrameOutsideTheLabelAlone)
{
    Frame frame = makeFrame(640, 480, 400);
    applyNoise(frame, 50.0, 9);
    Frame const before = frame;
    RenderOptions const options{.moduleSize = 2.0, .angle = 77, .centre = Point{200, 300}, .quietZone = 3};
    RenderedSymbol const s = drawSymbol(frame, dataMatrix, options);
    ASSERT_TRUE(s.ok);
    double const q = options.quietZone;
    Quad const label{s.toFrame({-q, -q}), s.toFrame({s.widthModules + q, -q}),
                     s.toFrame({s.widthModules + q, s.heightModules + q}), s.toFrame({-q, s.heightModules + q})};
    int changedOutside = 0, labelPixels = 0;
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            Point const c{x + 0.5, y + 0.5};
            double const d = distanceOutside(label, c);
            if (d > 0.7072)
                changedOutside += frame.at(x, y) != before.at(x, y);
            else if (d < -0.7072 && distanceOutside(s.corners, c) > 0.7072)
                labelPixels += frame.at(x, y) == options.light;
        }
    }
    EXPECT_EQ(changedOutside, 0);
    EXPECT_GT(labelPixels, 0);
}

TEST(DrawSymbol, ClipsAtTheFrameEdge)
{
    Frame frame = makeFrame(64, 48, 1000); // a grey no mix of ink and label can give
    for (Point const centre : {Point{-1e12, 5}, Point{5, 1e300}, Point{-200, -200}}) {
        RenderedSymbol const s = drawSymbol(frame, qr, {.moduleSize = 3.0, .angle = 45, .centre = centre});
        EXPECT_TRUE(s.ok) << s.error;
    }
    EXPECT_TRUE(std::all_of(frame.pixels.begin(), frame.pixels.end(), [](uint16_t v) { return v == 1000; }));
    for (Point const centre : {Point{0, 0}, Point{63.5, 47.9}})
        EXPECT_TRUE(drawSymbol(frame, qr, {.moduleSize = 3.0, .angle = 45, .centre = centre}).ok);
    EXPECT_TRUE(std::none_of(frame.pixels.begin(), frame.pixels.end(), [](uint16_t v) { return v == 1000; }));
}

TEST(HumanReadable, TextBlocksLieOutsideTheCorners)
{
    SymbolInput input = ean13;
    input.humanReadable = true;
    Rendering const r = render(input, {.background = 900, .moduleSize = 3.0});
    ASSERT_TRUE(r.symbol.ok);
    int inkOutside = 0;
    for (int y = 0; y < r.frame.height; ++y)
        for (int x = 0; x < r.frame.width; ++x)
            inkOutside += r.frame.at(x, y) < 500 && distanceOutside(r.symbol.corners, {x + 0.5, y + 0.5}) > 1.0;
    EXPECT_GT(inkOutside, 100);
    EXPECT_EQ(r.symbol.text, "5012345678900");
}

struct Refusal {
    char const* name;
    SymbolInput input;
    RenderOptions options;
    int frameWidth = 64;
};

void PrintTo(Refusal const& c, std::ostream* os)
{
    *os << c.name;
}

class Refused : public testing::TestWithParam<Refusal> {};

TEST_P(Refused, WithAReasonAndTheFrameUntouched)
{
    Refusal const& c = GetParam();
    Frame frame = makeFrame(c.frameWidth, 48, 333);
    if (c.frameWidth == 1)
        frame.pixels.pop_back(); // pixel count no longer matches the size
    Frame const before = frame;
    RenderedSymbol const s = drawSymbol(frame, c.input, c.options);
    EXPECT_FALSE(s.ok);
    EXPECT_FALSE(s.error.empty());
    EXPECT_EQ(frame.pixels, before.pixels);
}

SymbolInput const small{.symbology = BARCODE_QRCODE, .data = "x"};
double const nan = std::nan("");

INSTANTIATE_TEST_SUITE_P(
    BadInput, Refused,
    testing::Values(Refusal{"no_data", {.symbology = BARCODE_QRCODE}, {}},
                    Refusal{"letters_in_ean", {.symbology = BARCODE_EANX, .data = "12AB"}, {}},
                    Refusal{"too_long_for_ean", {.symbology = BARCODE_EANX, .data = "12345678901234"}, {}},
                    Refusal{"bad_gs1", {.symbology = BARCODE_GS1_128, .data = "[99", .inputMode = GS1_MODE}, {}},
                    Refusal{"long_primary", {.symbology = BARCODE_MAXICODE, .data = "x", .primary = std::string(200, '1')}, {}},
                    Refusal{"zero_module", small, {.moduleSize = 0.0}},
                    Refusal{"negative_module", small, {.moduleSize = -2.0}},
                    Refusal{"nan_module", small, {.moduleSize = nan}},
                    Refusal{"nan_angle", small, {.angle = nan}},
                    Refusal{"infinite_angle", small, {.angle = INFINITY}},
                    Refusal{"nan_centre", small, {.centre = Point{nan, 3.0}}},
                    Refusal{"negative_quiet_zone", small, {.quietZone = -1.0}},
                    Refusal{"dark_above_range", small, {.dark = 2000}},
                    Refusal{"light_below_range", small, {.light = -5}},
                    Refusal{"perspective_sum", small, {.perspectiveX = 0.5, .perspectiveY = -0.45}},
                    Refusal{"label_past_horizon", small, {.quietZone = 30.0, .perspectiveX = 0.4}},
                    Refusal{"empty_frame", small, {}, 0},
                    Refusal{"frame_size_mismatch", small, {}, 1}),
    [](auto const& info) { return std::string(info.param.name); });

TEST(Render, FailureGivesAPlainFrame)
{
    Rendering const r = render({.symbology = BARCODE_EANX, .data = "bad"}, {.background = 77, .noise = 30});
    EXPECT_FALSE(r.symbol.ok);
    ASSERT_TRUE(r.frame.valid());
    EXPECT_TRUE(std::all_of(r.frame.pixels.begin(), r.frame.pixels.end(), [](uint16_t v) { return v == 77; }));
}

TEST(Render, SameSeedSameFrame)
{
    RenderOptions options{.moduleSize = 2.2, .angle = 8, .lighting = 0.3, .blur = 1.1, .noise = 25, .seed = 42};
    Rendering const a = render(qr, options);
    Rendering const b = render(qr, options);
    EXPECT_EQ(a.frame.pixels, b.frame.pixels);
    options.seed = 43;
    EXPECT_NE(render(qr, options).frame.pixels, a.frame.pixels);
}

} // namespace
} // namespace support
