// Frames where one reader once took another symbol's print, or print noise, for a
// label of its own: only the symbol in the frame may come out.
#include "tests/sim/sim_program_fixture.h"
#include "tests/support/image_file.h"
#include "tests/support/qr_model1_symbol.h"
#include "tests/support/random.h"
#include "tests/support/symbol_renderer.h"

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using sim_test::Hex;

class MisreadRoadTest : public sim_test::SimProgramTest {
protected:
    std::string write(support::Frame const& frame, std::string const& name)
    {
        std::string const path = (directory_ / name).string();
        EXPECT_TRUE(support::writePng(path, frame, support::FileDepth::Bits16));
        return path;
    }
};

// A QR block may be corrected with its faintest codewords taken as erasures, but
// never with every check word spent on them: nothing would be left to check the
// rest. Here a version 5 Model 1 sampling of print noise came out as a second
// label beside the IATA one.
TEST_F(MisreadRoadTest, NoiseOnALinearFrameGivesNoQRLabel)
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
    std::string const path = write(r.frame, "iata.png");
    auto const [out, status] = run("decode", {path});
    EXPECT_EQ(out, path + "\t11\t]R0\t" + Hex("693517") + "\n");
    EXPECT_EQ(status, 0);
}

// UPC-E carries one check digit: the data of a blurred QR symbol passed for one
// ("03333550") beside the QR label.
TEST_F(MisreadRoadTest, QRDataGivesNoUpcELabel)
{
    std::string const data = std::string(300, 'y') + "/largest";
    support::ModuleMatrix const matrix = support::drawQRModel1(14, 'L', 1, data);
    ASSERT_TRUE(matrix.ok());
    support::RenderOptions options;
    options.moduleSize = 2.0;
    options.angle = 240;
    options.quietZone = 4.0;
    options.seed = 17;
    options.blur = 0.7;
    std::string const path = write(support::renderModules(matrix, options), "qr.png");
    auto const [out, status] = run("decode", {path});
    EXPECT_EQ(out, path + "\t33\t]Q0\t" + Hex(data) + "\n");
    EXPECT_EQ(status, 0);
}

// The codeword bars of a PDF417 or MicroPDF417 symbol passed for a short linear
// label (an EAN-8, a DataBar pair run, a three-character Code 128) beside the
// stacked label. Each frame is drawn as the read-rate bench draws it.
TEST_F(MisreadRoadTest, StackedSymbolDataGivesNoLinearLabel)
{
    auto const [set, setStatus] =
        run("command", {"set readable_medium/positive_and_negative_codes/pdf_417:\"POSITIVE_AND_NEGATIVE\"",
                        "set readable_medium/positive_and_negative_codes/all_1d_and_composite_codes:"
                        "\"POSITIVE_AND_NEGATIVE\"",
                        "set read/micro_pdf417:true", "save"});
    ASSERT_EQ(setStatus, 0) << set;
    struct Case {
        char const* name;
        int symbology;
        std::string data;
        int level;
        int columns;
        double moduleSize;
        double angle;
        uint64_t seed;
        bool blurred;  // else noisy
        char const* expected;  // symbology number and identifier
    };
    Case const cases[] = {
        {"ean8", BARCODE_PDF417, "PDF417 level 2", 2, 3, 2.5, 210, 63, true, "31\t]L2"},
        {"databar", BARCODE_PDF417, "Wide flat symbol 1234567890", 4, 12, 2.0, 180, 37, false, "31\t]L2"},
        {"code128", BARCODE_MICROPDF417, "FOUR COLUMNS 1234567890", 0, 4, 2.5, 180, 61, false, "32\t]L3"},
    };
    for (Case const& c : cases) {
        support::RenderOptions options;
        options.moduleSize = c.moduleSize;
        options.angle = c.angle;
        options.seed = c.seed;
        options.blur = c.blurred ? 0.35 * c.moduleSize : 0.0;
        options.noise = c.blurred ? 0.0 : 25.0;
        support::SymbolInput input{.symbology = c.symbology, .data = c.data, .option2 = c.columns};
        if (c.level != 0) {
            input.option1 = c.level;
        }
        support::Rendering const r = support::render(input, options);
        ASSERT_TRUE(r.symbol.ok) << c.name << ": " << r.symbol.error;
        std::string const path = write(r.frame, std::string(c.name) + ".png");
        auto const [out, status] = run("decode", {path});
        EXPECT_EQ(out, path + "\t" + c.expected + "\t" + Hex(c.data) + "\n") << c.name;
        EXPECT_EQ(status, 0) << c.name;
    }
}

// A Code 11 symbol carrying both check digits, read where one is expected, once
// came out with its first check digit left in the data ("01234567890"). It is
// refused until the board is told to expect two.
TEST_F(MisreadRoadTest, Code11WithTwoCheckDigitsIsReadOnlyWhenTwoAreExpected)
{
    auto const [set, setStatus] = run("command", {"set read/code11:true", "save"});
    ASSERT_EQ(setStatus, 0) << set;
    support::RenderOptions options;
    options.moduleSize = 2.5;
    support::Rendering const r = support::render({.symbology = BARCODE_CODE11, .data = "0123456789"},
                                                 options);
    ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
    std::string const path = write(r.frame, "code11.png");
    EXPECT_EQ(run("decode", {path}).first, path + "\t-\n");
    auto const [two, twoStatus] = run("command", {"set code/code11/check_check_digit:\"CHECK_2CD\"", "save"});
    ASSERT_EQ(twoStatus, 0) << two;
    EXPECT_EQ(run("decode", {path}).first, path + "\t18\t]H3\t" + Hex("0123456789") + "\n");
}

// Turned round, about three Korean Postal symbols in a thousand read as another
// valid code (858866 as 688985): a symbol that reads validly both ways is refused,
// upright or not, rather than guessed at. Every other one reads the same either way.
TEST_F(MisreadRoadTest, KoreanPostalTurnedRoundGivesItsOwnCodeOrNone)
{
    auto const [set, setStatus] = run("command", {"set read/korean_postal_authority:true", "save"});
    ASSERT_EQ(setStatus, 0) << set;
    std::vector<std::string> const ambiguous = {"858866", "000009", "000090", "000356", "000566"};
    std::vector<std::string> values = ambiguous;
    support::Random random(52);
    while (values.size() < ambiguous.size() + 20) {
        std::string value = std::to_string(random.integer(0, 999999));
        values.push_back(std::string(6 - value.size(), '0') + value);
    }
    std::map<std::string, std::string> truth;  // path to value
    std::vector<std::string> paths;
    for (std::string const& value : values) {
        for (double angle : {0.0, 180.0}) {
            support::RenderOptions options;
            options.moduleSize = 1.5;
            options.angle = angle;
            support::Rendering const r = support::render({.symbology = BARCODE_KOREAPOST, .data = value}, options);
            ASSERT_TRUE(r.symbol.ok) << value << ": " << r.symbol.error;
            std::string const path = write(r.frame, value + "_" + std::to_string(int(angle)) + ".png");
            truth[path] = value;
            paths.push_back(path);
        }
    }
    auto const [out, status] = run("decode", paths);
    std::istringstream lines(out);
    std::string line;
    unsigned readRandom = 0;
    while (std::getline(lines, line)) {
        std::string const path = line.substr(0, line.find('\t'));
        std::string const value = truth[path];
        bool const refused = std::find(ambiguous.begin(), ambiguous.end(), value) != ambiguous.end();
        if (refused) {
            EXPECT_EQ(line, path + "\t-") << value;
        } else if (line != path + "\t-") {
            EXPECT_EQ(line, path + "\t22\t]X0\t" + Hex(value)) << value;
            ++readRandom;
        }
    }
    EXPECT_GE(readRandom, 38u);  // of 40 frames of codes that read one way only
}

}  // namespace
