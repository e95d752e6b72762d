// Data-editing programs and GS1 conversion as a user meets them: programs and
// GS1 commands sent with scanner-sim command and saved, then zint-made labels
// scanned by the restarted firmware on the same board, byte for byte.
#include "tests/sim/sim_program_fixture.h"
#include "tests/support/image_file.h"
#include "tests/support/symbol_renderer.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using sim_test::Memory;

class DataEditRoad : public sim_test::SimProgramTest {
protected:
    std::string symbol(std::string const& name, int symbology, std::string const& data, int inputMode = DATA_MODE,
                       double moduleSize = 2.0)
    {
        auto r = support::render({.symbology = symbology, .data = data, .inputMode = inputMode},
                                 {.moduleSize = moduleSize});
        EXPECT_TRUE(r.symbol.ok) << r.symbol.error;
        std::string const path = (directory_ / name).string();
        EXPECT_TRUE(support::writePng(path, r.frame, support::FileDepth::Bits8));
        return path;
    }

    std::pair<std::string, int> Ok(std::string const& text) { return {text, 0}; }
};

TEST_F(DataEditRoad, ProgramsSetWithSetShapeTheOutputAndSurviveARestart)
{
    std::vector<std::string> const commands = {
        // Input group, anchors and group references.
        Memory(1, "^ID(!:[0-9]+)-(.*)$", "[0,2]/[0,1]"),
        // A skip, a lazy repetition and quoted output.
        Memory(2, "^C<K>\"\\(\"(.{2,3}?)\"\\)\"(.*)", "[0]"),
        // Nested functions: padding, then the check digit over the padded number.
        Memory(3, "^N(.*)", "$GTIN_CHECKDIGIT{$FILL{12,+0,0,[0,1]}}"),
        // GS1 element strings with template alternatives.
        Memory(4, "\\s80(\\Ax)+", "\\Df01EXP=(\\A17[0]\\D1|none);LOT=(\\A10[0]\\D1|none)"),
        "save",
    };
    EXPECT_EQ(run("command", commands), Ok("<ACK>\n<ACK>\n<ACK>\n<ACK>\n<ACK>\n"));
    std::vector<std::string> const images = {
        symbol("id.png", BARCODE_CODE128, "ID42-BOX"),
        symbol("c.png", BARCODE_CODE128, "CK12345"),
        symbol("n.png", BARCODE_CODE128, "N123"),
        symbol("gs1.png", BARCODE_GS1_128, "[10]AB12[17]250700[21]X", GS1_MODE, 1.5),
    };
    EXPECT_EQ(run("scan", images), Ok("BOX/42\nC(12)345\n0000000001236\nEXP=2507;LOT=AB12\n"));

    // Malformed programs are refused and change nothing; ED5 shows the working texts.
    std::vector<std::string> const bad = {
        Memory(2, "(x", "[0]"),
        Memory(2, "x", "(ab"),
        Memory(2, "\\qZZ", ""),
        Memory(2, std::string(600, 'a'), ""),
        // Backtracking that would double with every cell.
        Memory(2, "((a|aa)+)+b", "[0]"),
        Memory(2, "(.*,)*x", "[0]"),
        "[ED5Q2",
        "[ED5Q6",
    };
    EXPECT_EQ(run("command", bad),
              std::pair(std::string("<NAK>\n<NAK>\n<NAK>\n<NAK>\n<NAK>\n<NAK>\n^C<K>\"\\(\"(.{2,3}?)\"\\)\"(.*)<CR>[0]<CR><ACK>\n<NAK>\n"), 1));
    EXPECT_EQ(run("scan", {images[1]}), Ok("C(12)345\n"));

    // '|' in a call's argument chooses the argument text: group 2 is missing,
    // so the second text pads group 1 with '*'.
    EXPECT_EQ(run("command", {Memory(2, "^C(.*)", "$FILL{8,+0,0,[0,2]|8,+0,*,[0,1]}"), "save"}),
              Ok("<ACK>\n<ACK>\n"));
    EXPECT_EQ(run("scan", {images[1]}), Ok("**K12345\n"));
}

TEST_F(DataEditRoad, Gs1ConversionModesWithTheirSeparatorsSurviveARestart)
{
    std::string const gs1 = symbol("gs1.png", BARCODE_GS1_128, "[01]09501101530003[3103]001250[10]AB", GS1_MODE, 1.2);
    std::string const databar = symbol("databar.png", BARCODE_DBAR_EXP, "[01]09501101530003[3103]001250[10]AB", GS1_MODE, 1.5);
    std::string const lot = symbol("lot.png", BARCODE_GS1_128, "[10]AB12[17]250700[21]X", GS1_MODE, 1.5);
    std::string const plain = symbol("plain.png", BARCODE_CODE128, "PLAIN128");
    // Mode 2 with '+' between element strings; a plain Code 128 label is left alone.
    EXPECT_EQ(run("command", {"[X/2", "[X/X5L", "save"}), Ok("<ACK>\n<ACK>\n<ACK>\n"));
    EXPECT_EQ(run("scan", {gs1, databar, plain}),
              Ok("(01)09501101530003+(3103)001250+(10)AB\n(01)09501101530003+(3103)001250+(10)AB\nPLAIN128\n"));
    // Mode 3: decimal point, and day removal; the separator set by "X/X" stays.
    EXPECT_EQ(run("command", {"[X/3", "[X/F", "save"}), Ok("<ACK>\n<ACK>\n<ACK>\n"));
    EXPECT_EQ(run("scan", {gs1, lot}), Ok("09501101530003+001.250+AB\nAB12+2507+X\n"));
    // Mode 1: AI 17 with header '[' and terminator ']' (255: no second one), AI 10 bare;
    // nothing around an AI the label lacks.
    EXPECT_EQ(run("command", {"[X/1177A[2557C[25510", "[X/D", "save"}), Ok("<ACK>\n<ACK>\n<ACK>\n"));
    EXPECT_EQ(run("scan", {gs1, lot}), Ok("AB\n[250700]AB12\n"));
    // Mode 4 (the setting GS1 conversion comes with) with FNC1 as CR.
    EXPECT_EQ(run("command", {"set gs1_conversion/enable:true", "[X/Y1M", "save"}), Ok("<ACK>\n<ACK>\n<ACK>\n"));
    EXPECT_EQ(run("scan", {lot}), Ok("]C110AB12<CR>1725070021X\n"));
    EXPECT_EQ(run("command", {"[X/Z"}),
              Ok("GS1 Convert Settings<CR>[Enable]<CR>  Code128             = 2<CR>  DataMatrix          = 0<CR>"
                 "  QR                  = 0<CR>[Settings]<CR>  CheckAI             = 0<CR>  RemoveDay)          = 0<CR>"
                 "  AimIdOutput         = 1<CR>  AiOutput            = 1<CR>  ParenthesesAI       = 0<CR>"
                 "  DecimalPoint        = 1<CR>  NoAIOutputSeparator = 0<CR><CR>[Separator]<CR>"
                 "  Data Separator           = FFFF<CR>  Element String Separator = 2BFF<CR>"
                 "  Field Separator          = 0DFF<CR><CR>[Extra AI Field]<CR>  No _AI_ Head. Term.<CR>"
                 "   0 17FF 5BFF 5DFF<CR>   1 10FF FFFF FFFF<CR>END<CR><ACK>\n"));
}

} // namespace
