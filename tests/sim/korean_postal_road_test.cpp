// Korean postal codes through `scanner-sim decode`, upright and upside down.
// Turned round, a symbol is four spaces a digit again, only grouped
// otherwise: some of those groups are spaces of one width that cannot share
// a digit's six units, and such a reading must not count as a second code
// that makes the true one refused.
#include "tests/sim/sim_program_fixture.h"
#include "tests/support/image_file.h"
#include "tests/support/symbol_renderer.h"

#include <sstream>
#include <string>
#include <vector>

namespace {

using sim_test::Hex;

class KoreanPostalRoadTest : public sim_test::SimProgramTest {};

TEST_F(KoreanPostalRoadTest, CodesWhoseTurnedGroupsShareNoDigitRead)
{
    auto const [set, setStatus] = run("command", {"set read/korean_postal_authority:true", "save"});
    ASSERT_EQ(setStatus, 0) << set;
    // Each of these gave a reading the other way round from spaces that fit
    // no digit, and was refused; 123456 and 000000 never were.
    std::vector<std::string> const values = {"001661", "005986", "054665", "078779", "680928",
                                             "692594", "829518", "815557", "123456", "000000"};
    std::vector<std::string> paths;
    std::vector<std::string> expected;
    for (std::string const& value : values) {
        for (double const angle : {0.0, 180.0}) {
            support::RenderOptions options;
            options.moduleSize = 2.0;
            options.angle = angle;
            options.seed = 5;
            support::Rendering const r =
                support::render({.symbology = BARCODE_KOREAPOST, .data = value}, options);
            ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
            std::string const path = (directory_ / ("k" + std::to_string(paths.size()) + ".png")).string();
            ASSERT_TRUE(support::writePng(path, r.frame, support::FileDepth::Bits16));
            paths.push_back(path);
            expected.push_back(path + "\t22\t]X0\t" + Hex(value));
        }
    }
    auto const [out, status] = run("decode", paths);
    std::istringstream lines(out);
    std::string line;
    for (std::string const& e : expected) {
        ASSERT_TRUE(std::getline(lines, line));
        EXPECT_EQ(line, e);
    }
    EXPECT_EQ(status, 0) << out;
}

}  // namespace
