// Faults a straightforward formatter would have: the decoder's own label
// edited, identity carried over from the previous label, silent losses
// reported as output, and ASCII prefixes lost on the keyboard.

#include <string>
#include <vector>

#include "decoder/core/identifiers/code128_identifier.h"
#include "decoder/core/identifiers/code39_identifiers.h"
#include "decoder/core/identifiers/qr_identifiers.h"
#include "tests/format/formatter_test_fixture.h"

namespace formatter_test {
namespace {

using DEC2DIvra::Code128Identifier;
using DEC2DIvra::Code39Identifier;
using DEC2DIvra::CommonSymbologyIdentifier;
using DEC2DIvra::MenuCodeIdentifier;
using DEC2DIvra::QRIdentifier;

TEST_F(FormatterTest, Gs1LabelOnTheDefaultPathKeepsGsAndFsAndTheDecoderBufferIsUntouched)
{
    const std::string original = "0112345678901231\x1d"
                                 "10A\x1c"
                                 "B";
    std::string decoderBuffer = original;
    const CommonSymbologyIdentifier gs1(Code128Identifier(1));
    ASSERT_TRUE(formatter.SetDecodeResult(&gs1, decoderBuffer.data(), static_cast<unsigned>(decoderBuffer.size()),
                                          nullptr, nullptr, 0));
    ASSERT_EQ(formatter.FormatData(), 1);
    EXPECT_EQ(decoderBuffer, original);
    ASSERT_FALSE(host.pushed.empty());
    EXPECT_EQ(host.pushed[0], Bytes(original));
}

TEST_F(FormatterTest, UnknownSymbologyIsRefusedAndTakesNothingFromThePreviousLabel)
{
    Set("string/code128/prefix:\"?\"");
    ASSERT_EQ(Read(Code128Identifier(0), "A"), 1);
    for (unsigned number : {0u, 58u, 60u, 255u}) {
        SCOPED_TRACE(number);
        host.Clear();
        const CommonSymbologyIdentifier unknown(static_cast<tagSymbology>(number));
        EXPECT_EQ(Read(unknown, "B"), Formatter::kFormatRefused);
        EXPECT_TRUE(host.pushed.empty());
        EXPECT_TRUE(host.leds.empty());
        EXPECT_EQ(formatter.Record().symbologyIdentifier, FormatterDecodeData::kNoIdentifier);
        EXPECT_EQ(formatter.Record().ivraIdentifier, 0);
        EXPECT_STREQ(formatter.Record().aimIdentifier, "]X0");
    }
}

TEST_F(FormatterTest, MenuSymbologyLabelGetsNoPrefixOfThePreviousLabel)
{
    Set("string/code128/prefix:\"?\"");
    Set("string/common_suffix:\"\\u00ad\"");
    ASSERT_EQ(Read(Code128Identifier(0), "A"), 1);
    host.Clear();
    ASSERT_EQ(Read(MenuCodeIdentifier(0), "NOTAMENU"), 1);
    EXPECT_EQ(host.pushed, (Units{Bytes("NOTAMENU"), Bytes("]X0"), GoodRead()}));
}

TEST_F(FormatterTest, LabelWhoseOutputComesOutEmptyIsReportedAsNotSentAndATooLongOneAsRefused)
{
    // Too long for the default path's cells, up to the longest label the buffer takes.
    for (unsigned length : {Formatter::kOutputCells, FormatterDecodeData::kCapacity}) {
        EXPECT_EQ(Read(Code128Identifier(0), std::string(length, 'x')), Formatter::kFormatRefused) << length;
    }
    // Nothing but an escape on the keyboard.
    host.interface = FormatterOutlets::kUsbKeyboard;
    EXPECT_EQ(Read(QRIdentifier(1), "\\000026"), 0);
    EXPECT_TRUE(host.pushed.empty());
    EXPECT_TRUE(host.leds.empty());
    // The longest label that fits still goes out whole.
    host.interface = FormatterOutlets::kUart;
    const std::string longest(7999, 'y');
    ASSERT_EQ(Read(Code128Identifier(0), longest), 1);
    EXPECT_EQ(host.pushed.at(0), Bytes(longest));
}

TEST_F(FormatterTest, AsciiPrefixAndSuffixReachTheKeyboardAsCodePoints)
{
    Set("string/common_prefix:\"#\\t\"");
    Set("string/code39/suffix:\"\\r\"");
    host.interface = FormatterOutlets::kUsbKeyboard;
    ASSERT_EQ(Read(Code39Identifier(0), "AB"), 1);
    EXPECT_EQ(host.pushed, (Units{Typed("#"), Typed("\t"), Typed("AB"), CodePoints({13}), GoodRead()}));
    host.Clear();
    host.interface = FormatterOutlets::kUsbSerial;
    ASSERT_EQ(Read(Code39Identifier(0), "AB"), 1);
    EXPECT_EQ(host.pushed, (Units{Bytes("#"), Bytes("\t"), Bytes("AB"), Bytes("\r"), GoodRead()}));
}

TEST_F(FormatterTest, MakerCodeOfALabelWithoutOneAddsNothing)
{
    Set("string/common_prefix:\"\\u00af-\"");
    // A plain identifier carries maker code 0.
    const CommonSymbologyIdentifier plain(SYMBOLOGY_CODE93);
    ASSERT_EQ(Read(plain, "Z"), 1);
    EXPECT_EQ(host.pushed, (Units{Bytes("-"), Bytes("Z"), GoodRead()}));
}

} // namespace
} // namespace formatter_test
