// Aztec Code and Aztec Runes from rendered frames through DEC2D_Main, as the
// decoder thread reads them: sizes, angles, polarity, mirroring, perspective
// and blur; damage within and beyond the correction capacity.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "tests/decoder/matrix/aztec/aztec_fixture.h"
#include "tests/decoder/matrix/aztec/cylinder_frame.h"
#include "tests/support/symbol_renderer.h"

namespace aztec_test {
namespace {

struct Case {
    char const* name;
    int symbology = BARCODE_AZTEC;
    std::string data;
    int version = 0;
    support::RenderOptions options{};
    bool mirrored = false;
    std::string expected;
    char const* aim = "]z0";
};

void PrintTo(Case const& c, std::ostream* os) { *os << c.name; }

void Mirror(support::Frame& frame)
{
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width / 2; ++x) {
            std::swap(frame.at(x, y), frame.at(frame.width - 1 - x, y));
        }
    }
}

support::RenderOptions Options(double module, double angle)
{
    support::RenderOptions o;
    o.moduleSize = module;
    o.angle = angle;
    return o;
}

support::RenderOptions Perspective(double module, double angle, double px, double py)
{
    support::RenderOptions o = Options(module, angle);
    o.perspectiveX = px;
    o.perspectiveY = py;
    return o;
}

support::RenderOptions Spoilt(double module, double angle, double blur, double noise, bool inverted)
{
    support::RenderOptions o = Options(module, angle);
    o.blur = blur;
    o.noise = noise;
    o.inverted = inverted;
    return o;
}

// Ink and label close in grey (a pale print in dim light), blurred and
// noisy: the bull's-eye's rows swing less than a clear frame's.
support::RenderOptions Pale(double module, double angle, int dark, int light, double noise, uint64_t seed)
{
    support::RenderOptions o = Options(module, angle);
    o.dark = dark;
    o.light = light;
    o.blur = 1.0;
    o.noise = noise;
    o.seed = seed;
    return o;
}

support::RenderOptions Noisy(double angle, double noise, uint64_t seed)
{
    support::RenderOptions o = Pale(3.5, angle, 380, 600, noise, seed);
    o.blur = 1.1;
    o.perspectiveX = 0.1;
    o.perspectiveY = -0.08;
    o.lighting = 0.3;
    return o;
}

support::RenderOptions OnDarkGround(support::RenderOptions o)
{
    o.background = 40;
    o.quietZone = 2.0;
    o.blur = 0.8;
    return o;
}

// An 11-module rune on a small label (a rune needs no quiet zone), so that
// the keystone stays short of the horizon.
support::RenderOptions RuneOnSmallLabel(support::RenderOptions o)
{
    o.quietZone = 3.0;
    return o;
}

class AztecReadTest : public ::testing::TestWithParam<Case> {};

TEST_P(AztecReadTest, ReadsFrame)
{
    Case const& c = GetParam();
    AztecHarness harness;
    ASSERT_TRUE(harness.IsReady());
    support::SymbolInput input;
    input.symbology = c.symbology;
    input.data = c.data;
    input.option2 = c.version;
    support::Rendering r = support::render(input, c.options);
    ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
    if (c.mirrored) {
        Mirror(r.frame);
    }
    auto const& reads = harness.Decode(r.frame);
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(reads[0].data, c.expected);
    EXPECT_EQ(reads[0].aim, c.aim);
    EXPECT_EQ(reads[0].flag, c.options.inverted ? 1u : 0u);
    // The label's corners lie on the symbol in the frame, however it was
    // read (a mirrored frame's symbol lies elsewhere than rendered).
    if (c.mirrored) {
        return;
    }
    tagDEC2D_REGION const& g = reads[0].region;
    support::Point const corners[4] = {{double(g.x0), double(g.y0)}, {double(g.x1), double(g.y1)},
                                       {double(g.x2), double(g.y2)}, {double(g.x3), double(g.y3)}};
    for (support::Point const& corner : corners) {
        EXPECT_LE(support::distanceOutside(r.symbol.corners, corner), 3 * c.options.moduleSize);
    }
}

// Text that fills most of a symbol of the given zint version.
std::string Filler(int version)
{
    static char const kWords[] = "Aztec 2D symbol, read at any angle: 0123456789. ";
    std::size_t const layers = static_cast<std::size_t>(version - 4);
    std::string s;
    while (s.size() < 8 + layers * layers * 2) {
        s += kWords;
    }
    s.resize(8 + layers * layers * 2);
    return s;
}

std::string const kText = "Aztec Code 2D";
std::string const kLong =
    "The quick brown fox jumps over the lazy dog 0123456789. THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG!";

INSTANTIATE_TEST_SUITE_P(
    Frames, AztecReadTest,
    ::testing::Values(
        Case{"Compact1", BARCODE_AZTEC, kText, 2, Options(3.0, 0), false, kText},
        Case{"Compact4Turned", BARCODE_AZTEC, kText, 4, Options(3.0, 75), false, kText},
        Case{"Compact2Mirrored", BARCODE_AZTEC, kText, 2, Options(3.0, 20), true, kText},
        Case{"Full3Turned", BARCODE_AZTEC, kText, 7, Options(2.5, 135), false, kText},
        Case{"Full9Perspective", BARCODE_AZTEC, kLong, 13, Perspective(3.0, 10, 0.2, 0.1), false, kLong},
        Case{"Full20Mirrored", BARCODE_AZTEC, kLong, 24, Options(2.5, 200), true, kLong},
        Case{"Full32", BARCODE_AZTEC, kLong, 36, Options(2.5, 0), false, kLong},
        // Module edges on whole pixels: the reference lines must be found to
        // a fraction of a module all the way out.
        Case{"Full27TwoPixels", BARCODE_AZTEC, kLong, 31, Options(2.0, 0), false, kLong},
        Case{"Full32TwoPixels", BARCODE_AZTEC, kLong, 36, Options(2.0, 90), false, kLong},
        // Full, noisy and turned at two pixels a module.
        Case{"Full32TwoPixelsNoisyTurned", BARCODE_AZTEC, Filler(36), 36, Spoilt(2.0, 15, 0, 25, false), false,
             Filler(36)},
        Case{"FullBlurNoiseInverted", BARCODE_AZTEC, kLong, 10, Spoilt(3.0, 30, 1.0, 20, true), false, kLong},
        Case{"CompactSmallModules", BARCODE_AZTEC, kText, 3, Options(2.0, 45), false, kText},
        Case{"Rune", BARCODE_AZRUNE, "30", 0, Options(3.0, 30), false, "030", "]zC"},
        // A row through it can take a light ring for a MaxiCode centre.
        Case{"RuneTwoPixelsPerspective", BARCODE_AZRUNE, "0", 0,
             RuneOnSmallLabel(Perspective(2.0, 75, 0.2, 0.1)), false, "000", "]zC"},
        // At two pixels a module under perspective the locator's centre
        // may lie two modules off, and ring runs a pixel off one width.
        Case{"Full5TwoPixelsPerspective", BARCODE_AZTEC, Filler(9), 9, Perspective(2.0, 210, 0.2, 0.1), false,
             Filler(9)},
        Case{"Full22TwoPixelsPerspective", BARCODE_AZTEC, Filler(26), 26, Perspective(2.0, 120, 0.2, 0.1), false,
             Filler(26)},
        // A ring-like pattern in the data is sighted above the bull's-eye
        // first, and its failed read must not keep the bull's-eye itself
        // from the reader.
        Case{"Full6UprightLarge", BARCODE_AZTEC, Filler(10), 10, Options(4.5, 0), false, Filler(10)},
        Case{"Full6QuarterTurnLarge", BARCODE_AZTEC, Filler(10), 10, Spoilt(4.5, 270, 0, 0, true), false,
             Filler(10)},
        Case{"RuneTwoPixelsPerspectiveTurned", BARCODE_AZRUNE, "0", 0,
             RuneOnSmallLabel(Perspective(2.0, 30, 0.2, 0.1)), false, "000", "]zC"},
        Case{"RuneInvertedMirrored", BARCODE_AZRUNE, "255", 0, Spoilt(3.0, 100, 0.8, 10, true), true, "255", "]zC"},
        // Pale symbols in noise: the bull's-eye is found only at the faint floor.
        Case{"Compact2Pale", BARCODE_AZTEC, kText, 2, Pale(3.5, 20, 450, 570, 14, 3), false, kText},
        Case{"Full2PaleTurned", BARCODE_AZTEC, kText, 6, Pale(3.5, 110, 440, 560, 14, 5), false, kText},
        Case{"Full12Pale", BARCODE_AZTEC, Filler(16), 16, Pale(3.5, 200, 440, 565, 12, 7), false, Filler(16)},
        // A small light label on a dark ground: the ground pulls the block
        // thresholds below the label's grey ink.
        // Pale, tilted, unevenly lit and so noisy that the modules read
        // only once the noise is averaged down around the bull's-eye.
        Case{"Compact1Noisy", BARCODE_AZTEC, kText, 1, Noisy(74, 30, 201), false, kText},
        Case{"Compact3Noisy", BARCODE_AZTEC, kText, 3, Noisy(111, 35, 303), false, kText},
        Case{"Full2Noisy", BARCODE_AZTEC, kText, 6, Noisy(37, 35, 106), false, kText},
        Case{"Full4Noisy", BARCODE_AZTEC, kText, 8, Noisy(74, 30, 208), false, kText},
        Case{"RuneOnDarkGround", BARCODE_AZRUNE, "27", 0, OnDarkGround(Pale(3.0, 170, 420, 720, 4, 9)), false, "027",
             "]zC"}),
    [](auto const& info) { return std::string(info.param.name); });

TEST(AztecReadTest, RunesOnlyWhenSwitchedOn)
{
    AztecHarness harness;
    harness.Settings().read.aztec_runes.Set(false);
    support::SymbolInput input;
    input.symbology = BARCODE_AZRUNE;
    input.data = "30";
    support::Rendering r = support::render(input, Options(3.0, 0));
    ASSERT_TRUE(r.symbol.ok);
    EXPECT_TRUE(harness.Decode(r.frame).empty());
}

// Paints a square patch of label grey over part of the symbol, in module
// units from its top-left corner.
void Patch(support::Rendering& r, double x0, double y0, double x1, double y1, int grey)
{
    for (int y = 0; y < r.frame.height; ++y) {
        for (int x = 0; x < r.frame.width; ++x) {
            support::Point const m = r.symbol.toModule(support::Point{x + 0.5, y + 0.5});
            if (m.x >= x0 && m.x < x1 && m.y >= y0 && m.y < y1) {
                r.frame.at(x, y) = static_cast<std::uint16_t>(grey);
            }
        }
    }
}

TEST(AztecReadTest, DamageWithinCapacityReadsBeyondItNot)
{
    support::SymbolInput input;
    input.symbology = BARCODE_AZTEC;
    input.data = kLong;
    input.option2 = 9;  // 5 layers, 37 modules, 120 words of which about 60 check
    {
        AztecHarness harness;
        support::Rendering r = support::render(input, Options(3.0, 0));
        ASSERT_TRUE(r.symbol.ok);
        Patch(r, 0, 0, 8, 8, 900);  // a corner torn off
        auto const& reads = harness.Decode(r.frame);
        ASSERT_EQ(reads.size(), 1u);
        EXPECT_EQ(reads[0].data, kLong);
    }
    {
        AztecHarness harness;
        support::Rendering r = support::render(input, Options(3.0, 0));
        Patch(r, 0, 0, 37, 9, 900);  // a quarter of the symbol gone
        EXPECT_TRUE(harness.Decode(r.frame).empty());
    }
}

}  // namespace
}  // namespace aztec_test

namespace aztec_test {
namespace {

TEST(AztecReadTest, CompactOnCylinderReads)
{
    struct Bend {
        int version;
        double halfAngle;  // radians the symbol's edges turn away from the camera
        bool inverted;
    };
    // A 2-layer symbol turned a full radian at its edges needs its arms
    // sampled each on its own grid.
    for (Bend const bend : {Bend{3, 0.77, false}, Bend{4, 0.77, true}, Bend{2, 1.0, false}, Bend{2, 1.0, true},
                            Bend{4, 1.0, true}}) {
        AztecHarness harness;
        support::SymbolInput input;
        input.symbology = BARCODE_AZTEC;
        input.data = "AZTEC ON A CAN";
        input.option2 = bend.version;
        support::RenderOptions o = Options(3.0, 20);
        o.inverted = bend.inverted;
        support::Rendering r = support::render(input, o);
        ASSERT_TRUE(r.symbol.ok);
        support::Frame const bent = OnCylinder(r.frame, 3.0 * r.symbol.widthModules / 2 / bend.halfAngle);
        auto const& reads = harness.Decode(bent);
        ASSERT_EQ(reads.size(), 1u) << bend.version << " " << bend.halfAngle;
        EXPECT_EQ(reads[0].data, input.data);
        EXPECT_EQ(reads[0].flag, bend.inverted ? 1u : 0u);
    }
}

}  // namespace
}  // namespace aztec_test

#include "tests/support/random.h"

namespace aztec_test {
namespace {

// Frames of every compact and full-range size with module-sized patches of
// the data layers inverted until most cannot be corrected, the bull's-eye
// and mode ring whole: whatever reads must be the symbol's own text. The
// long sweep is the read-rate bench's damaged set.
TEST(AztecReadTest, DamagedFramesOfEverySizeGiveNoOtherLabel)
{
    support::Random random(49);
    AztecHarness harness;
    for (int version = 1; version <= 36; ++version) {
        for (int n = 0; n < (version <= 4 ? 8 : 1); ++n) {
            std::string text;
            int const layers = version <= 4 ? version : version - 4;
            for (int i = 0, length = random.integer(4, 4 + 4 * std::min(layers, 6)); i < length; ++i) {
                text.push_back(static_cast<char>(random.integer(33, 126)));
            }
            support::SymbolInput input;
            input.symbology = BARCODE_AZTEC;
            input.data = text;
            input.option2 = version;
            support::Rendering r = support::render(input, Options(version <= 4 ? 3.0 : 2.0, random.uniform(0, 360)));
            ASSERT_TRUE(r.symbol.ok) << version << " " << text;
            int const side = r.symbol.rows;
            int const core = version <= 4 ? 11 : 15;
            int const patches = static_cast<int>(random.uniform(0.06, 0.2) * (side * side - core * core));
            for (int p = 0; p < patches; ++p) {
                int mx = 0;
                int my = 0;
                do {
                    mx = random.integer(0, side - 1);
                    my = random.integer(0, side - 1);
                } while (std::abs(mx - side / 2) <= core / 2 && std::abs(my - side / 2) <= core / 2);
                // The module's middle pixels inverted.
                support::Point const c = r.symbol.toFrame(support::Point{mx + 0.5, my + 0.5});
                for (int y = static_cast<int>(c.y) - 1; y <= static_cast<int>(c.y) + 1; ++y) {
                    for (int x = static_cast<int>(c.x) - 1; x <= static_cast<int>(c.x) + 1; ++x) {
                        r.frame.at(x, y) = static_cast<std::uint16_t>(1000 - r.frame.at(x, y));
                    }
                }
            }
            for (auto const& read : harness.Decode(r.frame)) {
                EXPECT_EQ(read.data, text) << "version " << version;
            }
        }
    }
}

}  // namespace
}  // namespace aztec_test
