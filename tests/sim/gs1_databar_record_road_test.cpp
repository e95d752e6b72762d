// The tuning record of a GS1 DataBar label through scanner-sim decode
// --record: Omnidirectional and Expanded labels carry the grey statistics of
// the lines whose characters won the vote (the record column is "-" for a
// label without one).
#include "tests/sim/sim_program_fixture.h"
#include "tests/support/image_file.h"
#include "tests/support/symbol_renderer.h"

#include <string>
#include <vector>

namespace {

class DataBarRecordRoadTest : public sim_test::SimProgramTest {
protected:
    // The columns scanner-sim decode --record prints for the frame.
    std::vector<std::string> Decode(support::Frame const& frame)
    {
        std::string const path = (directory_ / ("f" + std::to_string(count_++) + ".png")).string();
        EXPECT_TRUE(support::writePng(path, frame, support::FileDepth::Bits8));
        std::string const out = run("decode", {"--record", path}).first;
        std::string const line = out.substr(0, out.find('\n'));
        std::vector<std::string> columns;
        for (size_t at = 0; at <= line.size();) {
            size_t const end = line.find('\t', at);
            columns.push_back(line.substr(at, end == std::string::npos ? std::string::npos : end - at));
            at = end == std::string::npos ? line.size() + 1 : end + 1;
        }
        return columns;
    }

    unsigned count_ = 0;
};

TEST_F(DataBarRecordRoadTest, VotedLabelsCarryTheirGreyStatistics)
{
    for (support::SymbolInput const& input :
         {support::SymbolInput{.symbology = BARCODE_DBAR_OMN, .data = "0950110153000"},
          support::SymbolInput{.symbology = BARCODE_DBAR_EXP, .data = "[01]98898765432106[3103]001750",
                               .inputMode = GS1_MODE}}) {
        for (double const angle : {0.0, 30.0}) {
            support::RenderOptions options;
            options.moduleSize = 3.0;
            options.angle = angle;
            support::Rendering const r = support::render(input, options);
            ASSERT_TRUE(r.symbol.ok);
            std::vector<std::string> const columns = Decode(r.frame);
            ASSERT_GE(columns.size(), 5u) << input.symbology;
            EXPECT_EQ(columns[1], "16");
            // separation, normalised separation, angle, overlaps: a clean
            // print parts its greys widely and overlaps nowhere.
            int separation = 0;
            int normalised = 0;
            int angle = 0;
            unsigned overlaps = 1;
            ASSERT_EQ(std::sscanf(columns[4].c_str(), "%d %d %d %u", &separation, &normalised, &angle, &overlaps), 4)
                << columns[4];
            EXPECT_GT(separation, 100);
            EXPECT_EQ(overlaps, 0u);
        }
    }
}

}  // namespace
