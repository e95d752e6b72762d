// Codablock F through scanner-sim decode with the factory settings plus
// read/codablock_f: rotated symbols whose located region spans several rows,
// small and large modules, both polarities; a symbol with a row painted over
// gives no label, and never one of its rows as Code 128.
#include "tests/sim/sim_program_fixture.h"
#include "tests/support/image_file.h"
#include "tests/support/symbol_renderer.h"

#include <cmath>
#include <string>
#include <vector>

namespace {

using sim_test::Hex;

class CodablockFRoadTest : public sim_test::SimProgramTest {
protected:
    void SetUp() override
    {
        SimProgramTest::SetUp();
        auto const [out, status] =
            run("command", {"set read/codablock_f:true",
                            "set readable_medium/positive_and_negative_codes/all_1d_and_composite_codes:"
                            "\"POSITIVE_AND_NEGATIVE\"",
                            "save"});
        ASSERT_EQ(status, 0) << out;
    }

    // The labels of each frame, one "symbology aim hex" per frame ("-" for
    // none), in the order given.
    std::vector<std::string> Decode(std::vector<support::Frame> const& frames)
    {
        std::vector<std::string> paths;
        for (support::Frame const& frame : frames) {
            paths.push_back((directory_ / ("f" + std::to_string(paths.size()) + ".png")).string());
            EXPECT_TRUE(support::writePng(paths.back(), frame, support::FileDepth::Bits8));
        }
        auto const [out, status] = run("decode", paths);
        EXPECT_TRUE(status == 0 || status == 1) << status;  // 1: some frame gave no label
        std::vector<std::string> labels(paths.size());
        for (size_t at = 0; at < out.size();) {
            size_t const end = out.find('\n', at);
            std::string const line = out.substr(at, end - at);
            at = end == std::string::npos ? out.size() : end + 1;
            size_t const tab = line.find('\t');
            for (size_t i = 0; i < paths.size(); ++i) {
                if (line.substr(0, tab) == paths[i]) {
                    labels[i] += (labels[i].empty() ? "" : " | ") + line.substr(tab + 1);
                }
            }
        }
        return labels;
    }
};

struct Pose {
    double moduleSize;
    double angle;
    bool inverted;
};

TEST_F(CodablockFRoadTest, ReadsRotatedSymbolsWholeAtEveryModuleSize)
{
    std::string const data = "CODABLOCK F 123";
    std::string const longer = "Codablock F over eight rows: 0123456789 abcdefghij";
    // A located region across several rows at 1.3 and 4 pixels per module
    // once lost a row or read none.
    Pose const poses[] = {{1.3, 330, false}, {4.0, 30, false}, {4.0, 210, false},
                          {2.0, 0, false},   {2.8, 105, true},  {2.0, 75, false}};
    std::vector<support::Frame> frames;
    std::vector<std::string> expected;
    for (std::string const& text : {data, longer}) {
        for (Pose const& pose : poses) {
            support::Rendering r = support::render(
                {.symbology = BARCODE_CODABLOCKF, .data = text},
                {.moduleSize = text == longer ? pose.moduleSize * 0.7 : pose.moduleSize, .angle = pose.angle,
                 .inverted = pose.inverted});
            ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
            frames.push_back(std::move(r.frame));
            expected.push_back("41\t]O4\t" + Hex(text));
        }
    }
    std::vector<std::string> const labels = Decode(frames);
    for (size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(labels[i], expected[i]) << "frame " << i;
    }
}

TEST_F(CodablockFRoadTest, ARowPaintedOverGivesNoLabel)
{
    std::vector<support::Frame> frames;
    for (double angle : {0.0, 30.0}) {
        support::Rendering r =
            support::render({.symbology = BARCODE_CODABLOCKF, .data = "CODABLOCK F TEST 0123456789"},
                            {.moduleSize = 2.5, .angle = angle});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        ASSERT_GE(r.symbol.rows, 4);
        // Row 2 (of the rows between the outer rules) in the label's grey.
        double const rowHeight = r.symbol.heightModules / r.symbol.rows;
        for (double y = rowHeight + 0.5; y < 2 * rowHeight - 0.5; y += 0.25) {
            for (double x = 0; x < r.symbol.widthModules; x += 0.25) {
                support::Point const p = r.symbol.toFrame({x, y});
                r.frame.at(static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y))) = 900;
            }
        }
        frames.push_back(std::move(r.frame));
    }
    for (std::string const& label : Decode(frames)) {
        EXPECT_EQ(label, "-");
    }
}

}  // namespace
