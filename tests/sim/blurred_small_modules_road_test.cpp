// Blurred symbols of small modules through scanner-sim decode: blur spreads a
// narrow run between two wide runs of the other colour to nearly a wide width.
#include "tests/sim/sim_program_fixture.h"
#include "tests/support/image_file.h"
#include "tests/support/symbol_renderer.h"

#include <string>
#include <vector>

namespace {

using sim_test::Hex;

class BlurredSmallModulesRoadTest : public sim_test::SimProgramTest {};

// The narrow space of "4" between its two wide bars measured as wide as they
// (16 16 26 25 27 at 1.3 pixels per module), so no line read past it.
TEST_F(BlurredSmallModulesRoadTest, Code11NarrowRunBetweenWideRunsReads)
{
    auto const [set, setStatus] = run(
        "command", {"set read/code11:true",
                    "set readable_medium/positive_and_negative_codes/all_1d_and_composite_codes:\"POSITIVE_AND_NEGATIVE\"",
                    "save"});
    ASSERT_EQ(setStatus, 0) << set;
    struct Frame {
        double moduleSize;
        double angle;
        bool inverted;
    };
    std::vector<Frame> const frames = {{1.3, 135.0, false}, {1.3, 315.0, false}, {2.0, 315.0, false},
                                       {1.3, 135.0, true}};
    support::SymbolInput const input{.symbology = BARCODE_CODE11, .data = "123-4567", .option2 = 1};
    std::string want;
    std::vector<std::string> paths;
    for (Frame const& f : frames) {
        support::Rendering const r = support::render(
            input, {.moduleSize = f.moduleSize, .angle = f.angle, .inverted = f.inverted, .blur = 0.35 * f.moduleSize});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        paths.push_back((directory_ / ("f" + std::to_string(paths.size()) + ".png")).string());
        ASSERT_TRUE(support::writePng(paths.back(), r.frame, support::FileDepth::Bits16));
        want += paths.back() + "\t18\t]H3\t" + Hex("123-4567") + "\n";
    }
    // The same blur on a symbol whose last digit is no check digit of the rest.
    support::Rendering const wrong =
        support::render({.symbology = BARCODE_CODE11, .data = "123-4560", .option2 = 2},
                        {.moduleSize = 1.3, .angle = 135.0, .blur = 0.35 * 1.3});
    ASSERT_TRUE(wrong.symbol.ok) << wrong.symbol.error;
    paths.push_back((directory_ / "wrong.png").string());
    ASSERT_TRUE(support::writePng(paths.back(), wrong.frame, support::FileDepth::Bits16));
    want += paths.back() + "\t-\n";
    auto const [out, status] = run("decode", paths);
    EXPECT_EQ(out, want);
}

// At 1.3 pixels per module a narrow bar kept from full black by blur measured
// wide, and the plain widths rounded to other valid characters ("3" as "N",
// "-" as "O"): every line read to the stop and the check characters refused
// it. Upright and at right angles the pixel grid adds to it.
TEST_F(BlurredSmallModulesRoadTest, Code93NarrowRunsShortOfTheirLevelRead)
{
    auto const [set, setStatus] = run("command", {"set read/code93:true", "save"});
    ASSERT_EQ(setStatus, 0) << set;
    support::SymbolInput const input{.symbology = BARCODE_CODE93, .data = "C93-TEST"};
    std::string want;
    std::vector<std::string> paths;
    for (double angle : {0.0, 90.0, 180.0, 270.0}) {
        support::Rendering const r = support::render(input, {.moduleSize = 1.3, .angle = angle, .blur = 0.35 * 1.3});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        paths.push_back((directory_ / ("f" + std::to_string(paths.size()) + ".png")).string());
        ASSERT_TRUE(support::writePng(paths.back(), r.frame, support::FileDepth::Bits16));
        want += paths.back() + "\t17\t]G0\t" + Hex("C93-TEST") + "\n";
    }
    auto const [out, status] = run("decode", paths);
    EXPECT_EQ(out, want);
    EXPECT_EQ(status, 0);
}

}  // namespace
