// A Data Matrix symbol on a blotchy ground, with the other matrix finders
// switched on or off: switching on a symbology that looks for finders of its
// own (DotCode's dots, Han Xin's corner patterns) must not cost the Data
// Matrix read. Once it did: the L corners of the ground, gathered in one
// sweep with the dots, spent the Data Matrix stage's tries before the
// symbol's own L came up.
#include "tests/sim/sim_program_fixture.h"
#include "tests/support/image_file.h"
#include "tests/support/symbol_renderer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using sim_test::Hex;

class MatrixStagesRoadTest : public sim_test::SimProgramTest {};

// Blotches of two greys, some fifteen pixels across, corners everywhere.
support::Frame BlotchyGround(uint64_t seed)
{
    support::Frame frame = support::makeFrame();
    support::applyNoise(frame, 200.0, seed);
    support::applyBlur(frame, 5.0);
    for (uint16_t& pixel : frame.pixels) {
        pixel = static_cast<uint16_t>(pixel > 512 ? 720 : 280);
    }
    return frame;
}

TEST_F(MatrixStagesRoadTest, DataMatrixReadsWhateverOtherFindersAreWanted)
{
    std::string const data = "DM ON A BLOTCHY GROUND";
    std::string const expected = "\t35\t]d1\t" + Hex(data) + "\n";
    std::vector<std::string> const boards = {"factory", "dots", "han_xin", "both"};
    ASSERT_EQ(run("command", {"set read/dot_code:true", "save"}, "dots").second, 0);
    ASSERT_EQ(run("command", {"set read/chinese_sensible_code:true", "save"}, "han_xin").second, 0);
    ASSERT_EQ(run("command", {"set read/dot_code:true", "set read/chinese_sensible_code:true", "save"}, "both").second,
              0);
    unsigned readByFactory = 0;
    for (uint64_t seed = 1; seed <= 8; ++seed) {
        support::Frame frame = BlotchyGround(seed);
        support::RenderOptions options;
        options.moduleSize = 3.0;
        options.quietZone = 6.0;
        options.angle = 90.0 * static_cast<double>(seed % 4);
        ASSERT_TRUE(support::drawSymbol(frame, {.symbology = BARCODE_DATAMATRIX, .data = data, .option3 = DM_SQUARE}, options).ok);
        std::string const path = (directory_ / ("dm" + std::to_string(seed) + ".png")).string();
        ASSERT_TRUE(support::writePng(path, frame, support::FileDepth::Bits16));
        std::string const factory = run("decode", {path}, "factory").first;
        if (factory != path + expected) {
            EXPECT_EQ(factory, path + "\t-\n") << "seed " << seed;
            continue;
        }
        ++readByFactory;
        for (std::string const& board : boards) {
            EXPECT_EQ(run("decode", {path}, board).first, path + expected) << "seed " << seed << ", board " << board;
        }
    }
    EXPECT_GE(readByFactory, 5u);
}

}  // namespace
