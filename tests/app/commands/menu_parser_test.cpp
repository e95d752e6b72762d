// The menu-code parsers on label texts as the decoders report them.
#include "app/commands/menu_code2d.h"
#include "app/commands/menu_code39.h"
#include "decoder/core/identifiers/code39_identifiers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr char kEsc = 0x1B;

struct Case {
    char const* name;
    tagSymbology symbology;
    std::string text;
    int result;
    std::string bytes; // what the parsers leave for the pipe; ignored for result 0
};

void PrintTo(Case const& c, std::ostream* os) { *os << c.name; }

std::string const kHeader = "@MENU_IVRA@ZZ@";
std::string const kTrailer = "@ZZ@ARVI_UNEM@";
std::string Framed(std::string const& inner) { return kHeader + inner + kTrailer; }
std::string Line(std::string const& command) { return kEsc + command + '\r'; }
// A Code 39 whole-command label of `length` characters, framing spaces included: it gives
// as many bytes for the pipe.
std::string WholeCommand(std::size_t length) { return " +-" + std::string(length - 6, 'A') + "-+ "; }

class MenuParserTest : public ::testing::TestWithParam<Case> {};

TEST_P(MenuParserTest, GivesTheResultAndTheCommandBytes)
{
    Case const& c = GetParam();
    // Both parsers in the order the read cycle asks them, as ParseAll does.
    MenuCode39 code39;
    MenuCode2D code2D;
    std::vector<char> out;
    int result = code39.Parse(c.text.data(), static_cast<unsigned>(c.text.size()), c.symbology, 0, out);
    if (result == kMenuOrdinaryLabel) {
        out.clear();
        result = code2D.Parse(c.text.data(), static_cast<unsigned>(c.text.size()), c.symbology, 0, out);
    }
    EXPECT_EQ(result, c.result);
    if (result != kMenuOrdinaryLabel) {
        EXPECT_EQ(std::string(out.begin(), out.end()), c.bytes);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Forms, MenuParserTest,
    ::testing::Values(
        Case{"Toggle", SYMBOLOGY_MENU, " ZZ ", kMenuToggle, ""},
        Case{"TwoCharacters", SYMBOLOGY_MENU, " Z1 ", kMenuFragment, "Z1"},
        Case{"ThreeCharacters", SYMBOLOGY_MENU, " BAW ", kMenuFragment, "[BAW"},
        Case{"FourCharacters", SYMBOLOGY_MENU, " ABCD ", kMenuFragment, "]ABCD"},
        Case{"SevenCarriesNothing", SYMBOLOGY_MENU, " ABCDE ", kMenuFragment, ""},
        Case{"ShortAddress", SYMBOLOGY_MENU, " 12AB3F ", kMenuAddressCommand,
             Line("]BDASQ0Q20AQ00CQ0Q1Q20A0BQ30F]BDAE")},
        Case{"WholeAddress", SYMBOLOGY_MENU, " 0123456789AB ", kMenuAddressCommand,
             Line("]BDASQ0Q1Q2Q3Q4Q5Q6Q7Q8Q90A0B]BDAE")},
        Case{"WholeCommand", SYMBOLOGY_MENU, " +-Z1[BAW-+ ", kMenuWholeCommand, Line("+-Z1[BAW-+")},
        Case{"WholeCommandAtTheLimit", SYMBOLOGY_MENU, WholeCommand(kMaxMenuCommandBytes), kMenuWholeCommand,
             Line(WholeCommand(kMaxMenuCommandBytes).substr(1, kMaxMenuCommandBytes - 2))},
        // Broken menu labels are refused, never handed on as data.
        Case{"AddressWithG", SYMBOLOGY_MENU, " 12345G ", kMenuRefusedLabel, ""},
        Case{"CommandWithoutMarks", SYMBOLOGY_MENU, " +-Z1[BAW-- ", kMenuRefusedLabel, ""},
        Case{"TooShort", SYMBOLOGY_MENU, " A ", kMenuRefusedLabel, ""},
        Case{"WholeCommandOverlong", SYMBOLOGY_MENU, WholeCommand(kMaxMenuCommandBytes + 1), kMenuRefusedLabel, ""},
        Case{"Code39IsNoMenuLabel", SYMBOLOGY_CODE39, " ZZ ", kMenuOrdinaryLabel, ""},
        // 2D menu labels, whatever carries them.
        Case{"TwoD", SYMBOLOGY_CODE128, Framed("Z1@D34"), kMenu2DCommand, Line("Z1[D34")},
        Case{"TwoDParameterKeptWhole", SYMBOLOGY_CODE128, Framed("EFY 'A@B' SU@X"), kMenu2DCommand,
             Line("[EFY{'A@B'SUX")},
        Case{"TwoDQuotedToken", SYMBOLOGY_CODE128, Framed("\"set read/upc_a:false\""), kMenu2DCommand,
             Line("set read/upc_a:false")},
        Case{"TwoDEscapedQuote", SYMBOLOGY_CODE128, Framed("\"A\\\"B C\" D"), kMenu2DCommand, Line("{A\"B CD")},
        Case{"TwoDUnbalancedQuote", SYMBOLOGY_CODE128, Framed("\"ABCDEFGH IJ"), kMenu2DCommand,
             Line("ABCDEFGH IJ")},
        Case{"TwoDTooShort", SYMBOLOGY_CODE128, kHeader + kTrailer, kMenuOrdinaryLabel, ""},
        Case{"TwoDWithoutTrailer", SYMBOLOGY_CODE128, kHeader + "Z1@D34@ZZ@", kMenuOrdinaryLabel, ""},
        Case{"TwoDControlByte", SYMBOLOGY_CODE128, Framed("Z1\r\x1bZ2"), kMenuRefusedLabel, ""},
        Case{"TwoDByteAbove127", SYMBOLOGY_CODE128, Framed("EFY '\xC3\xA9XYZ'"), kMenuRefusedLabel, ""},
        Case{"TwoDOverlong", SYMBOLOGY_CODE128, Framed(std::string(1100, 'A')), kMenuRefusedLabel, ""}),
    [](auto const& info) { return std::string(info.param.name); });

TEST(MenuParserAll, AsksTheRegisteredParsersOfALabel)
{
    DEC2DIvra::MenuCodeIdentifier const identifier;
    std::string const toggle = " ZZ ";
    std::vector<char> out{'x'};
    tagDecodedLabel label{&identifier, toggle.data(), static_cast<unsigned>(toggle.size()), 0, nullptr, nullptr,
                          nullptr, 0};
    EXPECT_EQ(MenuParser::ParseAll(&label, out), kMenuToggle);
    EXPECT_TRUE(out.empty());
    label.length = 0;
    EXPECT_EQ(MenuParser::ParseAll(&label, out), kMenuOrdinaryLabel);
    EXPECT_EQ(MenuParser::ParseAll(nullptr, out), kMenuOrdinaryLabel);
}

} // namespace
