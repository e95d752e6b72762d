// MSI Plessey, UK Plessey, Telepen and Korean postal through `scanner-sim
// decode`, all four on at once: each reads as itself from either end and in
// either polarity, clean and blurred, and no frame gives another label.
#include "tests/sim/sim_program_fixture.h"
#include "tests/support/image_file.h"
#include "tests/support/symbol_renderer.h"

#include <sstream>
#include <string>
#include <vector>

namespace {

using sim_test::Hex;

class PlesseyTelepenRoadTest : public sim_test::SimProgramTest {};

TEST_F(PlesseyTelepenRoadTest, EverySymbologyReadsAsItselfAndNothingElse)
{
    auto const [set, setStatus] =
        run("command", {"set read/korean_postal_authority:true", "set read/uk_plessey:true", "set read/telepen:true",
                        "set read/msi_plessey:true",
                        "set readable_medium/positive_and_negative_codes/all_1d_and_composite_codes:"
                        "\"POSITIVE_AND_NEGATIVE\"",
                        "save"});
    ASSERT_EQ(setStatus, 0) << set;
    struct Type {
        support::SymbolInput input;
        std::string label;  // symbology number, AIM and data as scanner-sim prints them
        bool blurredRead;   // every blurred frame reads too
    };
    std::vector<Type> const types = {
        {{.symbology = BARCODE_MSI_PLESSEY, .data = "1234567", .option2 = 1}, "20\t]M1\t" + Hex("1234567"), true},
        {{.symbology = BARCODE_MSI_PLESSEY, .data = "90817263", .option2 = 1}, "20\t]M1\t" + Hex("90817263"), true},
        {{.symbology = BARCODE_MSI_PLESSEY, .data = "905", .option2 = 1}, "20\t]M1\t" + Hex("905"), false},
        {{.symbology = BARCODE_PLESSEY, .data = "0A1B2C3D"}, "19\t]P0\t" + Hex("0A1B2C3D"), false},
        {{.symbology = BARCODE_TELEPEN, .data = "Telepen"}, "21\t]B0\t" + Hex("Telepen"), false},
        {{.symbology = BARCODE_KOREAPOST, .data = "123456"}, "22\t]X0\t" + Hex("123456"), false},
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
                    options.seed = 11;
                    if (blurred) {
                        options.blur = 0.6;
                        options.noise = 20;
                    }
                    support::Rendering const r = support::render(t.input, options);
                    ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
                    std::string const path = (directory_ / ("f" + std::to_string(frames.size()) + ".png")).string();
                    ASSERT_TRUE(support::writePng(path, r.frame, support::FileDepth::Bits16));
                    frames.push_back({path, path + "\t" + t.label, blurred && !t.blurredRead});
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
