// Labels the decoder should never hand over, and label data of every byte
// value: a clear refusal with nothing queued, or output that is exactly the
// data, and nothing held lost on the way.

#include <random>
#include <string>
#include <vector>

#include "decoder/core/identifiers/codabar_identifier.h"
#include "decoder/core/identifiers/code128_identifier.h"
#include "decoder/core/identifiers/qr_identifiers.h"
#include "tests/format/formatter_test_fixture.h"
#include "tests/format/iconv_oracle.h"

namespace formatter_test {
namespace {

using DEC2DIvra::CodabarIdentifier;
using DEC2DIvra::Code128Identifier;
using DEC2DIvra::CommonSymbologyIdentifier;

TEST_F(FormatterTest, MalformedLabelsAreRefusedWithNothingQueuedAndNothingHeldLost)
{
    Set("code/codabar/enable_abc_cx:3");
    const CommonSymbologyIdentifier first{CodabarIdentifier(1u << 0 | 1u << 11)};
    const CommonSymbologyIdentifier second{CodabarIdentifier(1u << 0 | 1u << 12)};
    ASSERT_TRUE(formatter.SetDecodeResult(&first, "1234", 4, nullptr, nullptr, 0));
    ASSERT_EQ(formatter.FormatData(), 0);
    host.Clear();

    const CommonSymbologyIdentifier code128{Code128Identifier(0)};
    const CommonSymbologyIdentifier none(SYMBOLOGY_NONE);
    const CommonSymbologyIdentifier beyond(static_cast<tagSymbology>(60));
    const std::string huge(FormatterDecodeData::kCapacity + 1, 'x');
    struct Case {
        const char* name;
        const void* identifier;
        const char* data;
        unsigned length;
    };
    const Case cases[] = {
        {"NoIdentifier", nullptr, "A", 1},
        {"NoData", &code128, nullptr, 5},
        {"LengthZero", &code128, "A", 0},
        {"LengthBeyondTheLabelBuffer", &code128, huge.data(), static_cast<unsigned>(huge.size())},
        {"LengthOfAllOnes", &code128, huge.data(), 0xFFFFFFFFu},
        {"NoSymbology", &none, "A", 1},
        {"UnknownSymbology", &beyond, "A", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(formatter.SetDecodeResult(c.identifier, c.data, c.length, nullptr, nullptr, 0));
        EXPECT_FALSE(formatter.HasLabel());
        formatter.SearchECIPatterns(c.data, c.data != nullptr && c.length < huge.size() ? c.length : 0);
        EXPECT_EQ(formatter.FormatData(), Formatter::kFormatRefused);
        EXPECT_TRUE(host.pushed.empty());
        EXPECT_TRUE(host.leds.empty());
        EXPECT_TRUE(host.beeps.empty());
        EXPECT_EQ(formatter.Record().length, 0u);
    }

    ASSERT_TRUE(formatter.SetDecodeResult(&second, "5678", 4, nullptr, nullptr, 0));
    EXPECT_EQ(formatter.FormatData(), 1);
    EXPECT_EQ(host.pushed, (Units{Bytes("12345678"), GoodRead()}));
}

TEST_F(FormatterTest, EveryByteValueGoesOutExactlyOnEachInterface)
{
    std::string all;
    for (unsigned b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));

    for (unsigned char interface : {FormatterOutlets::kUart, FormatterOutlets::kUsbSerial}) {
        host.interface = interface;
        host.Clear();
        ASSERT_EQ(Read(Code128Identifier(0), all), 1);
        EXPECT_EQ(host.pushed, (Units{Bytes(all), GoodRead()}));
    }

    // The keyboard gets what the code page has of them, byte for byte.
    std::vector<unsigned int> expected;
    for (unsigned b = 0; b < 256; ++b) {
        if (const auto cp = iconv_oracle::Decode("WINDOWS-1252", {static_cast<unsigned char>(b)}))
            expected.insert(expected.end(), cp->begin(), cp->end());
    }
    host.interface = FormatterOutlets::kUsbKeyboard;
    const Code128Identifier code128(0);
    const DEC2DIvra::QRIdentifier qrWithEci(1);
    for (const DEC2DIvra::SymbologyIdentifier* id : {static_cast<const DEC2DIvra::SymbologyIdentifier*>(&code128),
                                                     static_cast<const DEC2DIvra::SymbologyIdentifier*>(&qrWithEci)}) {
        host.Clear();
        ASSERT_EQ(Read(*id, all), 1);
        EXPECT_EQ(host.pushed, (Units{CodePoints(expected), GoodRead()}));
    }
}

// Whatever the decoder hands over, the formatter says "output" exactly when
// it queued something, and never more data than the label held.
TEST_F(FormatterTest, RandomLabelsAreOutputExactlyWhenReported)
{
    std::mt19937 random(7);
    Set("string/common_suffix:\"\\u00ab\\u00ad\\u00ae\\u00af\"");
    Set("code/codabar/enable_abc_cx:7");
    for (int i = 0; i < 3000; ++i) {
        DEC2DIvra::CommonSymbologyIdentifier id(static_cast<tagSymbology>(random() % 64));
        id.SetModifier(random() % 4 == 0 ? static_cast<unsigned>(random()) : 1u << (random() % 16));
        std::string data(random() % 40, '\0');
        for (char& c : data)
            c = static_cast<char>(random() % 4 == 0 ? '\\' : random() % 3 == 0 ? '0' + random() % 10 : random());
        host.interface = static_cast<unsigned char>(std::vector<unsigned char>{0, 9, 10}[random() % 3]);
        host.Clear();
        clock += static_cast<std::int64_t>(random() % 1'000'000'000);
        const int result = Read(id, data);
        EXPECT_TRUE(result == 1 || result == 0 || result == Formatter::kFormatRefused);
        EXPECT_EQ(result == 1, !host.pushed.empty());
        EXPECT_EQ(result == 1, !host.leds.empty());
        EXPECT_LE(formatter.Record().length, 2 * data.size());
    }
}

} // namespace
} // namespace formatter_test
