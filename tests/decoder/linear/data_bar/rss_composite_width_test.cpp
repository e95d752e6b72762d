// A DataBar label tells the composite reader how many modules its first row
// spans: 92 for a one-row Omnidirectional symbol and 46 for a stacked one;
// 49 per finder in an Expanded symbol's first row.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/decoder/linear/frame_fixture.h"
#include "tests/support/symbol_renderer.h"

namespace frame_test {
namespace {

TEST(RSSCompositeWidthTest, FirstRowWidthOfEveryForm)
{
    LinearFrameHarness harness;
    ASSERT_TRUE(harness.IsReady());
    harness.EnableAllLinear(false);
    harness.SetRedundancy(0);
    harness.SetPolarity(0);
    harness.ClearLengthLimits();
    harness.Settings().read.gs1_databar.Set(true);
    harness.Settings().read.gs1_databar_expanded.Set(true);

    std::string const weight = "[01]98898765432106[3202]012345[15]991231";
    struct Case {
        char const* name;
        support::SymbolInput input;
        unsigned modules;
    };
    std::vector<Case> const cases = {
        {"omnidirectional", {.symbology = BARCODE_DBAR_OMN, .data = "0950110153000"}, 92},
        {"stacked omnidirectional", {.symbology = BARCODE_DBAR_OMNSTK, .data = "0950110153000"}, 46},
        // Eight characters: four finders in one row.
        {"expanded", {.symbology = BARCODE_DBAR_EXP, .data = weight, .inputMode = GS1_MODE}, 4 * 49},
        {"expanded stacked, 2 pairs a row",
         {.symbology = BARCODE_DBAR_EXPSTK, .data = weight, .option2 = 2, .inputMode = GS1_MODE}, 2 * 49},
        {"expanded stacked, 3 pairs a row",
         {.symbology = BARCODE_DBAR_EXPSTK, .data = weight, .option2 = 3, .inputMode = GS1_MODE}, 3 * 49},
    };
    for (Case const& c : cases) {
        for (double angle : {0.0, 160.0}) {
            support::RenderOptions options;
            options.moduleSize = 2.0;
            options.angle = angle;
            support::Rendering const r = support::render(c.input, options);
            ASSERT_TRUE(r.symbol.ok) << c.name << ": " << r.symbol.error;
            Read const read = harness.ReadRegion(r.frame, ToRegion(r.symbol.corners, 10 * options.moduleSize));
            ASSERT_TRUE(read.ok) << c.name << " at " << angle;
            EXPECT_EQ(read.moduleCount, c.modules) << c.name << " at " << angle;
        }
    }
}

}  // namespace
}  // namespace frame_test
