// A Micro QR symbol inside three finder-like crosses (printed marks, or
// the clutter of grass or gravel): the crosses make a triple that does not
// read, and the symbol's own finder is still tried on its own.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tests/decoder/matrix/qr/qr_read_fixture.h"

namespace qr_test {
namespace {

// A plus of two bars three modules wide, each crossed 1:1:3:1:1 as a QR
// finder is along a row or a column, but not along its diagonals.
void DrawCross(support::Frame& frame, double cx, double cy, double module, int dark)
{
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            double const u = (x + 0.5 - cx) / module;
            double const v = (y + 0.5 - cy) / module;
            double along = 0.0;
            if (std::fabs(v) < 1.5 && std::fabs(u) < 3.5) {
                along = std::fabs(u);
            } else if (std::fabs(u) < 1.5 && std::fabs(v) < 3.5) {
                along = std::fabs(v);
            } else {
                continue;
            }
            if (along < 1.5 || along >= 2.5) {
                frame.at(x, y) = static_cast<uint16_t>(dark);
            }
        }
    }
}

TEST(QRMicroAmongClutterTest, MicroFinderInsideAFailedTripleIsTriedAlone)
{
    QRReadHarness harness;
    ASSERT_TRUE(harness.IsReady());
    struct {
        char const* name;
        char const* data;
        int version;
        double spread;  // modules from the symbol's centre to each cross
    } const cases[] = {
        {"M2", "M2-17", 2, 15.0},
        {"M4", "AMONG CROSSES 4", 4, 17.0},
    };
    for (auto const& c : cases) {
        std::string const data = c.data;
        support::SymbolInput input{.symbology = BARCODE_MICROQR, .data = data};
        input.option2 = c.version;
        support::RenderOptions const options{.moduleSize = 4.0, .quietZone = 26.0};
        support::Rendering r = support::render(input, options);
        ASSERT_TRUE(r.symbol.ok) << c.name << ": " << r.symbol.error;
        ASSERT_TRUE(harness.Read(r.frame).read) << c.name << ": reads without the crosses";
        double const side = 2.0 * c.version + 9.0;
        support::Point const centre = r.symbol.toFrame({side / 2.0, side / 2.0});
        double const d = c.spread * options.moduleSize;
        DrawCross(r.frame, centre.x - d, centre.y - d, options.moduleSize, options.dark);
        DrawCross(r.frame, centre.x + d, centre.y - d, options.moduleSize, options.dark);
        DrawCross(r.frame, centre.x - d, centre.y + d, options.moduleSize, options.dark);
        QRRead const read = harness.Read(r.frame);
        EXPECT_TRUE(read.read) << c.name;
        EXPECT_EQ(read.data, data) << c.name;
    }
}

}  // namespace
}  // namespace qr_test
