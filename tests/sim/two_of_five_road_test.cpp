// The 2 of 5 family through `scanner-sim decode` with every type on: each
// type reads as itself from either end and in either polarity, clean and
// blurred small, and a blurred symbol gives its own label or none.
#include "tests/sim/sim_program_fixture.h"
#include "tests/support/image_file.h"
#include "tests/support/symbol_renderer.h"

#include <sstream>
#include <string>
#include <vector>

namespace {

using sim_test::Hex;

class TwoOfFiveRoadTest : public sim_test::SimProgramTest {};

TEST_F(TwoOfFiveRoadTest, EveryTypeReadsAsItselfAndNothingElse)
{
    auto const [set, setStatus] =
        run("command", {"set read/industrial2of5:true", "set read/matrix2of5:true", "set read/iata:true",
                        "set read/chinese_post_matrix2of5:true",
                        "set readable_medium/positive_and_negative_codes/all_1d_and_composite_codes:"
                        "\"POSITIVE_AND_NEGATIVE\"",
                        "save"});
    ASSERT_EQ(setStatus, 0) << set;
    struct Type {
        int symbology;
        char const* data;
        char const* label;  // symbology number, AIM and data as scanner-sim prints them
        bool blurredSmall;  // read too at 1.5 px a module with blur and noise
    };
    std::vector<Type> const types = {
        {BARCODE_C25IND, "394372", "6\t]S0\t", true},
        {BARCODE_C25INTER, "12345678", "7\t]I0\t", false},
        {BARCODE_C25STANDARD, "394292", "9\t]X0\t", true},
        {BARCODE_C25IATA, "693517", "11\t]R0\t", true},
        {BARCODE_C25LOGIC, "919657", "10\t]X0\t", false},
    };
    struct Frame {
        std::string path;
        std::string expected;
        bool mayBeUnread;
    };
    std::vector<Frame> frames;
    for (Type const& t : types) {
        for (double const angle : {0.0, 7.0, 180.0, 187.0}) {
            for (bool const inverted : {false, true}) {
                for (bool const blurred : {false, true}) {
                    support::RenderOptions options;
                    options.moduleSize = blurred ? 1.5 : 2.0;
                    options.angle = angle;
                    options.inverted = inverted;
                    options.seed = 7;
                    if (blurred) {
                        options.blur = 0.6;
                        options.noise = 20;
                    }
                    support::Rendering const r = support::render({.symbology = t.symbology, .data = t.data}, options);
                    ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
                    std::string const path = (directory_ / ("f" + std::to_string(frames.size()) + ".png")).string();
                    ASSERT_TRUE(support::writePng(path, r.frame, support::FileDepth::Bits16));
                    // Blurred small, Interleaved and Chinese Post are read only
                    // at some angles; what they give must still be their own.
                    bool const mayBeUnread = blurred && !t.blurredSmall;
                    frames.push_back({path, path + "\t" + t.label + Hex(t.data), mayBeUnread});
                }
            }
        }
    }
    std::vector<std::string> paths;
    for (Frame const& f : frames) {
        paths.push_back(f.path);
    }
    auto const [out, status] = run("decode", paths);
    std::istringstream lines(out);
    std::string line;
    for (Frame const& f : frames) {
        ASSERT_TRUE(std::getline(lines, line));
        if (f.mayBeUnread && line == f.path + "\t-") {
            continue;
        }
        EXPECT_EQ(line, f.expected);
    }
    EXPECT_FALSE(std::getline(lines, line)) << "one label per frame: " << line;
    (void)status;
}

}  // namespace
