#include <gtest/gtest.h>

#include "tests/decoder/linear/frame_fixture.h"
#include "tests/support/symbol_renderer.h"

namespace frame_test {
namespace {

using namespace DEC2DIvra;

// The Code 128 instances of the trial table, reached through both roads into
// the frame.
TEST(FrameCode128RoadTest, FixedBandAndLocatedRegionReadCode128)
{
    LinearFrameHarness harness;
    ASSERT_TRUE(harness.IsReady());
    harness.EnableAllLinear(true);
    harness.SetRedundancy(1);
    harness.SetDecodeMode(1);
    harness.SetPolarity(0);
    harness.ClearLengthLimits();

    support::RenderOptions options;
    options.moduleSize = 2.0;
    support::Rendering const upright = support::render({.symbology = BARCODE_CODE128, .data = "Frame-128"}, options);
    ASSERT_TRUE(upright.symbol.ok) << upright.symbol.error;
    std::vector<Read> const band = harness.ReadFixedBand(upright.frame);
    ASSERT_EQ(band.size(), 1u);
    EXPECT_EQ(band[0].data, "Frame-128");
    EXPECT_EQ(band[0].symbology, SYMBOLOGY_CODE128);

    options.angle = 150;
    support::Rendering const turned = support::render({.symbology = BARCODE_CODE128, .data = "Frame-128"}, options);
    ASSERT_TRUE(turned.symbol.ok);
    Read const read = harness.ReadRegion(turned.frame, ToRegion(turned.symbol.corners, 12 * options.moduleSize));
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(read.data, "Frame-128");
}

}  // namespace
}  // namespace frame_test
