// Decoded labels of several symbologies through the whole road to the exact
// units each host interface receives.

#include <string>
#include <vector>

#include "decoder/core/identifiers/codabar_identifier.h"
#include "decoder/core/identifiers/code128_identifier.h"
#include "decoder/core/identifiers/code39_identifiers.h"
#include "decoder/core/identifiers/qr_identifiers.h"
#include "decoder/core/identifiers/upc_ean_identifiers.h"
#include "tests/format/formatter_test_fixture.h"

namespace formatter_test {
namespace {

using DEC2DIvra::CodabarIdentifier;
using DEC2DIvra::Code128Identifier;
using DEC2DIvra::Code39Identifier;
using DEC2DIvra::CommonSymbologyIdentifier;
using DEC2DIvra::Ean13Identifier;
using DEC2DIvra::QRIdentifier;

constexpr unsigned char kUart = FormatterOutlets::kUart;
constexpr unsigned char kSerial = FormatterOutlets::kUsbSerial;
constexpr unsigned char kKeyboard = FormatterOutlets::kUsbKeyboard;

const std::string kGs1Data = "010950110153000310AB-123\x1d"
                             "17250700";
const std::string kUtf8Nihon = "\xE6\x97\xA5\xE6\x9C\xAC"; // U+65E5 U+672C
const std::string kEciLabel = "AB\\000026" + kUtf8Nihon;

std::vector<unsigned int> CodePointsOf(const std::string& text)
{
    return std::vector<unsigned int>(text.begin(), text.end());
}

struct RoadCase {
    const char* name;
    CommonSymbologyIdentifier identifier;
    std::string data;
    std::vector<std::string> settings; // "set" commands, path:value
    unsigned char interface;
    Units expected;
};

const std::vector<RoadCase> kRoadCases = {
    {"Gs1_128KeepsItsGroupSeparatorOnTheUart", CommonSymbologyIdentifier(Code128Identifier(1)), kGs1Data, {}, kUart,
     {Bytes(kGs1Data), GoodRead()}},
    {"Gs1_128WithItsOwnPrefixSuffixAndLowerCaseOnUsbSerial",
     CommonSymbologyIdentifier(Code128Identifier(1)),
     kGs1Data,
     {"string/gs1_128/prefix:\"<\"", "string/gs1_128/suffix:\"\\r\"", "string/code128/prefix:\"?\"",
      "string/case_conversion:\"CONVERT_TO_LOWER_CASE\""},
     kSerial,
     {Bytes("<"), Bytes("010950110153000310ab-123\x1d"
                        "17250700"),
      Bytes("\r"), GoodRead()}},
    {"Gs1_128TypedOnTheKeyboard", CommonSymbologyIdentifier(Code128Identifier(1)), kGs1Data, {}, kKeyboard,
     {CodePoints(CodePointsOf(kGs1Data)), GoodRead()}},
    {"Code128WithoutFnc1UsesTheCode128Group",
     CommonSymbologyIdentifier(Code128Identifier(0)),
     "ABC",
     {"string/gs1_128/prefix:\"<\"", "string/code128/prefix:\"?\""},
     kUart,
     {Bytes("?"), Bytes("ABC"), GoodRead()}},
    {"Ean13AddOnWithAimIdentifierAndLengthsOnTheKeyboard",
     CommonSymbologyIdentifier(Ean13Identifier(1u << 8)),
     "490123456789412",
     {"string/ean13/prefix:\"X\"", "string/ean13_addon/prefix:\"\\u00ad\"", "string/ean13_addon/suffix:\"\\u00ae\"",
      "string/common_prefix:\"\\u00ab\"", "string/common_suffix:\"\\r\"", "indicator/timing:\"BEFORE\""},
     kKeyboard,
     {GoodRead(), Typed("000015"), Typed("]E3"), Typed("490123456789412"), Typed("15"), CodePoints({13})}},
    {"Ean13AddOnBytesOnTheUart",
     CommonSymbologyIdentifier(Ean13Identifier(1u << 9)),
     "490123456789412345",
     {"string/ean13_addon/prefix:\"\\u00ad\\u00af\"", "indicator/buzzer/good_read/enable:false"},
     kUart,
     {Bytes("]E3"), Bytes("F"), Bytes("490123456789412345")}},
    {"QrEciEscapeSelectsTheCodePageOnTheKeyboard", CommonSymbologyIdentifier(QRIdentifier(1)), kEciLabel, {},
     kKeyboard, {Typed("AB"), CodePoints({0x65E5, 0x672C}), GoodRead()}},
    {"QrEciEscapeStaysInUartOutputAndCountsSevenBytes",
     CommonSymbologyIdentifier(QRIdentifier(1)),
     kEciLabel,
     {"string/qr_code/suffix:\"\\u00ae\\u00ab\""},
     kUart,
     {Bytes("AB"), Eci("\\000026"), Bytes(kUtf8Nihon), Bytes("000015"), Bytes("000015"), GoodRead()}},
    {"QrEciEscapeLeftOutOnUsbSerialWhenIgnored",
     CommonSymbologyIdentifier(QRIdentifier(1)),
     kEciLabel,
     {"string/ignore_eci_protocol/enable:true"},
     kSerial,
     {Bytes("AB"), Bytes(kUtf8Nihon), GoodRead()}},
    {"QrShiftJisAfterEci20", CommonSymbologyIdentifier(QRIdentifier(1)), "\\000020\x82\xA0\x88\x9F", {}, kKeyboard,
     {CodePoints({0x3042, 0x4E9C}), GoodRead()}},
    {"QrGb18030AfterEci29", CommonSymbologyIdentifier(QRIdentifier(1)),
     std::string("\\000029\xD6\xD0\x81\x30\x81\x30", 13), {}, kKeyboard, {CodePoints({0x4E2D, 0x80}), GoodRead()}},
    {"QrTwoEscapesEachConvertTheirOwnRun", CommonSymbologyIdentifier(QRIdentifier(1)),
     "\\000003\xE9\\000026\xC3\xA9", {}, kKeyboard, {CodePoints({0xE9}), CodePoints({0xE9}), GoodRead()}},
    {"QrUnknownEscapeConvertsAsWindows1252", CommonSymbologyIdentifier(QRIdentifier(1)), "\\000014\x80", {},
     kKeyboard, {CodePoints({0x20AC}), GoodRead()}},
    {"QrWithoutEscapeUsesTheCharacterConversionSetting",
     CommonSymbologyIdentifier(QRIdentifier(0)),
     "\xC0\xC1",
     {"character_conversion/ccl_source:\"CP_WIN1251\""},
     kKeyboard,
     {CodePoints({0x410, 0x411}), GoodRead()}},
    {"Code39FullAsciiUpperCasedWithMakerCode",
     CommonSymbologyIdentifier(Code39Identifier(1u << 2)),
     "abc-123",
     {"string/code39/prefix:\"\\u00af\"", "string/case_conversion:\"CONVERT_TO_UPPER_CASE\""},
     kSerial,
     {Bytes("W"), Bytes("ABC-123"), GoodRead()}},
    {"Code39KeepsBackslashDigitsAsData", CommonSymbologyIdentifier(Code39Identifier(0)), "X\\000026Y", {}, kKeyboard,
     {Typed("X\\000026Y"), GoodRead()}},
    {"CodabarWithPrefixAndExchangedCase",
     CommonSymbologyIdentifier(CodabarIdentifier(0)),
     "a1234B",
     {"string/codabar/prefix:\"\\u00ad\"", "string/case_conversion:\"EXCHANGE_CASE\""},
     kUart,
     {Bytes("]F0"), Bytes("A1234b"), GoodRead()}},
    {"DirectKeyPrefixByteIsAKeyOnEveryInterface",
     CommonSymbologyIdentifier(Code39Identifier(0)),
     "1",
     {"string/common_prefix:\"\\u00b0\\u00e9\""},
     kUart,
     {CodePoints({0xE0B0}), Bytes("1"), GoodRead()}},
};

TEST_F(FormatterTest, LabelsGiveTheExactUnitsOfEachInterface)
{
    for (const RoadCase& c : kRoadCases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(ivra_configuration::SetDefault());
        for (const std::string& s : c.settings)
            Set(s);
        host.interface = c.interface;
        host.Clear();
        EXPECT_EQ(Read(c.identifier, c.data), 1);
        EXPECT_EQ(host.pushed, c.expected) << Describe(host.pushed);
        EXPECT_TRUE(host.beeps.empty());
    }
}

TEST_F(FormatterTest, GoodReadLedIsLitForTheConfiguredTimeAndBlinkingStopped)
{
    Set("indicator/led/good_read/time:250");
    ASSERT_EQ(Read(Code39Identifier(0), "A"), 1);
    const std::vector<std::pair<unsigned, unsigned>> expected = {{2, 250}, {4, 0}};
    EXPECT_EQ(host.leds, expected);
}

TEST_F(FormatterTest, GoodReadUnitFollowsTheTimingSetting)
{
    Set("string/common_prefix:\"P\"");
    Set("string/common_suffix:\"S\"");
    Set("indicator/timing:\"AFTER\"");
    ASSERT_EQ(Read(Code39Identifier(0), "1"), 1);
    EXPECT_EQ(host.pushed, (Units{Bytes("P"), Bytes("1"), Bytes("S"), GoodRead()}));
    host.Clear();
    Set("indicator/timing:\"BEFORE\"");
    ASSERT_EQ(Read(Code39Identifier(0), "1"), 1);
    EXPECT_EQ(host.pushed, (Units{GoodRead(), Bytes("P"), Bytes("1"), Bytes("S")}));
}

TEST_F(FormatterTest, LengthCodeCountsSixDigitsOnTwoDimensionalCodesAndTwoOnLinear)
{
    Set("string/common_suffix:\"\\u00ae\"");
    ASSERT_EQ(Read(QRIdentifier(0), "123456789012"), 1);
    EXPECT_EQ(host.pushed.at(1), Bytes("000012"));
    host.Clear();
    ASSERT_EQ(Read(Code128Identifier(0), "123456789012"), 1);
    EXPECT_EQ(host.pushed.at(1), Bytes("12"));
}

// The store's text commands reach the keyboard path through the same setting
// the formatter reads, so a change takes effect on the next label.
TEST_F(FormatterTest, SettingChangesApplyFromTheNextLabel)
{
    host.interface = kKeyboard;
    ASSERT_EQ(Read(QRIdentifier(0), "\x80"), 1);
    EXPECT_EQ(host.pushed.at(0), CodePoints({0x20AC}));
    host.Clear();
    Set("character_conversion/ccl_source:\"CP_UTF8\"");
    ASSERT_EQ(Read(QRIdentifier(0), "\xE2\x82\xAC"), 1);
    EXPECT_EQ(host.pushed.at(0), CodePoints({0x20AC}));
}

} // namespace
} // namespace formatter_test
