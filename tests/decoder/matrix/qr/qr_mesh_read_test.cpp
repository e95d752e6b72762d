// Reads through the decoder handle that the module mesh gives: small
// symbols on a bottle (rows of modules bent across the label), Micro QR
// either way round and light on dark, each label as encoded.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "tests/decoder/matrix/qr/qr_read_fixture.h"

namespace qr_test {
namespace {

// The frame's columns pushed down by a bow over the symbol's width.
support::Frame Bend(support::Frame const& flat, double left, double right, double depth)
{
    support::Frame bent = flat;
    for (int y = 0; y < flat.height; ++y) {
        for (int x = 0; x < flat.width; ++x) {
            double const at = x + 0.5;
            double const bow =
                at <= left || at >= right ? 0.0 : depth * std::sin(3.14159265358979 * (at - left) / (right - left));
            double const from = y - bow;
            int const y0 = static_cast<int>(std::floor(from));
            double const f = from - y0;
            auto grey = [&](int row) { return flat.at(x, std::clamp(row, 0, flat.height - 1)); };
            bent.at(x, y) = static_cast<uint16_t>(std::lround(grey(y0) * (1.0 - f) + grey(y0 + 1) * f));
        }
    }
    return bent;
}

struct Case {
    char const* name;
    char const* data;
    int symbology;
    int version;
    support::RenderOptions options;
    double bow;  // modules at the middle; 0 for a flat symbol
};

TEST(QRMeshReadTest, SymbolsReadAsEncoded)
{
    QRReadHarness harness;
    ASSERT_TRUE(harness.IsReady());
    Case const cases[] = {
        {"2 bent", "BENT 2", BARCODE_QRCODE, 2, {.moduleSize = 4.0}, 1.5},
        {"4 bent, turned", "BENT AND TURNED 4", BARCODE_QRCODE, 4, {.moduleSize = 4.0, .angle = 4.0}, 1.5},
        {"6 bent", "https://example.com/bent/6", BARCODE_QRCODE, 6, {.moduleSize = 3.5}, 1.5},
        {"M2 mirrored", "M2-17", BARCODE_MICROQR, 2, {.moduleSize = 4.0, .angle = 30.0, .mirrored = true}, 0.0},
        {"M4 light on dark", "Micro dark", BARCODE_MICROQR, 4, {.moduleSize = 3.0, .angle = 120.0, .inverted = true}, 0.0},
        {"M1", "4711", BARCODE_MICROQR, 1, {.moduleSize = 5.0, .blur = 1.0}, 0.0},
    };
    for (Case const& c : cases) {
        std::string const data = c.data;
        support::SymbolInput input{.symbology = c.symbology, .data = data};
        input.option2 = c.version;
        support::Rendering r = support::render(input, c.options);
        ASSERT_TRUE(r.symbol.ok) << c.name << ": " << r.symbol.error;
        if (c.bow > 0.0) {
            double const side = c.symbology == BARCODE_MICROQR ? 2.0 * c.version + 9.0 : 4.0 * c.version + 17.0;
            r.frame = Bend(r.frame, r.symbol.toFrame({0, 0}).x, r.symbol.toFrame({side, 0}).x,
                           c.bow * c.options.moduleSize);
        }
        QRRead const read = harness.Read(r.frame);
        EXPECT_TRUE(read.read) << c.name;
        EXPECT_EQ(read.data, data) << c.name;
        EXPECT_EQ(read.negative, c.options.inverted) << c.name;
    }
}

}  // namespace
}  // namespace qr_test
