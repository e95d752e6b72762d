// QR symbols that lost a finder or an alignment pattern, drawn by zint and
// read through the decoder handle; a symbol damaged past reading gives none.

#include <gtest/gtest.h>

#include <string>

#include "tests/decoder/matrix/qr/qr_read_fixture.h"
#include "tests/support/polygon.h"

namespace qr_test {
namespace {

support::SymbolInput QR(int version, int level, std::string const& data)
{
    support::SymbolInput input{.symbology = BARCODE_QRCODE, .data = data};
    input.option1 = level;
    input.option2 = version;
    return input;
}

// Paints the module square [x0, x1) x [y0, y1) of a drawn symbol in the grey.
void Paint(support::Frame& frame, support::RenderedSymbol const& symbol, double x0, double y0, double x1, double y1,
           int grey)
{
    support::Polygon patch;
    patch.add(symbol.toFrame({x0, y0}));
    patch.add(symbol.toFrame({x1, y0}));
    patch.add(symbol.toFrame({x1, y1}));
    patch.add(symbol.toFrame({x0, y1}));
    support::fillPolygon(frame, patch, grey);
}

enum class Lost { kTopRightFinder, kBottomLeftFinder, kAlignment };

struct LostCase {
    char const* name;
    int version;
    int level;
    Lost lost;
    support::RenderOptions options;
};

TEST(QRLostPatternTest, ASymbolReadsWithOneFinderOrItsLastAlignmentPatternGone)
{
    QRReadHarness harness;
    ASSERT_TRUE(harness.IsReady());
    LostCase const cases[] = {
        {"5-H top-right finder", 5, 4, Lost::kTopRightFinder, {.moduleSize = 4.0}},
        {"5-H bottom-left finder, turned", 5, 4, Lost::kBottomLeftFinder, {.moduleSize = 4.0, .angle = 20}},
        {"3-Q top-right finder, turned", 3, 3, Lost::kTopRightFinder, {.moduleSize = 4.0, .angle = 250}},
        {"8-H top-right finder", 8, 4, Lost::kTopRightFinder,
         {.moduleSize = 3.5, .angle = 10}},
        {"5-M top-right finder, light on dark", 5, 2, Lost::kTopRightFinder, {.moduleSize = 4.0, .inverted = true}},
        {"7-H alignment pattern", 7, 4, Lost::kAlignment, {.moduleSize = 3.0}},
        {"10-H alignment pattern, turned", 10, 4, Lost::kAlignment, {.moduleSize = 3.0, .angle = 35}},
    };
    for (LostCase const& c : cases) {
        std::string const data = std::string("LOST ") + c.name;
        support::Rendering r = support::render(QR(c.version, c.level, data), c.options);
        ASSERT_TRUE(r.symbol.ok) << c.name << ": " << r.symbol.error;
        double const s = 4.0 * c.version + 17.0;
        int const label = c.options.inverted ? 100 : 900;
        switch (c.lost) {
        case Lost::kTopRightFinder:
            Paint(r.frame, r.symbol, s - 7.0, 0.0, s, 7.0, label);
            break;
        case Lost::kBottomLeftFinder:
            Paint(r.frame, r.symbol, 0.0, s - 7.0, 7.0, s, label);
            break;
        case Lost::kAlignment:
            Paint(r.frame, r.symbol, s - 9.0, s - 9.0, s - 4.0, s - 4.0, label);
            break;
        }
        QRRead const read = harness.Read(r.frame);
        EXPECT_TRUE(read.read) << c.name;
        EXPECT_EQ(read.data, data) << c.name;
    }
}

// A small blurred symbol of low contrast under perspective that lost its
// top-right finder: the run windows beside the lone finder find no partner,
// and the finder's own axis, scanned out to the frame's edge, does.
TEST(QRLostPatternTest, ALoneFinderFindsItsPartnerAlongItsAxis)
{
    QRReadHarness harness;
    ASSERT_TRUE(harness.IsReady());
    for (double const blur : {0.7, 0.8}) {
        std::string const data = "SWEEP 2";
        support::RenderOptions const options{.moduleSize = 3.0, .angle = 1.5, .dark = 380, .light = 640,
                                             .perspectiveX = 0.08, .blur = blur, .noise = 5};
        support::Rendering r = support::render(QR(2, 0, data), options);
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        Paint(r.frame, r.symbol, 18.0, 0.0, 25.0, 7.0, options.light);
        QRRead const read = harness.Read(r.frame);
        EXPECT_TRUE(read.read) << "blur " << blur;
        EXPECT_EQ(read.data, data) << "blur " << blur;
    }
}

// The corner finder gone: the two left are seen only across a diagonal of
// the symbol, so each is a lone finder with no partner beside it. The
// corner finder is looked for where the finders' axes toward it cross, and
// placed there when it does not show.
TEST(QRLostPatternTest, TheOuterFindersAcrossADiagonalPlaceTheCornerFinder)
{
    QRReadHarness harness;
    ASSERT_TRUE(harness.IsReady());
    struct Case {
        char const* name;
        int version;
        int level;
        int grey;  // the corner finder painted over in this grey, -1 faded instead
        support::RenderOptions options;
    };
    Case const cases[] = {
        {"5-H painted out", 5, 4, 900, {.moduleSize = 4.0}},
        {"8-H painted out, turned", 8, 4, 900, {.moduleSize = 3.5, .angle = 30}},
        {"10-Q painted out, perspective", 10, 3, 900,
         {.moduleSize = 3.0, .angle = 200, .perspectiveX = 0.1, .perspectiveY = 0.05}},
        {"7-M faded", 7, 2, -1, {.moduleSize = 4.0, .angle = 75}},
    };
    for (Case const& c : cases) {
        std::string const data = std::string("CORNER ") + c.name;
        support::Rendering r = support::render(QR(c.version, c.level, data), c.options);
        ASSERT_TRUE(r.symbol.ok) << c.name << ": " << r.symbol.error;
        if (c.grey >= 0) {
            Paint(r.frame, r.symbol, 0.0, 0.0, 7.0, 7.0, c.grey);
        } else {
            // Its rings grey and its outer ring broken on two sides: no
            // 1:1:3:1:1 run across it for the locator, the core still
            // there to measure.
            Paint(r.frame, r.symbol, 0.0, 0.0, 7.0, 1.0, 620);
            Paint(r.frame, r.symbol, 0.0, 0.0, 1.0, 7.0, 620);
        }
        QRRead const read = harness.Read(r.frame);
        EXPECT_TRUE(read.read) << c.name;
        EXPECT_EQ(read.data, data) << c.name;
    }
}

TEST(QRLostPatternTest, DamagedPastReadingGivesNoLabel)
{
    QRReadHarness harness;
    ASSERT_TRUE(harness.IsReady());
    std::string const data = "NO LABEL FROM THIS";
    // A lost finder and a third of the data area; two finders lost.
    support::Rendering a = support::render(QR(5, 1, data), {.moduleSize = 4.0});
    support::Rendering b = support::render(QR(5, 4, data), {.moduleSize = 4.0, .angle = 15});
    ASSERT_TRUE(a.symbol.ok && b.symbol.ok);
    Paint(a.frame, a.symbol, 30.0, 0.0, 37.0, 7.0, 900);
    Paint(a.frame, a.symbol, 9.0, 9.0, 30.0, 30.0, 900);
    Paint(b.frame, b.symbol, 30.0, 0.0, 37.0, 7.0, 900);
    Paint(b.frame, b.symbol, 0.0, 30.0, 7.0, 37.0, 900);
    for (support::Frame const* frame : {&a.frame, &b.frame}) {
        QRRead const read = harness.Read(*frame);
        EXPECT_TRUE(!read.read || read.data == data);
        EXPECT_FALSE(read.read);
    }
}

}  // namespace
}  // namespace qr_test
