// Codablock F seen at a slant through scanner-sim decode: the rows fan out, so
// a band parallel to the row it was found from leaves a row further away.
#include "tests/sim/sim_program_fixture.h"
#include "tests/support/image_file.h"
#include "tests/support/symbol_renderer.h"

#include <string>
#include <vector>

namespace {

using sim_test::Hex;

class CodablockFSlantRoadTest : public sim_test::SimProgramTest {};

// Each frame read one row and found the bands of the others, none of which
// read: no label. The symbol check characters still guard the joined rows.
TEST_F(CodablockFSlantRoadTest, FanningRowsReadWhole)
{
    auto const [set, setStatus] = run("command", {"set read/codablock_f:true", "save"});
    ASSERT_EQ(setStatus, 0) << set;
    struct Frame {
        double moduleSize;
        double angle;
    };
    std::vector<Frame> const frames = {{2.8, 0.0}, {2.8, 90.0}, {2.8, 180.0}, {2.0, 60.0}, {1.3, 270.0}};
    support::SymbolInput const input{.symbology = BARCODE_CODABLOCKF, .data = "CODABLOCK F 123"};
    std::string want;
    std::vector<std::string> paths;
    for (Frame const& f : frames) {
        support::Rendering const r = support::render(
            input, {.moduleSize = f.moduleSize, .angle = f.angle, .perspectiveX = 0.2, .perspectiveY = 0.1});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        paths.push_back((directory_ / ("f" + std::to_string(paths.size()) + ".png")).string());
        ASSERT_TRUE(support::writePng(paths.back(), r.frame, support::FileDepth::Bits16));
        want += paths.back() + "\t41\t]O4\t" + Hex("CODABLOCK F 123") + "\n";
    }
    auto const [out, status] = run("decode", paths);
    EXPECT_EQ(out, want);
    EXPECT_EQ(status, 0);
}

}  // namespace
