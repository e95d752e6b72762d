// Print noise on sharp, large-module symbols through scanner-sim decode: the
// noise splits wide bars and spaces into runs no character fits, so a line
// that no decoder takes is read once more smoothed.
#include "tests/sim/sim_program_fixture.h"
#include "tests/support/image_file.h"
#include "tests/support/symbol_renderer.h"

#include <string>
#include <vector>

namespace {

using sim_test::Hex;

class NoisyLineRoadTest : public sim_test::SimProgramTest {};

struct Case {
    char const* name;
    support::SymbolInput input;
    std::string label;  // symbology, AIM identifier and hex data as decode prints them
    double moduleSize;
    double angle;
    uint64_t seed;
};

// Frames of the read-rate conditions that the line reading alone left unread.
TEST_F(NoisyLineRoadTest, NoisyLargeModulesRead)
{
    auto const [set, setStatus] =
        run("command", {"set read/korean_postal_authority:true", "set read/uk_plessey:true", "set read/telepen:true",
                        "set read/msi_plessey:true", "set read/matrix2of5:true", "save"});
    ASSERT_EQ(setStatus, 0) << set;
    std::vector<Case> const cases = {
        {"Korean postal", {.symbology = BARCODE_KOREAPOST, .data = "123456"}, "22\t]X0\t" + Hex("123456"), 2.8, 30, 2},
        {"UK Plessey", {.symbology = BARCODE_PLESSEY, .data = "0A1B2C3D"}, "19\t]P0\t" + Hex("0A1B2C3D"), 2.8, 30,
         26},
        {"Telepen", {.symbology = BARCODE_TELEPEN, .data = "Telepen"}, "21\t]B0\t" + Hex("Telepen"), 2.8, 60, 51},
        {"MSI Plessey", {.symbology = BARCODE_MSI_PLESSEY, .data = "1234567", .option2 = 1},
         "20\t]M1\t" + Hex("1234567"), 4.0, 30, 86},
        {"Matrix 2 of 5", {.symbology = BARCODE_C25STANDARD, .data = "394292"}, "9\t]X0\t" + Hex("394292"), 4.0, 60,
         111},
    };
    std::vector<std::string> paths;
    std::string want;
    for (Case const& c : cases) {
        support::Rendering const r = support::render(
            c.input, {.moduleSize = c.moduleSize, .angle = c.angle, .noise = 25, .seed = c.seed});
        ASSERT_TRUE(r.symbol.ok) << c.name << ": " << r.symbol.error;
        paths.push_back((directory_ / ("f" + std::to_string(paths.size()) + ".png")).string());
        ASSERT_TRUE(support::writePng(paths.back(), r.frame, support::FileDepth::Bits16));
        want += paths.back() + "\t" + c.label + "\n";
    }
    auto const [out, status] = run("decode", paths);
    EXPECT_EQ(out, want);
    EXPECT_EQ(status, 0);
}

// The far end of a slanted symbol has modules near a pixel wide, which the
// smoothed reading merges: a Codabar symbol lost its last data character
// there and came out as "1234567". Such a reading gives no label.
TEST_F(NoisyLineRoadTest, SmoothingSmallModulesGivesNoWrongLabel)
{
    support::RenderOptions options;
    options.moduleSize = 2.0;
    options.angle = 105;
    options.seed = 32;
    options.perspectiveX = 0.2;
    options.perspectiveY = 0.1;
    support::Rendering const r = support::render(
        {.symbology = BARCODE_CODABAR, .data = "A12345678B", .wideRatio = 2.5}, options);
    ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
    std::string const path = (directory_ / "codabar.png").string();
    ASSERT_TRUE(support::writePng(path, r.frame, support::FileDepth::Bits16));
    auto const [out, status] = run("decode", {path});
    EXPECT_TRUE(out == path + "\t-\n" || out == path + "\t5\t]F0\t" + Hex("12345678") + "\n") << out;
}

}  // namespace
