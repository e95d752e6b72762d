// Small modules in low contrast through scanner-sim decode: a line whose grey
// range is low is smoothed against noise, which merges the narrow elements of
// 1.3-pixel modules; such lines are read once more unsmoothed.
#include "tests/sim/sim_program_fixture.h"
#include "tests/support/image_file.h"
#include "tests/support/symbol_renderer.h"

#include <string>
#include <vector>

namespace {

using sim_test::Hex;

class LowContrastRoadTest : public sim_test::SimProgramTest {};

struct Case {
    char const* name;
    support::SymbolInput input;
    std::string label;  // symbology, AIM identifier and hex data as decode prints them
};

TEST_F(LowContrastRoadTest, SmallModulesReadWhole)
{
    auto const [set, setStatus] =
        run("command", {"set read/code11:true", "set read/codablock_f:true", "save"});
    ASSERT_EQ(setStatus, 0) << set;
    std::vector<Case> const cases = {
        {"Code 11", {.symbology = BARCODE_CODE11, .data = "123-4567", .option2 = 1}, "18\t]H3\t" + Hex("123-4567")},
        {"Codablock F", {.symbology = BARCODE_CODABLOCKF, .data = "CODABLOCK F 123"},
         "41\t]O4\t" + Hex("CODABLOCK F 123")},
        {"Code 128", {.symbology = BARCODE_CODE128, .data = "Low contrast 1.3"}, "4\t]C0\t" + Hex("Low contrast 1.3")},
    };
    std::vector<std::string> paths;
    std::vector<std::string> expected;
    for (Case const& c : cases) {
        for (double angle : {0.0, 60.0}) {
            support::Rendering const r =
                support::render(c.input, {.moduleSize = 1.3, .angle = angle, .dark = 380, .light = 620});
            ASSERT_TRUE(r.symbol.ok) << c.name << ": " << r.symbol.error;
            paths.push_back((directory_ / ("f" + std::to_string(paths.size()) + ".png")).string());
            ASSERT_TRUE(support::writePng(paths.back(), r.frame, support::FileDepth::Bits16));
            expected.push_back(paths.back() + "\t" + c.label + "\n");
        }
    }
    auto const [out, status] = run("decode", paths);
    std::string want;
    for (std::string const& line : expected) {
        want += line;
    }
    EXPECT_EQ(out, want);
    EXPECT_EQ(status, 0);
}

// The GS1-128 part of a composite at 1.35-1.45 pixels per module, faint,
// upright or turned by a right angle: measured on the smoothed line, its
// 3-module bars came out 2.5 and the 1-module spaces after them 1.6, and two
// lines agreed on "010905110153000315". Read with the factory settings alone,
// the linear part is sent as it stands.
TEST_F(LowContrastRoadTest, SmallModulesOfAFaintGs1128ReadRight)
{
    support::SymbolInput const input{.symbology = BARCODE_GS1_128_CC,
                                     .data = "[99]1234-abcd[21]1234567890",
                                     .option1 = 3,
                                     .inputMode = GS1_MODE,
                                     .primary = "[01]09501101530003"};
    struct Pose {
        double moduleSize;
        double angle;
    };
    std::vector<std::string> paths;
    std::string want;
    for (Pose const pose : {Pose{1.45, 0}, Pose{1.35, 90}, Pose{1.35, 180}}) {
        support::Rendering const r =
            support::render(input, {.moduleSize = pose.moduleSize, .angle = pose.angle, .dark = 380, .light = 620});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        paths.push_back((directory_ / ("g" + std::to_string(paths.size()) + ".png")).string());
        ASSERT_TRUE(support::writePng(paths.back(), r.frame, support::FileDepth::Bits16));
        want += paths.back() + "\t4\t]C1\t" + Hex("0109501101530003") + "\n";
    }
    auto const [out, status] = run("decode", paths);
    EXPECT_EQ(out, want);
    EXPECT_EQ(status, 0);
}

}  // namespace
