// Code 39 (with its full-ASCII and pharmacode forms), Code 93 and Code 11 from
// rendered zint symbols through the fixed band of DEC2D_Main: each case sets
// the symbology's options and expects one label, or none for malformed print.

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "decoder/linear/bar_symbol_decoder_set.h"
#include "decoder/linear/code39_code93_code11/code39_table.h"
#include "decoder/linear/code39_code93_code11/code93_decoder.h"
#include "tests/decoder/linear/frame_fixture.h"
#include "tests/decoder/linear/linear_read_fixture.h"
#include "tests/support/symbol_renderer.h"

namespace code39_family_test {
namespace {

namespace cfg = ivra_configuration;
using Settings = cfg::configuration::Handle;
using FullASCII = cfg::configuration::code::code39::enable_full_ascii::Enum;
using Pharmacode = cfg::configuration::code::code39::enable_italian_pharmaceutical::Enum;
using Code11Check = cfg::configuration::code::code11::check_check_digit::Enum;

// Paints the frame light over a band of the symbol (as a fraction of its
// width from the left edge), or dark a bar at a distance before it.
void Paint(support::Rendering& r, double from, double to, int grey)
{
    support::Quad const& q = r.symbol.corners;
    double const left = q[0].x;
    double const width = q[1].x - q[0].x;
    int const x0 = static_cast<int>(left + from * width);
    int const x1 = static_cast<int>(left + to * width);
    for (int y = static_cast<int>(q[0].y); y <= static_cast<int>(q[3].y); ++y) {
        for (int x = x0; x < x1; ++x) {
            if (x >= 0 && x < r.frame.width && y >= 0 && y < r.frame.height) {
                r.frame.pixels[static_cast<size_t>(y) * r.frame.width + x] = static_cast<std::uint16_t>(grey);
            }
        }
    }
}

struct Case {
    char const* name;
    support::SymbolInput input;
    std::function<void(Settings&)> set;
    std::optional<std::string> data;  // nullopt: no label
    char const* aim = "";
    tagSymbology symbology = SYMBOLOGY_NONE;
    double angle = 0.0;
    bool inverted = false;
    std::function<void(support::Rendering&)> spoil = nullptr;
    double moduleSize = 2.5;
};

void PrintTo(Case const& c, std::ostream* os) { *os << c.name; }

class Code39FamilyReadTest : public ::testing::TestWithParam<Case> {
protected:
    frame_test::LinearFrameHarness harness;
};

TEST_P(Code39FamilyReadTest, ReadsAsSet)
{
    Case const& c = GetParam();
    ASSERT_TRUE(harness.IsReady());
    harness.ClearLengthLimits();
    harness.SetPolarity(2);
    harness.Settings().read.code93.Set(true);
    harness.Settings().read.code11.Set(true);
    if (c.set) {
        c.set(harness.Settings());
    }
    support::Rendering r =
        support::render(c.input, {.moduleSize = c.moduleSize, .angle = c.angle, .inverted = c.inverted});
    ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
    if (c.spoil) {
        c.spoil(r);
    }
    std::vector<frame_test::Read> const reads = harness.ReadFixedBand(r.frame);
    if (!c.data) {
        for (frame_test::Read const& read : reads) {
            ADD_FAILURE() << "unexpected label " << read.data << " (" << read.aim << ")";
        }
        return;
    }
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(reads[0].data, *c.data);
    EXPECT_EQ(reads[0].aim, c.aim);
    EXPECT_EQ(reads[0].symbology, c.symbology);
}

auto const kCheckOn = [](Settings& s) { s.code.code39.check_check_digit.Set(true); };
auto const kCheckOnSent = [](Settings& s) {
    s.code.code39.check_check_digit.Set(true);
    s.code.code39.transmit_check_digit.Set(true);
};
auto const kCheckOnStripped = [](Settings& s) {
    s.code.code39.check_check_digit.Set(true);
    s.code.code39.transmit_check_digit.Set(false);
};

// zint's Code 39 "CODE39" with the modulo-43 character: "CODE39" + "W".
support::SymbolInput const kCode39Checked{.symbology = BARCODE_CODE39, .data = "CODE39", .option2 = 1};

INSTANTIATE_TEST_SUITE_P(
    Code39, Code39FamilyReadTest,
    ::testing::Values(
        Case{"Plain", {.symbology = BARCODE_CODE39, .data = "CODE39"}, nullptr, "CODE39", "]A0", SYMBOLOGY_CODE39},
        Case{"UpsideDown", {.symbology = BARCODE_CODE39, .data = "AB-12.3"}, nullptr, "AB-12.3", "]A0",
             SYMBOLOGY_CODE39, 180.0},
        Case{"LightOnDark", {.symbology = BARCODE_CODE39, .data = "CODE39"}, nullptr, "CODE39", "]A0",
             SYMBOLOGY_CODE39, 0.0, true},
        // Without verification the last character is data, not a check character.
        Case{"UnverifiedKeepsLast", kCode39Checked,
             [](Settings& s) { s.code.code39.transmit_check_digit.Set(false); }, "CODE39W", "]A0",
             SYMBOLOGY_CODE39},
        Case{"VerifiedAndSent", kCode39Checked, kCheckOnSent, "CODE39W", "]A1", SYMBOLOGY_CODE39},
        Case{"VerifiedAndStripped", kCode39Checked, kCheckOnStripped, "CODE39", "]A3", SYMBOLOGY_CODE39},
        Case{"WrongCheckCharacter", {.symbology = BARCODE_CODE39, .data = "CODE39X"}, kCheckOn, std::nullopt},
        Case{"StartStopSent", {.symbology = BARCODE_CODE39, .data = "AB"},
             [](Settings& s) { s.code.code39.transmit_start_stop.Set(true); }, "*AB*", "]A0", SYMBOLOGY_CODE39},
        Case{"FullASCII", {.symbology = BARCODE_EXCODE39, .data = std::string("ab\x01~", 4)},
             [](Settings& s) { s.code.code39.enable_full_ascii.Set(FullASCII::ENABLE); },
             std::string("ab\x01~", 4), "]A4", SYMBOLOGY_CODE39},
        Case{"FullASCIIOffGivesShifts", {.symbology = BARCODE_EXCODE39, .data = "ab"}, nullptr, "+A+B", "]A0",
             SYMBOLOGY_CODE39},
        Case{"FullASCIIOnlyRefusesPlainShift", {.symbology = BARCODE_CODE39, .data = "+1"},
             [](Settings& s) { s.code.code39.enable_full_ascii.Set(FullASCII::ENABLE); }, std::nullopt},
        Case{"FullASCIIIfPossibleFallsBack", {.symbology = BARCODE_CODE39, .data = "+1"},
             [](Settings& s) { s.code.code39.enable_full_ascii.Set(FullASCII::IF_POSSIBLE); }, "+1", "]A0",
             SYMBOLOGY_CODE39},
        Case{"Pharmacode", {.symbology = BARCODE_CODE32, .data = "01234567"},
             [](Settings& s) {
                 s.code.code39.enable_italian_pharmaceutical.Set(Pharmacode::ENABLE);
                 s.code.code39.transmit_a_for_italian_pharmaceutical.Set(true);
             },
             "A012345676", "]X0", SYMBOLOGY_CODE39},
        Case{"PharmacodeIfPossibleOnPlainCode39", {.symbology = BARCODE_CODE39, .data = "0E1234"},
             [](Settings& s) { s.code.code39.enable_italian_pharmaceutical.Set(Pharmacode::IF_POSSIBLE); },
             "0E1234", "]A0", SYMBOLOGY_CODE39},
        Case{"Truncated", {.symbology = BARCODE_CODE39, .data = "CODE39CODE39"}, nullptr, std::nullopt, "",
             SYMBOLOGY_NONE, 0.0, false, [](support::Rendering& r) { Paint(r, 0.7, 1.2, 900); }},
        Case{"NoQuietZone", {.symbology = BARCODE_CODE39, .data = "CODE39"}, nullptr, std::nullopt, "",
             SYMBOLOGY_NONE, 0.0, false, [](support::Rendering& r) { Paint(r, -0.08, -0.05, 100); }},
        // Characters a few narrow elements apart read; far apart they are
        // runs of something else, not one short symbol.
        Case{"GapOfThreeModules", {.symbology = BARCODE_CODE39, .data = "B"}, nullptr, "B", "]A0",
             SYMBOLOGY_CODE39, 0.0, false, [](support::Rendering& r) { linear_read_test::WidenGap(r, 12.0, 2.5, 3.0); }},
        Case{"GapOfNineModules", {.symbology = BARCODE_CODE39, .data = "B"}, nullptr, std::nullopt, "",
             SYMBOLOGY_NONE, 0.0, false, [](support::Rendering& r) { linear_read_test::WidenGap(r, 12.0, 2.5, 9.0); }},
        // 2:1 at 1.3 pixels per module, square to the pixels: the edges fall
        // on whole pixels and narrow runs measure as wide as wide ones.
        Case{"PixelAndAThirdPerModule", {.symbology = BARCODE_CODE39, .data = "C39-TEST"}, nullptr, "C39-TEST",
             "]A0", SYMBOLOGY_CODE39, 0.0, false, nullptr, 1.3},
        Case{"PixelAndAThirdPerModuleUpsideDown", {.symbology = BARCODE_CODE39, .data = "C39-TEST"}, nullptr,
             "C39-TEST", "]A0", SYMBOLOGY_CODE39, 180.0, false, nullptr, 1.3},
        Case{"Off", {.symbology = BARCODE_CODE39, .data = "CODE39"},
             [](Settings& s) { s.read.code39.Set(false); }, std::nullopt}),
    [](auto const& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Code93, Code39FamilyReadTest,
    ::testing::Values(
        Case{"Plain", {.symbology = BARCODE_CODE93, .data = "CODE 93 TEST"}, nullptr, "CODE 93 TEST", "]G0",
             SYMBOLOGY_CODE93},
        Case{"UpsideDown", {.symbology = BARCODE_CODE93, .data = "CODE 93"}, nullptr, "CODE 93", "]G0",
             SYMBOLOGY_CODE93, 180.0},
        Case{"LightOnDark", {.symbology = BARCODE_CODE93, .data = "X-1"}, nullptr, "X-1", "]G0", SYMBOLOGY_CODE93,
             0.0, true},
        Case{"ShortestSymbol", {.symbology = BARCODE_CODE93, .data = "7"}, nullptr, "7", "]G0", SYMBOLOGY_CODE93},
        Case{"FullASCII", {.symbology = BARCODE_CODE93, .data = std::string("a\0b\x7f", 4)}, nullptr,
             std::string("a\0b\x7f", 4), "]G0", SYMBOLOGY_CODE93},
        Case{"Truncated", {.symbology = BARCODE_CODE93, .data = "CODE 93 TEST"}, nullptr, std::nullopt, "",
             SYMBOLOGY_NONE, 0.0, false, [](support::Rendering& r) { Paint(r, 0.75, 1.2, 900); }},
        Case{"NoQuietZone", {.symbology = BARCODE_CODE93, .data = "CODE 93"}, nullptr, std::nullopt, "",
             SYMBOLOGY_NONE, 0.0, false, [](support::Rendering& r) { Paint(r, 1.04, 1.07, 100); }}),
    [](auto const& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Code11, Code39FamilyReadTest,
    ::testing::Values(
        // zint: option 2 = 1 one check digit, 2 none, 0 two.
        Case{"OneDigitStripped", {.symbology = BARCODE_CODE11, .data = "123-45", .option2 = 1}, nullptr, "123-45",
             "]H3", SYMBOLOGY_CODE11},
        Case{"OneDigitSent", {.symbology = BARCODE_CODE11, .data = "123-45", .option2 = 1},
             [](Settings& s) { s.code.code11.transmit_check_digit.Set(true); }, "123-455", "]H0", SYMBOLOGY_CODE11},
        Case{"TwoDigits", {.symbology = BARCODE_CODE11, .data = "0123456789"},
             [](Settings& s) { s.code.code11.check_check_digit.Set(Code11Check::CHECK_2CD); }, "0123456789",
             "]H3", SYMBOLOGY_CODE11},
        Case{"AutomaticElevenDigitsTakesTwo", {.symbology = BARCODE_CODE11, .data = "01234567890"},
             [](Settings& s) { s.code.code11.check_check_digit.Set(Code11Check::CHECK_AUTO); }, "01234567890",
             "]H3", SYMBOLOGY_CODE11},
        Case{"NoCheck", {.symbology = BARCODE_CODE11, .data = "421", .option2 = 2},
             [](Settings& s) { s.code.code11.check_check_digit.Set(Code11Check::NOT_CHECK); }, "421", "]X0",
             SYMBOLOGY_CODE11},
        Case{"UpsideDown", {.symbology = BARCODE_CODE11, .data = "6-66", .option2 = 1}, nullptr, "6-66", "]H3",
             SYMBOLOGY_CODE11, 180.0},
        Case{"PixelAndAThirdPerModule", {.symbology = BARCODE_CODE11, .data = "123-4567", .option2 = 1}, nullptr,
             "123-4567", "]H3", SYMBOLOGY_CODE11, 0.0, false, nullptr, 1.3},
        Case{"PixelAndAThirdPerModuleUpsideDown", {.symbology = BARCODE_CODE11, .data = "123-4567", .option2 = 1},
             nullptr, "123-4567", "]H3", SYMBOLOGY_CODE11, 180.0, false, nullptr, 1.3},
        Case{"WrongCheckDigit", {.symbology = BARCODE_CODE11, .data = "123-450", .option2 = 2}, nullptr,
             std::nullopt},
        Case{"Truncated", {.symbology = BARCODE_CODE11, .data = "0123456789", .option2 = 1}, nullptr,
             std::nullopt, "", SYMBOLOGY_NONE, 0.0, false,
             [](support::Rendering& r) { Paint(r, 0.8, 1.2, 900); }}),
    [](auto const& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace code39_family_test

namespace code39_family_test {
namespace {

using DEC2DIvra::BarSymbol;
using DEC2DIvra::BarSymbolDecoderSet;
using DEC2DIvra::Code39Table;

// The start and stop characters zint cannot print: Tri-Optic ("$") and menu
// labels (space), read from characters as a line would give them.
TEST(Code39Forms, TriOpticAndMenuLabels)
{
    frame_test::LinearFrameHarness harness;
    ASSERT_TRUE(harness.IsReady());
    harness.Settings().read.code39.Set(false);
    harness.Settings().read.trioptic.Set(true);
    DEC2DIvra::BarSymbolDecoder const* decoder =
        harness.Frame().GetBarSymbolDecoderSet().GetTrialDecoder(BarSymbolDecoderSet::kCode39);
    ASSERT_NE(decoder, nullptr);
    struct Form {
        std::string characters;
        bool valid;
        std::string data;
        tagSymbology symbology;
    };
    Form const forms[] = {
        {" ZZ ", true, " ZZ ", SYMBOLOGY_MENU},   // whatever read/code39 says
        {"  ", false, "", SYMBOLOGY_NONE},        // nothing between start and stop
        {" B ", false, "", SYMBOLOGY_NONE},       // no menu label is this short
        {"$ABC123$", true, "123ABC", SYMBOLOGY_TRIOPTIC},
        {"$ABC12$", false, "", SYMBOLOGY_NONE},   // Tri-Optic has six characters
        {"*AB*", false, "", SYMBOLOGY_NONE},      // Code 39 is off
    };
    for (Form const& form : forms) {
        std::vector<BarSymbol> storage;
        for (char c : form.characters) {
            unsigned key = 0;
            while (key < 512 && Code39Table::GetCharacter(key) != c) {
                ++key;
            }
            BarSymbol symbol;
            symbol.value = static_cast<int>(key);
            storage.push_back(symbol);
        }
        DEC2DIvra::StackInterface<BarSymbol> symbols(storage.data(), static_cast<unsigned>(storage.size()));
        symbols.SetCount(static_cast<unsigned>(storage.size()));
        DEC2DIvra::DecodedLabel& label = harness.Handle().GetLabel();
        bool const read = decoder->CheckCheckDigit(symbols, false) && decoder->Start(symbols, false, label);
        EXPECT_EQ(read, form.valid) << form.characters;
        if (read) {
            EXPECT_EQ(std::string(label.data.GetFirst(), label.data.GetCount()), form.data);
            EXPECT_EQ(label.identifier.GetSymbology(), form.symbology);
        }
    }
}

}  // namespace
}  // namespace code39_family_test

namespace code39_family_test {
namespace {

// Code 93 check characters and shifts on characters as a line gives them:
// values 0-42 the characters, 43-46 the shifts ($) (%) (/) (+), 47 start/stop.
TEST(Code93Characters, ChecksAndShifts)
{
    frame_test::LinearFrameHarness harness;
    ASSERT_TRUE(harness.IsReady());
    harness.Settings().read.code93.Set(true);
    DEC2DIvra::BarSymbolDecoder const* decoder =
        harness.Frame().GetBarSymbolDecoderSet().GetTrialDecoder(BarSymbolDecoderSet::kCode93);
    ASSERT_NE(decoder, nullptr);
    std::string const alphabet = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";
    auto value = [&](char c) { return static_cast<unsigned>(alphabet.find(c)); };
    struct Symbol {
        char const* name;
        std::vector<unsigned> values;  // between start and stop
        bool checked;
        bool valid;
        std::string data;
    };
    // "TEST93" carries the check characters "+" and "6".
    std::vector<unsigned> test93;
    for (char c : std::string("TEST93+6")) {
        test93.push_back(value(c));
    }
    std::vector<unsigned> wrongK = test93;
    wrongK.back() = value('7');
    Symbol const symbols[] = {
        {"checked", test93, true, true, "TEST93"},
        {"wrong K", wrongK, true, false, ""},
        {"unchecked", wrongK, false, true, "TEST93"},
        {"(%)U is NUL", {44, value('U'), 0, 0}, false, true, std::string(1, '\0')},
        {"(+) before a digit", {46, value('1'), 0, 0}, false, false, ""},
        {"(/) last", {value('A'), 45, 0, 0}, false, false, ""},
    };
    for (Symbol const& s : symbols) {
        harness.Settings().code.code93.check_check_digit.Set(s.checked);
        std::vector<BarSymbol> storage;
        std::vector<unsigned> all = {47};
        all.insert(all.end(), s.values.begin(), s.values.end());
        all.push_back(47);
        for (unsigned v : all) {
            unsigned key = 0;
            while (key < 512 && DEC2DIvra::Code93Decoder::GetValue(key) != v) {
                ++key;
            }
            BarSymbol symbol;
            symbol.value = static_cast<int>(key);
            storage.push_back(symbol);
        }
        DEC2DIvra::StackInterface<BarSymbol> stack(storage.data(), static_cast<unsigned>(storage.size()));
        stack.SetCount(static_cast<unsigned>(storage.size()));
        DEC2DIvra::DecodedLabel& label = harness.Handle().GetLabel();
        bool const read = decoder->CheckCheckDigit(stack, false) && decoder->Start(stack, false, label);
        EXPECT_EQ(read, s.valid) << s.name;
        if (read) {
            EXPECT_EQ(std::string(label.data.GetFirst(), label.data.GetCount()), s.data) << s.name;
        }
    }
}

}  // namespace
}  // namespace code39_family_test
