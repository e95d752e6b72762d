// The alignment-pattern detector over zint symbols: the centre within a
// fraction of a module, upright, turned, light on dark and blurred; a
// blanked pattern gives nothing.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

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

TEST(QRMiniFinderTest, WindowsOffTheFrameOrMalformedFindNothing)
{
    // Two dark blobs, one inside the frame and one cut by its top-left
    // corner: a window around the first finds it (rank 1, a dark blob on
    // light), the others find nothing.
    std::vector<unsigned short> pixels(80 * 60, 900);
    auto blob = [&](int left, int top) {
        for (int y = top; y < top + 6; ++y) {
            for (int x = left; x < left + 6; ++x) {
                pixels[static_cast<size_t>(y) * 80 + static_cast<size_t>(x)] = 100;
            }
        }
    };
    blob(40, 30);
    blob(0, 0);
    GrayImage const image(80, 60, 80, pixels.data());
    QRMiniFinderSearcher const searcher;
    Point centre;
    unsigned size = 0;
    ASSERT_EQ(searcher.StartPart(image, Rectangle{33, 23, 52, 42}, 3 * 256, 40, false, 8, centre, size, 1), 1);
    EXPECT_NEAR(centre.x / 256.0, 42.5, 1.0);
    EXPECT_NEAR(centre.y / 256.0, 32.5, 1.0);
    Rectangle const windows[] = {
        {-40, -40, -20, -20},  // wholly above and left of the frame
        {100, 70, 130, 90},    // wholly below and right of it
        {52, 42, 33, 23},      // right and bottom before left and top
        {-7, -7, 12, 12},      // the blob cut by the frame's corner
        {-100000, -100000, 100000, 100000},
        {std::numeric_limits<int>::min(), std::numeric_limits<int>::min(), std::numeric_limits<int>::max(),
         std::numeric_limits<int>::max()},  // sides whose difference and margins overflow an int
    };
    for (Rectangle const& window : windows) {
        EXPECT_EQ(searcher.StartPart(image, window, 3 * 256, 40, false, 8, centre, size, 1), 0)
            << window.left << ", " << window.top << ", " << window.right << ", " << window.bottom;
    }
    // More fraction bits than a centre can carry.
    EXPECT_EQ(searcher.StartPart(image, Rectangle{33, 23, 52, 42}, 3 * 256, 40, false, 16, centre, size, 1), 0);
}

}  // namespace
