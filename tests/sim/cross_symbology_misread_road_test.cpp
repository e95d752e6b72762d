// Blurred Interleaved 2 of 5 frames read with rarer symbologies on: the pairs'
// bars once passed for Chinese Post digits ("0061000610") and for short Code 11
// labels ("6", "3"), whose one check digit is the data character itself.
#include "tests/sim/sim_program_fixture.h"
#include "tests/support/image_file.h"
#include "tests/support/symbol_renderer.h"

#include <string>

namespace {

using sim_test::Hex;

class CrossSymbologyMisreadRoadTest : public sim_test::SimProgramTest {
protected:
    std::string write(support::Frame const& frame, std::string const& name)
    {
        std::string const path = (directory_ / name).string();
        EXPECT_TRUE(support::writePng(path, frame, support::FileDepth::Bits16));
        return path;
    }
};

TEST_F(CrossSymbologyMisreadRoadTest, BlurredInterleavedGivesNoChinesePostOrCode11Label)
{
    auto const [set, setStatus] = run(
        "command", {"set read/chinese_post_matrix2of5:true", "set read/code11:true", "set read/interleaved2of5:false",
                    "set readable_medium/positive_and_negative_codes/all_1d_and_composite_codes:"
                    "\"POSITIVE_AND_NEGATIVE\"",
                    "save"});
    ASSERT_EQ(setStatus, 0) << set;
    struct Case {
        char const* data;
        double angle;
        double noise;
        unsigned seed;
        char const* once;  // the label this frame once gave
    };
    Case const cases[] = {{"224397224397", 0, 18, 31, "Chinese Post 0061000610"},
                          {"224397224397", 180, 18, 55, "Chinese Post 0061000610"},
                          {"224397224397", 0, 34, 95, "Code 11 6"},
                          {"2026998840", 0, 18, 79, "Code 11 3"},
                          {"2026998840", 180, 42, 199, "Code 11 3"}};
    std::vector<std::string> paths;
    for (Case const& c : cases) {
        support::RenderOptions options;
        options.moduleSize = 1.5;
        options.angle = c.angle;
        options.blur = 0.7;
        options.noise = c.noise;
        options.seed = c.seed;
        support::Rendering const r = support::render({.symbology = BARCODE_C25INTER, .data = c.data}, options);
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        paths.push_back(write(r.frame, "itf" + std::to_string(paths.size()) + ".png"));
    }
    auto const [out, status] = run("decode", paths);
    std::string expected;
    for (std::string const& path : paths) {
        expected += path + "\t-\n";
    }
    EXPECT_EQ(out, expected) << "once: Chinese Post 0061000610, Code 11 6 and 3";
    (void)status;
}

// Code 11 reads of fewer than three data characters need a length record
// that admits them; a one-character symbol's check digit proves nothing.
TEST_F(CrossSymbologyMisreadRoadTest, ShortCode11NeedsALengthRecord)
{
    auto const [set, setStatus] = run("command", {"set read/code11:true", "save"});
    ASSERT_EQ(setStatus, 0) << set;
    support::RenderOptions options;
    options.moduleSize = 2.0;
    support::Rendering const two = support::render({.symbology = BARCODE_CODE11, .data = "42", .option2 = 1}, options);
    support::Rendering const three =
        support::render({.symbology = BARCODE_CODE11, .data = "421", .option2 = 1}, options);
    ASSERT_TRUE(two.symbol.ok && three.symbol.ok);
    std::string const twoPath = write(two.frame, "two.png");
    std::string const threePath = write(three.frame, "three.png");
    auto const [out, status] = run("decode", {twoPath, threePath});
    EXPECT_EQ(out, twoPath + "\t-\n" + threePath + "\t18\t]H3\t" + Hex("421") + "\n");
    (void)status;
}

}  // namespace
