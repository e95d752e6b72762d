// The finder search beside a found finder, over zint symbols: the run test,
// the dark core's centre, the outline measured around it, and the finder a
// symbol of a known version places beyond each side.

#include <gtest/gtest.h>

#include <cmath>

#include "decoder/core/gray_image.h"
#include "decoder/matrix/qr/qr_finder_pattern.h"
#include "decoder/matrix/qr/qr_finder_region.h"
#include "decoder/matrix/qr/qr_finder_searcher.h"
#include "tests/support/polygon.h"
#include "tests/support/symbol_renderer.h"

namespace {

using namespace DEC2DIvra;

TEST(QRFinderSearchTest, TheRunTestTakesOneOneThreeOneOneAtAnyScale)
{
    struct Case {
        int widths[5];
        int scale;  // pixels a unit; the edges lie a fraction inside
        bool finder;
    };
    Case const cases[] = {
        {{1, 1, 3, 1, 1}, 2, true},   // 14 pixels: whole-pixel widths
        {{1, 1, 3, 1, 1}, 3, true},   // 21 pixels: sub-pixel edges
        {{1, 1, 3, 1, 1}, 40, true},
        {{1, 1, 1, 1, 1}, 5, false},  // no wide core
        {{1, 1, 5, 1, 1}, 5, false},  // core too wide
        {{3, 1, 3, 1, 1}, 5, false},  // one side too heavy
        {{1, 2, 3, 0, 1}, 5, false},  // a light run missing
    };
    for (Case const& c : cases) {
        QRFinderPartialScanData runs;
        int at = 256 * 10;
        for (int w : c.widths) {
            QRFinderPartialScanData::Run run;
            run.begin = at;
            at += w * c.scale * 256 - 30;
            run.end = at;
            run.pixels = static_cast<unsigned>(w * c.scale);
            runs.Push(run);
        }
        EXPECT_EQ(runs.IsFinderPattern(), c.finder) << c.widths[0] << c.widths[1] << c.widths[2] << " x" << c.scale;
    }
}

TEST(QRFinderSearchTest, TheNextFinderLiesWhereTheSymbolShowsIt)
{
    struct Case {
        int version;
        double angle;
        bool inverted;
    };
    Case const cases[] = {{2, 0.0, false}, {5, 17.0, false}, {9, 250.0, true}};
    for (Case const& c : cases) {
        support::SymbolInput input{.symbology = BARCODE_QRCODE, .data = "NEXT FINDER"};
        input.option2 = c.version;
        support::Rendering const r = support::render(input, {.moduleSize = 3.5, .angle = c.angle, .inverted = c.inverted});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
        double const s = 4.0 * c.version + 17.0;
        support::Point const centre = r.symbol.toFrame({3.5, 3.5});
        Point const fixed{static_cast<int>(std::lround(centre.x * 256)), static_cast<int>(std::lround(centre.y * 256))};
        QRFinderSearcher const searcher;
        QRFinderRegion topLeft;
        ASSERT_EQ(searcher.MeasureRegion(image, c.inverted, fixed, 3.5f, topLeft), 1) << "version " << c.version;
        // The other two finders' centres, whichever side they lie on.
        support::Point const others[2] = {r.symbol.toFrame({s - 3.5, 3.5}), r.symbol.toFrame({3.5, s - 3.5})};
        unsigned matched = 0;
        for (unsigned direction = 0; direction < 4; ++direction) {
            QRFinderRegion next;
            ASSERT_EQ(QRFinderRegion::CalcNextFinder(topLeft, static_cast<unsigned>(c.version), direction, next), 1);
            Point const p = next.CalcCenterPoint();
            for (support::Point const& o : others) {
                double const d = std::hypot(p.x / 256.0 - o.x, p.y / 256.0 - o.y);
                matched += d < 3.5 ? 1 : 0;  // within a module
            }
        }
        EXPECT_EQ(matched, 2u) << "version " << c.version;
        // Module size from the outline: six modules from corner to corner.
        EXPECT_NEAR(topLeft.size / 256.0 / 6.0, 3.5, 0.5) << "version " << c.version;
    }
}

// A light speck on the outer ring hides the outline from the few rays
// through it: the outline is measured from the rays either side, and a
// ring open over a whole side is still no finder.
TEST(QRFinderSearchTest, ASpeckOnTheRingLeavesTheOutlineMeasured)
{
    struct Case {
        double angle;
        double speck[4];  // module square x0, y0, x1, y1 painted light
        bool measured;
    };
    Case const cases[] = {
        {0.0, {0.0, 2.9, 1.0, 3.6}, true},
        {20.0, {2.8, 0.0, 3.5, 1.0}, true},
        {0.0, {0.0, 0.0, 1.0, 7.0}, false},
    };
    for (Case const& c : cases) {
        support::SymbolInput input{.symbology = BARCODE_QRCODE, .data = "SPECK"};
        input.option2 = 2;
        support::Rendering r = support::render(input, {.moduleSize = 4.0, .angle = c.angle});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        support::Polygon patch;
        patch.add(r.symbol.toFrame({c.speck[0], c.speck[1]}));
        patch.add(r.symbol.toFrame({c.speck[2], c.speck[1]}));
        patch.add(r.symbol.toFrame({c.speck[2], c.speck[3]}));
        patch.add(r.symbol.toFrame({c.speck[0], c.speck[3]}));
        support::fillPolygon(r.frame, patch, 900);
        GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
        support::Point const centre = r.symbol.toFrame({3.5, 3.5});
        Point const fixed{static_cast<int>(std::lround(centre.x * 256)), static_cast<int>(std::lround(centre.y * 256))};
        QRFinderRegion region;
        int const result = QRFinderSearcher().MeasureRegion(image, false, fixed, 4.0f, region, 8);
        ASSERT_EQ(result, c.measured ? 1 : 0) << c.angle;
        if (!c.measured) {
            continue;
        }
        support::Point const truth = r.symbol.toFrame({0.5, 0.5});
        EXPECT_LT(std::hypot(region.corner[0].x / 256.0 - truth.x, region.corner[0].y / 256.0 - truth.y), 2.0)
            << c.angle;
        EXPECT_NEAR(region.size / 256.0 / 6.0, 4.0, 0.5) << c.angle;
    }
}

TEST(QRFinderSearchTest, ACoreReachingTheWindowBorderIsNoCentre)
{
    support::SymbolInput input{.symbology = BARCODE_QRCODE, .data = "CORE"};
    support::Rendering const r = support::render(input, {.moduleSize = 6.0});
    ASSERT_TRUE(r.symbol.ok);
    GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
    support::Point const c = r.symbol.toFrame({3.5, 3.5});
    int const x = static_cast<int>(std::lround(c.x));
    int const y = static_cast<int>(std::lround(c.y));
    CalcCenterBlackPointSubroutine const core;
    Point centre;
    // The core and its light ring inside: the core's centre.
    ASSERT_EQ(core.Start(image, Rectangle{x - 14, y - 14, x + 14, y + 14}, 500, false, centre), 1);
    EXPECT_NEAR(centre.x / 256.0, c.x, 1.0);
    EXPECT_NEAR(centre.y / 256.0, c.y, 1.0);
    // A window inside the core alone: the blob is not enclosed.
    EXPECT_EQ(core.Start(image, Rectangle{x - 6, y - 6, x + 6, y + 6}, 500, false, centre), 0);
}

}  // namespace
