// Symbols stretched unevenly between their alignment patterns (a label
// pulled out of shape): the mesh through the patterns misses the modules in
// between, and the decoder reads them once the mesh is refitted to the
// timing patterns.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "tests/decoder/matrix/qr/qr_read_fixture.h"

namespace qr_test {
namespace {

// Every column of the frame between left and right taken from a point
// pushed sideways by a whole sine wave over that width: no shift at the
// ends and the middle, the most at a quarter and three quarters.
support::Frame Stretch(support::Frame const& flat, double left, double right, double depth)
{
    support::Frame out = flat;
    double const pi = 3.14159265358979;
    for (int x = 0; x < flat.width; ++x) {
        double const at = x + 0.5;
        double const shift = at <= left || at >= right ? 0.0 : depth * std::sin(2.0 * pi * (at - left) / (right - left));
        double const from = x + shift;
        int const x0 = static_cast<int>(std::floor(from));
        double const f = from - x0;
        for (int y = 0; y < flat.height; ++y) {
            auto grey = [&](int column) { return flat.at(std::clamp(column, 0, flat.width - 1), y); };
            out.at(x, y) = static_cast<uint16_t>(std::lround(grey(x0) * (1.0 - f) + grey(x0 + 1) * f));
        }
    }
    return out;
}

TEST(QRTimingRefitTest, UnevenlyStretchedSymbolsRead)
{
    QRReadHarness harness;
    ASSERT_TRUE(harness.IsReady());
    struct {
        char const* name;
        char const* data;
        int version;
        support::RenderOptions options;
        double depth;  // modules
    } const cases[] = {
        {"version 7", "STRETCHED SEVEN", 7, {.moduleSize = 4.0}, 0.9},
        {"version 10, light on dark", "stretched ten", 10, {.moduleSize = 3.5, .inverted = true}, 0.9},
    };
    for (auto const& c : cases) {
        std::string const data = c.data;
        support::SymbolInput input{.symbology = BARCODE_QRCODE, .data = data};
        input.option2 = c.version;
        support::Rendering r = support::render(input, c.options);
        ASSERT_TRUE(r.symbol.ok) << c.name << ": " << r.symbol.error;
        double const side = 4.0 * c.version + 17.0;
        r.frame = Stretch(r.frame, r.symbol.toFrame({0, 0}).x, r.symbol.toFrame({side, 0}).x,
                          c.depth * c.options.moduleSize);
        QRRead const read = harness.Read(r.frame);
        EXPECT_TRUE(read.read) << c.name;
        EXPECT_EQ(read.data, data) << c.name;
    }
}

}  // namespace
}  // namespace qr_test
