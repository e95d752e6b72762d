// Keyboard output of labels in every code page the formatter knows, by the
// character-conversion setting and by ECI escape, checked against iconv on
// the same bytes.

#include <string>
#include <vector>

#include "decoder/core/identifiers/code128_identifier.h"
#include "decoder/core/identifiers/qr_identifiers.h"
#include "format/to_iconv_name.h"
#include "tests/format/formatter_test_fixture.h"
#include "tests/format/iconv_oracle.h"

namespace formatter_test {
namespace {

using ivra::ToIconvName;

// Characters from many scripts; each code page gets those it has.
const std::vector<std::uint32_t> kCandidates = {
    'A',    'z',    '0',    '9',    ' ',    0xE9,   0xC7,   0x20AC, 0x160,  0x410,  0x391,   0x5D0,
    0x627,  0x104,  0x11E,  0xE01,  0x102,  0x3042, 0x4E2D, 0xAC00, 0x4E00, 0x2591, 0x1E02, 0x1F600,
};

// The candidates' bytes in `charset`, one character after another.
std::vector<unsigned char> SampleText(const std::string& charset)
{
    std::vector<unsigned char> bytes;
    for (std::uint32_t c : kCandidates) {
        if (const auto encoded = iconv_oracle::Encode(charset, c))
            bytes.insert(bytes.end(), encoded->begin(), encoded->end());
    }
    return bytes;
}

TEST_F(FormatterTest, EveryCharacterConversionCodePageTypesWhatIconvReads)
{
    host.interface = FormatterOutlets::kUsbKeyboard;
    for (const auto& [value, name] : ToIconvName::ccl_to_name_) {
        SCOPED_TRACE(name);
        Set("character_conversion/ccl_source:" + std::to_string(value));
        const std::vector<unsigned char> bytes = SampleText(name);
        ASSERT_GT(bytes.size(), 5u);
        const auto expected = iconv_oracle::Decode(name, bytes);
        ASSERT_TRUE(expected.has_value());
        host.Clear();
        ASSERT_EQ(Read(DEC2DIvra::Code128Identifier(0), std::string(bytes.begin(), bytes.end())), 1);
        EXPECT_EQ(host.pushed, (Units{CodePoints(*expected), GoodRead()}));
    }
}

TEST_F(FormatterTest, EveryEciEscapeTypesWhatIconvReads)
{
    host.interface = FormatterOutlets::kUsbKeyboard;
    // The setting's own code page must not be what converts the text.
    Set("character_conversion/ccl_source:\"CP_WIN1251\"");
    for (const auto& [escape, name] : ToIconvName::eci_to_name_) {
        SCOPED_TRACE(escape + " " + name);
        const std::vector<unsigned char> bytes = SampleText(name);
        ASSERT_GT(bytes.size(), 4u);
        const auto expected = iconv_oracle::Decode(name, bytes);
        ASSERT_TRUE(expected.has_value());
        const std::string label = "x" + escape + std::string(bytes.begin(), bytes.end());
        host.Clear();
        ASSERT_EQ(Read(DEC2DIvra::QRIdentifier(1), label), 1);
        ASSERT_EQ(formatter.EciList().size(), 1u);
        EXPECT_EQ(formatter.EciList()[0], (std::pair<unsigned, std::string>{1, escape}));
        EXPECT_EQ(host.pushed, (Units{Typed("x"), CodePoints(*expected), GoodRead()}));
    }
}

TEST_F(FormatterTest, CommandRepliesFollowTheInterfaceAndTheCodePage)
{
    const unsigned char text[] = {'O', 'K', 0xC0};
    Units out;
    ASSERT_TRUE(Formatter::BuildOutputBufferBasedOnInterface(text, 3, out, FormatterOutlets::kUart));
    EXPECT_EQ(out, (Units{Bytes("OK\xC0")}));

    Set("character_conversion/ccl_source:\"CP_WIN1251\"");
    out = {Bytes("\xC1")};
    ASSERT_TRUE(Formatter::BuildOutputBufferBasedOnInterface(text, 3, out, FormatterOutlets::kUsbKeyboard));
    EXPECT_EQ(out, (Units{CodePoints({0x411}), CodePoints({'O', 'K', 0x410})}));

    out.clear();
    EXPECT_FALSE(Formatter::BuildOutputBufferBasedOnInterface(text, 0, out, FormatterOutlets::kUsbKeyboard));
    EXPECT_FALSE(Formatter::BuildOutputBufferBasedOnInterface(text, -1, out, FormatterOutlets::kUart));
    EXPECT_FALSE(Formatter::BuildOutputBufferBasedOnInterface(nullptr, 3, out, FormatterOutlets::kUart));
    EXPECT_TRUE(out.empty());
}

TEST_F(FormatterTest, TextTheKeyboardCannotTypeIsRefusedWithoutAGoodReadSignal)
{
    struct Case {
        const char* what;
        std::string label;
    };
    const Case cases[] = {
        {"a UTF-8 sequence cut short at the end", "\\000026ab\xE6\x97"},
        {"UTF-16BE ending in half a unit", std::string("\\000025\x00\x41\x00", 10)},
        {"a Shift JIS lead byte at the end", "\\000020ab\x82"},
        {"nothing the code page has", "\\000026\xFF\xFE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host.interface = FormatterOutlets::kUsbKeyboard;
        host.Clear();
        EXPECT_EQ(Read(DEC2DIvra::QRIdentifier(1), c.label), Formatter::kFormatRefused);
        EXPECT_TRUE(host.pushed.empty());
        EXPECT_TRUE(host.leds.empty());
        EXPECT_TRUE(host.beeps.empty());

        // A serial host takes the same bytes as they are.
        host.interface = FormatterOutlets::kUsbSerial;
        host.Clear();
        EXPECT_EQ(Read(DEC2DIvra::QRIdentifier(1), c.label), 1);
        EXPECT_EQ(host.pushed, (Units{Eci(c.label.substr(0, 7)), Bytes(c.label.substr(7)), GoodRead()}));
    }
}

} // namespace
} // namespace formatter_test
