// Codabar pairs: ABC and CX halves joined into one label, the first half held
// with a beep, repeats ignored for half a second, and every hold and join
// bounded by its buffer.

#include <string>

#include "decoder/core/identifiers/codabar_identifier.h"
#include "tests/format/formatter_test_fixture.h"

namespace formatter_test {
namespace {

using DEC2DIvra::CodabarIdentifier;

// Modifier bits the Codabar decoder sets on the halves of a pair.
constexpr unsigned kAbcFirst = 1u << 0 | 1u << 11;
constexpr unsigned kAbcSecond = 1u << 0 | 1u << 12;
constexpr unsigned kCxFirst = 1u << 9 | 1u << 13;
constexpr unsigned kCxSecond = 1u << 9 | 1u << 14;

const std::pair<unsigned, unsigned> kHalfHeldBeep{5, 63};

class CodabarTest : public FormatterTest {
protected:
    int ReadCodabar(unsigned modifier, const std::string& data) { return Read(CodabarIdentifier(modifier), data); }
};

struct PairCase {
    const char* name;
    unsigned enable; // code/codabar/enable_abc_cx
    unsigned firstModifier;
    std::string first;
    unsigned secondModifier;
    std::string second;
    std::string joined;
};

TEST_F(CodabarTest, TwoHalvesOfAPairGoOutOnceJoined)
{
    const PairCase cases[] = {
        {"AbcSecondHalfReadFirst", 3, kAbcSecond, "5678", kAbcFirst, "1234", "12345678"},
        {"AbcInReadingOrder", 2, kAbcFirst, "D12D", kAbcSecond, "A34D", "D12DA34D"},
        {"CxInReadingOrder", 5, kCxFirst, "AB", kCxSecond, "CD", "ABCD"},
        {"CxSecondHalfReadFirst", 4, kCxSecond, "CD", kCxFirst, "AB", "ABCD"},
    };
    for (const PairCase& c : cases) {
        SCOPED_TRACE(c.name);
        Set("code/codabar/enable_abc_cx:" + std::to_string(c.enable));
        host.Clear();
        EXPECT_EQ(ReadCodabar(c.firstModifier, c.first), 0);
        EXPECT_TRUE(host.pushed.empty());
        EXPECT_TRUE(host.leds.empty());
        EXPECT_EQ(host.beeps, (std::vector<std::pair<unsigned, unsigned>>{kHalfHeldBeep}));
        EXPECT_EQ(ReadCodabar(c.secondModifier, c.second), 1);
        EXPECT_EQ(host.pushed, (Units{Bytes(c.joined), GoodRead()}));
        EXPECT_EQ(codabar.HeldKind(), 0);
    }
}

TEST_F(CodabarTest, HeldHalfReadAgainIsIgnoredForHalfASecondAndThenGoesOutAlone)
{
    Set("code/codabar/enable_abc_cx:3");
    ASSERT_EQ(ReadCodabar(kAbcFirst, "1234"), 0);
    clock += 500'999'999;
    EXPECT_EQ(ReadCodabar(kAbcFirst, "1234"), 0);
    EXPECT_TRUE(host.pushed.empty());
    EXPECT_EQ(host.beeps.size(), 1u);
    clock += 1;
    EXPECT_EQ(ReadCodabar(kAbcFirst, "1234"), 1);
    EXPECT_EQ(host.pushed, (Units{Bytes("1234"), GoodRead()}));
    EXPECT_EQ(codabar.HeldKind(), 0);
}

TEST_F(CodabarTest, PlainLabelWhileAHalfIsHeldGoesOutAloneAndDropsTheHalf)
{
    Set("code/codabar/enable_abc_cx:3");
    ASSERT_EQ(ReadCodabar(kAbcFirst, "1234"), 0);
    EXPECT_EQ(ReadCodabar(0, "A999A"), 1);
    EXPECT_EQ(host.pushed, (Units{Bytes("A999A"), GoodRead()}));
    host.Clear();
    // The partner now finds nothing to join and is held itself.
    EXPECT_EQ(ReadCodabar(kAbcSecond, "5678"), 0);
    EXPECT_TRUE(host.pushed.empty());
}

TEST_F(CodabarTest, HalvesThatDoNotPairAreNotJoined)
{
    struct Refusal {
        const char* name;
        unsigned enable;
        unsigned first;
        unsigned second;
    };
    const Refusal cases[] = {
        {"AbcHalvesWithOnlyCxOn", 5, kAbcFirst, kAbcSecond},
        {"CxHalvesWithOnlyAbcOn", 3, kCxFirst, kCxSecond},
        {"AbcWithCx", 7, kAbcFirst, kCxSecond},
        {"TwoFirstHalves", 3, kAbcFirst, kAbcFirst},
    };
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.name);
        formatter.StopFormatter();
        Set("code/codabar/enable_abc_cx:" + std::to_string(c.enable));
        host.Clear();
        EXPECT_EQ(ReadCodabar(c.first, "12"), 0);
        EXPECT_EQ(ReadCodabar(c.second, "34"), 0);
        EXPECT_TRUE(host.pushed.empty());
        EXPECT_EQ(host.beeps.size(), 2u);
        EXPECT_EQ(codabar.HeldLength(), 2u);
    }
}

TEST_F(CodabarTest, OnlyPlainCodabarOnLeavesHalvesAlone)
{
    Set("code/codabar/enable_abc_cx:1");
    EXPECT_EQ(ReadCodabar(kAbcFirst, "1234"), 1);
    EXPECT_EQ(ReadCodabar(kAbcSecond, "5678"), 1);
    EXPECT_EQ(host.pushed, (Units{Bytes("1234"), GoodRead(), Bytes("5678"), GoodRead()}));
    EXPECT_TRUE(host.beeps.empty());
}

TEST_F(CodabarTest, PlainLabelIsNotSentWhilePlainCodabarIsOff)
{
    Set("code/codabar/enable_abc_cx:2");
    ASSERT_EQ(ReadCodabar(kAbcFirst, "1234"), 0);
    EXPECT_EQ(ReadCodabar(0, "A999A"), 0);
    EXPECT_TRUE(host.pushed.empty());
    EXPECT_TRUE(host.leds.empty());
    EXPECT_EQ(codabar.HeldKind(), 0);
}

TEST_F(CodabarTest, StopFormatterDropsTheHeldHalf)
{
    Set("code/codabar/enable_abc_cx:3");
    ASSERT_EQ(ReadCodabar(kAbcFirst, "1234"), 0);
    formatter.StopFormatter();
    EXPECT_EQ(ReadCodabar(kAbcSecond, "5678"), 0);
    EXPECT_TRUE(host.pushed.empty());
}

TEST_F(CodabarTest, HalvesAndJoinsStayInsideTheirBuffers)
{
    Set("code/codabar/enable_abc_cx:3");
    // A half longer than the held buffer goes out as read.
    const std::string tooLong(CodabarSymbol::kHeldCapacity + 1, '7');
    EXPECT_EQ(ReadCodabar(kAbcFirst, tooLong), 1);
    EXPECT_EQ(host.pushed.at(0), Bytes(tooLong));
    EXPECT_EQ(codabar.HeldKind(), 0);
    host.Clear();

    // The longest half that fits is held; a partner that would overflow the
    // label buffer when joined goes out alone.
    const std::string longest(CodabarSymbol::kHeldCapacity, '1');
    EXPECT_EQ(ReadCodabar(kAbcFirst, longest), 0);
    EXPECT_EQ(codabar.HeldLength(), CodabarSymbol::kHeldCapacity);
    const std::string big(FormatterDecodeData::kCapacity - CodabarSymbol::kHeldCapacity + 1, '2');
    const DEC2DIvra::CommonSymbologyIdentifier second{CodabarIdentifier(kAbcSecond)};
    ASSERT_TRUE(formatter.SetDecodeResult(&second, big.data(), static_cast<unsigned>(big.size()), nullptr, nullptr, 0));
    EXPECT_EQ(formatter.DoOptionsNotHandledByDecoder(), Formatter::kOptionsOutput);
    EXPECT_EQ(formatter.Record().length, big.size());

    // Exactly full is still joined.
    ASSERT_EQ(ReadCodabar(kAbcFirst, longest), 0);
    const std::string fits(FormatterDecodeData::kCapacity - CodabarSymbol::kHeldCapacity, '2');
    ASSERT_TRUE(formatter.SetDecodeResult(&second, fits.data(), static_cast<unsigned>(fits.size()), nullptr, nullptr, 0));
    EXPECT_EQ(formatter.DoOptionsNotHandledByDecoder(), Formatter::kOptionsOutput);
    EXPECT_EQ(formatter.Record().length, FormatterDecodeData::kCapacity);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(formatter.Record().data), formatter.Record().length),
              longest + fits);
}

TEST_F(CodabarTest, ShorterLabelEqualToTheStartOfTheHeldHalfIsNoRepeat)
{
    Set("code/codabar/enable_abc_cx:3");
    ASSERT_EQ(ReadCodabar(kAbcFirst, "123456"), 0);
    EXPECT_EQ(ReadCodabar(kAbcFirst, "123"), 0);
    EXPECT_EQ(host.beeps.size(), 2u);
    EXPECT_EQ(codabar.HeldLength(), 3u);
}

TEST_F(CodabarTest, SettingsReachTheOptionObject)
{
    Set("string/codabar/prefix:\"<>\"");
    Set("fixed_length/codabar:{\"lengths\":[4,6],\"minimum\":2,\"maximum\":65535}");
    Set("code/codabar/enable_abc_cx:6");
    Set("code/codabar/transmit_start_and_stop:\"TRANSMIT_ABCD\"");

    unsigned char bytes[4];
    codabar.GetPrefixCharacter(bytes);
    EXPECT_EQ(std::vector<unsigned char>(bytes, bytes + 4), (std::vector<unsigned char>{'<', '>', 255, 255}));
    DecodeDataByte cells[4];
    codabar.GetSuffixCharacter(2u, cells);
    for (const DecodeDataByte& c : cells)
        EXPECT_EQ(c.GetValue(), 255u);
    EXPECT_EQ(codabar.GetMinLength(), 2u);
    EXPECT_EQ(codabar.GetMaxLength(), 0u);
    EXPECT_EQ(codabar.GetFixedLength(1), 6u);
    EXPECT_EQ(codabar.GetFixedLength(2), 65535u);
    EXPECT_EQ(codabar.GetFixedLength(16), 65535u);
    EXPECT_TRUE(codabar.GetEnable());
    EXPECT_FALSE(codabar.GetNormalCodeEnable());
    EXPECT_TRUE(codabar.GetAbcCodeEnable());
    EXPECT_TRUE(codabar.GetCxCodeEnable());
    EXPECT_EQ(codabar.GetSTSPTransmission(), 3u);

    char code[4];
    codabar.GetOptionCode2(code);
    EXPECT_STREQ(code, "DB2");
    for (unsigned id : {18u, 19u, 20u})
        EXPECT_EQ(Symbology::GetSymbology(static_cast<SymbologyIdentifier>(id)), &codabar);
    EXPECT_EQ(Symbology::GetSymbology(17), nullptr);
    EXPECT_EQ(Symbology::GetSymbology(200), nullptr);
}

} // namespace
} // namespace formatter_test
