// The Micro QR outline laid on the timing patterns, over zint symbols: an
// edge whose far end starts a fraction of a module off comes back onto the
// symbol's corner module, and an edge outside the frame fails.

#include <gtest/gtest.h>

#include <cmath>

#include "decoder/core/gray_image.h"
#include "decoder/matrix/qr/qr_micro_mesh.h"
#include "tests/support/symbol_renderer.h"

namespace {

using DEC2DIvra::CalcMicroQRCodeMeshSubroutine;
using DEC2DIvra::LineSegment;
using DEC2DIvra::Point;
using DEC2DIvra::Region;

Point Fixed(support::Point const& p)
{
    return Point{static_cast<int>(std::lround(p.x * 256.0)), static_cast<int>(std::lround(p.y * 256.0))};
}

TEST(QRMicroMeshTest, TheEdgesComeBackOntoTheTimingPatterns)
{
    struct Case {
        int version;
        double angle;
        double offAlong;   // the far ends start this many modules off
        double offAcross;
        bool inverted;
    };
    Case const cases[] = {
        {2, 0.0, 0.4, 0.0, false},
        {3, 7.0, -0.3, 0.3, false},
        {4, 200.0, 0.25, -0.35, false},
        {4, 40.0, -0.4, -0.2, true},
    };
    CalcMicroQRCodeMeshSubroutine const mesh;
    for (Case const& c : cases) {
        support::SymbolInput input{.symbology = BARCODE_MICROQR, .data = "12345"};
        input.option2 = c.version;
        // Blurred, as a camera shows it: each module's grey peaks at its
        // centre, where the best scoring end comes to lie.
        support::Rendering const r =
            support::render(input, {.moduleSize = 4.0, .angle = c.angle, .inverted = c.inverted, .blur = 1.5});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        DEC2DIvra::GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
        double const far = 2.0 * c.version + 9.0 - 0.5;
        Region initial;
        initial[0] = Fixed(r.symbol.toFrame({0.5, 0.5}));
        initial[1] = Fixed(r.symbol.toFrame({far + c.offAlong, 0.5 + c.offAcross}));
        initial[2] = Fixed(r.symbol.toFrame({far, far}));
        initial[3] = Fixed(r.symbol.toFrame({0.5 - c.offAcross, far + c.offAlong}));
        Region adjusted;
        ASSERT_EQ(mesh.Adjust(image, initial, c.inverted, static_cast<unsigned>(c.version), adjusted), 1)
            << "M" << c.version;
        // Within a third of a module of the true corner centres (two thirds
        // for the far corner, which both edges place).
        support::Point const truth[3] = {r.symbol.toFrame({far, 0.5}), r.symbol.toFrame({far, far}),
                                         r.symbol.toFrame({0.5, far})};
        for (unsigned k = 0; k < 3; ++k) {
            double const dx = adjusted[k + 1].x / 256.0 - truth[k].x;
            double const dy = adjusted[k + 1].y / 256.0 - truth[k].y;
            double const bound = k == 1 ? 2.6 : 4.0 / 3.0;
            EXPECT_LT(std::sqrt(dx * dx + dy * dy), bound) << "M" << c.version << " corner " << k + 1;
        }
    }
}

TEST(QRMicroMeshTest, AnEdgeOutsideTheFrameScoresNowhere)
{
    support::SymbolInput input{.symbology = BARCODE_MICROQR, .data = "12345"};
    input.option2 = 2;
    support::Rendering const r = support::render(input, {.moduleSize = 4.0});
    ASSERT_TRUE(r.symbol.ok);
    DEC2DIvra::GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
    CalcMicroQRCodeMeshSubroutine const mesh;
    LineSegment const outside{Point{-40 * 256, 10 * 256}, Point{-2 * 256, 10 * 256}};
    LineSegment best;
    int score = 0;
    EXPECT_EQ(mesh.CalcScoreForTimingPattern(image, outside, false, 2, score), 0);
    EXPECT_EQ(mesh.AdjustForTimingPattern(image, outside, false, 2, best), 0);
    Region initial;
    initial[0] = outside.begin;
    initial[1] = outside.end;
    initial[2] = Point{-2 * 256, 48 * 256};
    initial[3] = Point{-40 * 256, 48 * 256};
    Region adjusted;
    EXPECT_EQ(mesh.Adjust(image, initial, false, 2, adjusted), 0);
}

}  // namespace
