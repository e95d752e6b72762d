#pragma once
// Shared set-up of the tests that read rendered zint symbols of the linear
// symbologies through the fixed band: every linear symbology off until the
// test turns its own on, both polarities, one line decides, no length limits.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/decoder/linear/frame_fixture.h"
#include "tests/support/symbol_renderer.h"

namespace linear_read_test {

// Paints columns [from, to) of the frame with a grey.
inline void PaintColumns(support::Frame& frame, int from, int to, int grey)
{
    for (int y = 0; y < frame.height; ++y) {
        for (int x = from < 0 ? 0 : from; x < to && x < frame.width; ++x) {
            frame.pixels[static_cast<size_t>(y) * frame.width + x] = static_cast<std::uint16_t>(grey);
        }
    }
}

// Widens the gap that begins `atModules` into an upright symbol drawn at
// `moduleSize` pixels to `modules` modules, moving the rest of the symbol on
// over paper.
inline void WidenGap(support::Rendering& r, double atModules, double moduleSize, double modules)
{
    support::Quad const& q = r.symbol.corners;
    int const at = static_cast<int>(q[0].x + (atModules + 0.5) * moduleSize);
    int const shift = static_cast<int>((modules - 1.0) * moduleSize);
    for (int y = static_cast<int>(q[0].y); y <= static_cast<int>(q[3].y); ++y) {
        std::uint16_t* row = &r.frame.pixels[static_cast<size_t>(y) * r.frame.width];
        std::uint16_t const paper = row[at];
        for (int x = r.frame.width - 1; x >= at + shift; --x) {
            row[x] = row[x - shift];
        }
        for (int x = at; x < at + shift && x < r.frame.width; ++x) {
            row[x] = paper;
        }
    }
}

class LinearReadFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(harness.IsReady());
        harness.EnableAllLinear(false);
        harness.SetRedundancy(0);
        harness.SetDecodeMode(1);
        harness.SetPolarity(2);
        harness.SetOnlyCompleteCodes(false);
        harness.ClearLengthLimits();
    }

    ivra_configuration::configuration::Handle& Keys() { return harness.Settings(); }

    static support::SymbolInput Input(int symbology, std::string const& data, int option2 = 0)
    {
        support::SymbolInput input;
        input.symbology = symbology;
        input.data = data;
        input.option2 = option2;
        input.height = 20.0f;
        // ITF-14 with its bearer bars above and below only: the box's sides
        // would stand in the quiet zones.
        input.outputOptions = symbology == BARCODE_ITF14 ? BARCODE_BIND : 0;
        return input;
    }

    frame_test::Read Band(support::SymbolInput const& input, support::RenderOptions const& options = {.moduleSize = 2.0})
    {
        support::Rendering const r = support::render(input, options);
        EXPECT_TRUE(r.symbol.ok) << r.symbol.error;
        std::vector<frame_test::Read> const reads = harness.ReadFixedBand(r.frame);
        return reads.empty() ? frame_test::Read{} : reads.front();
    }

    // A symbol that reads gives no label with a bar drawn into the quiet zone
    // before it, nor with its last `cut` pixels painted over.
    void ExpectNoQuietZoneAndTruncatedRefused(support::SymbolInput const& input, int cut)
    {
        support::Rendering r = support::render(input, {.moduleSize = 2.0});
        ASSERT_TRUE(r.symbol.ok);
        ASSERT_FALSE(harness.ReadFixedBand(r.frame).empty()) << input.data;
        int const left = static_cast<int>(r.symbol.corners[0].x);
        int const right = static_cast<int>(r.symbol.corners[1].x);
        support::Rendering speck = r;
        PaintColumns(speck.frame, left - 8, left - 4, 100);
        EXPECT_TRUE(harness.ReadFixedBand(speck.frame).empty()) << input.data << ": bar in the quiet zone";
        PaintColumns(r.frame, right - cut, r.frame.width, 900);
        EXPECT_TRUE(harness.ReadFixedBand(r.frame).empty()) << input.data << ": truncated";
    }

    frame_test::LinearFrameHarness harness;
};

}  // namespace linear_read_test
