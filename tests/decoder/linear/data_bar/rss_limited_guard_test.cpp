// DataBar Limited alone on the frame reads no UPC/EAN symbol: the check
// character's pattern can turn up inside their halves, and the guards and
// quiet zones must refuse them.
#include <gtest/gtest.h>

#include <string>

#include "tests/decoder/linear/frame_fixture.h"
#include "tests/support/symbol_renderer.h"

namespace frame_test {
namespace {

TEST(RSSLimitedGuardTest, UpcAndEanSymbolsAreNeverReadAsLimited)
{
    LinearFrameHarness harness;
    ASSERT_TRUE(harness.IsReady());
    harness.EnableAllLinear(false);
    harness.SetRedundancy(0);
    harness.SetDecodeMode(1);
    harness.SetPolarity(2);
    harness.Settings().read.gs1_databar_limited.Set(true);
    harness.Settings().code.gs1_databar.enable_protection_for_upc_a.Set(true);

    // The DataBar Limited symbol itself reads on this frame.
    support::RenderOptions options;
    options.moduleSize = 2.5;
    support::Rendering const limited =
        support::render({.symbology = BARCODE_DBAR_LTD, .data = "0950110153000"}, options);
    ASSERT_TRUE(limited.symbol.ok);
    Read const read = harness.ReadRegion(limited.frame, ToRegion(limited.symbol.corners, 10 * options.moduleSize));
    EXPECT_TRUE(read.ok);
    EXPECT_EQ(read.data, "0109501101530003");

    // Numbers spread over the whole range, so that many digit patterns turn
    // up on both halves; the first one read as Limited once, upside down,
    // with no more than a one-module space left of the pattern.
    for (unsigned long long n = 0; n < 120; ++n) {
        std::string const data =
            n == 0 ? std::string("526889912470") : std::to_string(100000000000ULL + n * 2246789013ULL % 899999999999ULL);
        for (double angle : {0.0, 180.0}) {
            options.angle = angle;
            support::Rendering const r = support::render({.symbology = BARCODE_EANX, .data = data}, options);
            ASSERT_TRUE(r.symbol.ok);
            EXPECT_TRUE(harness.ReadFixedBand(r.frame).empty()) << data << " at " << angle;
            EXPECT_FALSE(harness.ReadRegion(r.frame, ToRegion(r.symbol.corners, 10 * options.moduleSize)).ok)
                << data << " at " << angle;
        }
    }
}

}  // namespace
}  // namespace frame_test
