// The alignment-pattern detector over zint symbols: the centre within a
// fraction of a module, upright, turned, light on dark and blurred; a
// blanked pattern gives nothing.

#include <gtest/gtest.h>

#include <cmath>

#include "decoder/core/gray_image.h"
#include "decoder/matrix/qr/qr_mini_finder_searcher.h"
#include "tests/support/polygon.h"
#include "tests/support/symbol_renderer.h"

namespace {

using namespace DEC2DIvra;

struct Case {
    int version;
    double module;
    double angle;
    bool inverted;
    double blur;
    bool blanked;
};

TEST(QRMiniFinderTest, TheAlignmentPatternCentreIsFoundAndABlankIsNot)
{
    Case const cases[] = {
        {2, 4.0, 0.0, false, 0.0, false},  {7, 3.0, 25.0, false, 0.0, false}, {7, 3.0, 25.0, false, 0.0, true},
        {10, 2.5, 300.0, true, 0.8, false}, {5, 2.5, 10.0, false, 0.8, false}, {5, 4.0, 0.0, false, 0.0, true},
    };
    QRMiniFinderSearcher const searcher;
    for (Case const& c : cases) {
        support::SymbolInput input{.symbology = BARCODE_QRCODE, .data = "ALIGNMENT"};
        input.option1 = 4;
        input.option2 = c.version;
        support::Rendering r = support::render(
            input, {.moduleSize = c.module, .angle = c.angle, .inverted = c.inverted, .blur = c.blur});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        double const at = 4.0 * c.version + 17.0 - 7.0 + 0.5;  // the last alignment centre
        if (c.blanked) {
            support::Polygon patch;
            patch.add(r.symbol.toFrame({at - 2.5, at - 2.5}));
            patch.add(r.symbol.toFrame({at + 2.5, at - 2.5}));
            patch.add(r.symbol.toFrame({at + 2.5, at + 2.5}));
            patch.add(r.symbol.toFrame({at - 2.5, at + 2.5}));
            support::fillPolygon(r.frame, patch, c.inverted ? 100 : 900);
        }
        GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
        support::Point const truth = r.symbol.toFrame({at, at});
        int const reach = static_cast<int>(std::lround(c.module * 2.0));
        int const x = static_cast<int>(std::lround(truth.x)) + 1;
        int const y = static_cast<int>(std::lround(truth.y)) - 1;
        Point centre;
        unsigned size = 0;
        int const found = searcher.StartPart(image, Rectangle{x - reach, y - reach, x + reach, y + reach},
                                             static_cast<unsigned>(c.module * 256), 40, c.inverted, 8, centre, size, 3);
        if (c.blanked) {
            // A light patch holds no dark centre inside a light ring.
            EXPECT_EQ(found, 0) << "version " << c.version << " blanked";
            continue;
        }
        ASSERT_EQ(found, 1) << "version " << c.version;
        EXPECT_LT(std::hypot(centre.x / 256.0 - truth.x, centre.y / 256.0 - truth.y), c.module / 2.0)
            << "version " << c.version;
    }
}

}  // namespace
