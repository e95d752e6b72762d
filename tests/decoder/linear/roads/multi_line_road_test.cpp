// The multi-line road end to end: a rendered symbol damaged so that every
// scan line crosses the damage somewhere, read from the characters its lines
// see undamaged; the same frame through the single lines alone fails.

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <string>
#include <vector>

#include "tests/decoder/core/allocation_counter.h"
#include "tests/decoder/linear/code128/code128_fixture.h"
#include "tests/decoder/linear/frame_fixture.h"
#include "tests/support/random.h"
#include "tests/support/symbol_renderer.h"

namespace multi_line_test {
namespace {

using DEC2DIvra::Region;
using frame_test::Read;

constexpr unsigned kSimple = 1;          // single lines only
constexpr unsigned kComposition = 3;     // single lines, then the multi-line stage

enum class Damage { kWhiteStripe, kNoisyStripe };

enum class Symbology { kCode128, kCode39, kCode93, kCodabar };

struct Case {
    char const* name;
    Damage damage;
    double angle;
    double moduleSize;
    bool inverted;
    Symbology symbology = Symbology::kCode128;
};

// What each symbology draws and what its label must carry.
struct Drawn {
    int zint;
    char const* data;
    int option2;
    char const* label;
    tagSymbology symbology;
    char const* aim;
};

Drawn Draw(Symbology symbology)
{
    switch (symbology) {
    case Symbology::kCode39:
                // Without its check character a line across the damage may misread.
        return {BARCODE_CODE39, "MULTI-39", 1, "MULTI-39", SYMBOLOGY_CODE39, "]A3"};
    case Symbology::kCode93:
        return {BARCODE_CODE93, "MULTI-LINE 93", 0, "MULTI-LINE 93", SYMBOLOGY_CODE93, "]G0"};
    case Symbology::kCodabar:
        return {BARCODE_CODABAR, "A2026-0712B", 0, "2026-0712", SYMBOLOGY_CODABAR, "]F0"};
    case Symbology::kCode128:
        break;
    }
    return {BARCODE_CODE128, "MULTI-LINE 2026", 0, "MULTI-LINE 2026", SYMBOLOGY_CODE128, "]C0"};
}

class MultiLineRoadTest : public ::testing::TestWithParam<Case> {
protected:
    MultiLineRoadTest()
    {
        EXPECT_TRUE(harness.IsReady());
        harness.EnableAllLinear(false);
        harness.Settings().read.code128.Set(true);
        harness.Settings().read.code39.Set(true);
        harness.Settings().code.code39.check_check_digit.Set(true);
        harness.Settings().code.code39.transmit_check_digit.Set(false);
        harness.Settings().read.code93.Set(true);
        harness.Settings().read.codabar.Set(true);
        harness.ClearLengthLimits();
        harness.SetRedundancy(1);
        harness.SetPolarity(2);
    }

    // The symbol with a stripe of 10 modules (along the lines) from a quarter
    // of its length at the top to three quarters at the bottom: every line
    // loses a character or two, each character stays whole on most lines.
    support::Rendering Render(Case const& c)
    {
        support::RenderOptions options;
        options.moduleSize = c.moduleSize;
        options.angle = c.angle;
        options.blur = 0.6;
        options.noise = 10;
        options.inverted = c.inverted;
        Drawn const drawn = Draw(c.symbology);
        support::Rendering r = support::render(
            {.symbology = drawn.zint, .data = drawn.data, .option2 = drawn.option2, .height = 40}, options);
        EXPECT_TRUE(r.symbol.ok) << r.symbol.error;
        support::Quad const& q = r.symbol.corners;
        auto along = [](support::Point a, support::Point b, double t) {
            return support::Point{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
        };
        double const half = 5.0 / r.symbol.widthModules;
        support::Quad const stripe = {along(q[0], q[1], 0.25 - half), along(q[0], q[1], 0.25 + half),
                                      along(q[3], q[2], 0.75 + half), along(q[3], q[2], 0.75 - half)};
        support::Random random(7);
        int const light = c.inverted ? options.dark : options.light;
        for (int y = 0; y < r.frame.height; ++y) {
            for (int x = 0; x < r.frame.width; ++x) {
                if (support::distanceOutside(stripe, support::Point{x + 0.5, y + 0.5}) > 0) {
                    continue;
                }
                r.frame.at(x, y) = static_cast<uint16_t>(
                    c.damage == Damage::kWhiteStripe ? light : random.integer(0, support::kMaxLevel));
            }
        }
        region = frame_test::ToRegion(q, options.quietZone * c.moduleSize);
        return r;
    }

    frame_test::LinearFrameHarness harness;
    Region region;
};

TEST_P(MultiLineRoadTest, ADamagedBandReadsFromItsLines)
{
    Case const c = GetParam();
    support::Rendering const r = Render(c);

    // Not one single line reads: any line would do.
    harness.SetRedundancy(0);
    harness.SetDecodeMode(kSimple);
    Read const single = harness.ReadRegion(r.frame, region);
    EXPECT_FALSE(single.ok) << "a single line read '" << single.data << "'";

    harness.SetRedundancy(1);
    harness.SetDecodeMode(kComposition);
    Read const multi = harness.ReadRegion(r.frame, region);
    Drawn const drawn = Draw(c.symbology);
    ASSERT_TRUE(multi.ok);
    EXPECT_EQ(multi.data, drawn.label);
    EXPECT_EQ(multi.symbology, drawn.symbology);
    EXPECT_EQ(multi.aim, drawn.aim);
    EXPECT_EQ(multi.negative, c.inverted ? 1u : 0u);
    if (c.symbology == Symbology::kCode128) {
        std::vector<int> const widths = code128_test::ZintRowWidths({.symbology = BARCODE_CODE128, .data = drawn.data});
        int modules = 0;
        for (int w : widths) {
            modules += w;
        }
        // Eleven modules a character, the stop's closing bar left out.
        EXPECT_EQ(multi.moduleCount, static_cast<unsigned>(modules - 2));
    }
    EXPECT_EQ(multi.statistics.present, 0);
    // The region follows the symbol: each corner within four modules of the
    // rendered one.
    support::Quad const& q = r.symbol.corners;
    for (unsigned k = 0; k < 4; ++k) {
        double const off = std::hypot(multi.region.corner[k].x - q[k].x, multi.region.corner[k].y - q[k].y);
        EXPECT_LT(off, 4 * c.moduleSize) << "corner " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Damages, MultiLineRoadTest,
                         ::testing::Values(Case{"white stripe", Damage::kWhiteStripe, 0.0, 3.0, false},
                                           Case{"noisy stripe", Damage::kNoisyStripe, 0.0, 3.0, false},
                                           Case{"turned", Damage::kWhiteStripe, 20.0, 2.5, false},
                                           Case{"upside down", Damage::kWhiteStripe, 180.0, 3.0, false},
                                           Case{"light on dark", Damage::kWhiteStripe, 0.0, 3.0, true},
                                           Case{"Code 39", Damage::kWhiteStripe, 0.0, 2.5, false, Symbology::kCode39},
                                           Case{"Code 39 upside down", Damage::kNoisyStripe, 195.0, 2.5, false,
                                                Symbology::kCode39},
                                           Case{"Code 39 light on dark", Damage::kWhiteStripe, 30.0, 2.5, true,
                                                Symbology::kCode39},
                                           Case{"Code 93", Damage::kWhiteStripe, 0.0, 3.0, false, Symbology::kCode93},
                                           Case{"Code 93 upside down", Damage::kNoisyStripe, 195.0, 2.5, false,
                                                Symbology::kCode93},
                                           Case{"Code 93 light on dark", Damage::kWhiteStripe, 0.0, 3.0, true,
                                                Symbology::kCode93},
                                           Case{"Codabar", Damage::kWhiteStripe, 0.0, 3.0, false, Symbology::kCodabar},
                                           Case{"Codabar upside down", Damage::kNoisyStripe, 180.0, 2.5, false,
                                                Symbology::kCodabar},
                                           Case{"Codabar light on dark", Damage::kWhiteStripe, 15.0, 3.0, true,
                                                Symbology::kCodabar}),
                         [](::testing::TestParamInfo<Case> const& info) {
                             std::string name = info.param.name;
                             for (char& ch : name) {
                                 ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
                             }
                             return name;
                         });

TEST_F(MultiLineRoadTest, ReadingThroughEitherRoadAllocatesNothing)
{
    // A damaged band for the multi-line stage, and a thin symbol for the
    // combined lines.
    support::Rendering const damaged = Render(Case{"white stripe", Damage::kWhiteStripe, 0.0, 3.0, false});
    Region const damagedRegion = region;
    support::RenderOptions options;
    options.moduleSize = 1.0;
    options.angle = 8.0;
    options.blur = 0.8;
    options.noise = 8;
    support::Rendering const thin =
        support::render({.symbology = BARCODE_CODE128, .data = "COMBINED-42", .height = 30}, options);
    ASSERT_TRUE(thin.symbol.ok);
    Region const thinRegion = frame_test::ToRegion(thin.symbol.corners, 10.0);

    harness.SetDecodeMode(kComposition);
    harness.Settings().detail_of_decoder.enable_high_resolution_barcode_decoding.Set(true);
    DEC2DIvra::GrayImage const damagedImage(damaged.frame.width, damaged.frame.height, damaged.frame.width,
                                            damaged.frame.pixels.data());
    DEC2DIvra::GrayImage const thinImage(thin.frame.width, thin.frame.height, thin.frame.width,
                                         thin.frame.pixels.data());
    DEC2DIvra::DecodedLabel& label = harness.Handle().GetLabel();
    allocation_counter::Start();
    int const first = harness.Frame().Start(damagedImage, damagedRegion, 4, label);
    int const second = harness.Frame().Start(thinImage, thinRegion, 4, label);
    unsigned long const allocations = allocation_counter::Stop();
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
    EXPECT_EQ(std::string(label.data.begin(), label.data.end()), "COMBINED-42");
    EXPECT_TRUE(harness.Frame().GetCompositeLineDecoder().IsCompleted());
    EXPECT_EQ(allocations, 0u);
}

}  // namespace
}  // namespace multi_line_test
