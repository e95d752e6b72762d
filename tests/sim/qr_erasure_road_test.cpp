// A QR block may be corrected with its faintest codewords taken as erasures, but never
// with every check word spent on them: nothing would be left to check the rest, and
// noise sampled as a symbol would come out as a label.
#include "tests/sim/sim_program_fixture.h"
#include "tests/support/image_file.h"
#include "tests/support/symbol_renderer.h"

#include <string>

namespace {

using sim_test::Hex;

class QrErasureRoadTest : public sim_test::SimProgramTest {};

// A noisy IATA 2 of 5 frame whose print noise a version 5 Model 1 sampling once
// "corrected" into a second label beside the right one.
TEST_F(QrErasureRoadTest, NoiseIsNotCorrectedIntoALabel)
{
    auto const [set, setStatus] = run("command", {"set read/iata:true", "save"});
    ASSERT_EQ(setStatus, 0) << set;
    support::RenderOptions options;
    options.moduleSize = 4.0;
    options.angle = 315;
    options.seed = 94;
    options.noise = 25;
    support::Rendering const r = support::render({.symbology = BARCODE_C25IATA, .data = "693517"}, options);
    ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
    std::string const path = (directory_ / "iata.png").string();
    ASSERT_TRUE(support::writePng(path, r.frame, support::FileDepth::Bits16));
    auto const [out, status] = run("decode", {path});
    EXPECT_EQ(out, path + "\t11\t]R0\t" + Hex("693517") + "\n");
    EXPECT_EQ(status, 0);
}

}  // namespace
