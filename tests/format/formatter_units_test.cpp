// Cells to units, ECI escapes found and cut out, the per-label tests on AIM
// texts and identifiers, special prefix codes and case conversion.

#include <string>
#include <vector>

#include "decoder/core/identifiers/code39_identifiers.h"
#include "decoder/core/identifiers/qr_identifiers.h"
#include "tests/format/formatter_test_fixture.h"

namespace formatter_test {
namespace {

using DEC2DIvra::CommonSymbologyIdentifier;

DecodeDataByte Cell(std::uint32_t v) { return DecodeDataByte::NewCharacter(static_cast<unsigned long>(v)); }
OutputBufferData Pause(unsigned tens) { return OutputBufferData{OutputBufferData::Pause, {}, {tens}}; }

TEST_F(FormatterTest, CellsBecomeByteRunsCodePointRunsAndPauses)
{
    struct Case {
        const char* name;
        std::vector<std::uint32_t> cells;
        Units expected;
    };
    const Case cases[] = {
        {"BytesIncludingNul", {'A', 0, 0xFF}, {Bytes(std::string("A\0\xFF", 3))}},
        {"PauseSplitsAndCarriesItsLowByte", {'A', 0x00E00132, 'B'}, {Bytes("A"), Pause(50), Bytes("B")}},
        {"KeyCodePointsFormOneRun", {0xE003E0B0, 0xE0030041, 'C'}, {CodePoints({0xE0B0, 0x41}), Bytes("C")}},
        {"PauseClosesACodePointRun", {0xE0030041, 0x00E00105, 0xE0030042}, {CodePoints({0x41}), Pause(5), CodePoints({0x42})}},
        {"Fnc1AndKeysSplitBytesButGiveNothing", {'A', DecodeDataByte::kFnc1, 0x00E00041, 'B'}, {Bytes("A"), Bytes("B")}},
        {"OtherItemsKeepACodePointRunOpen", {0xE0030041, DecodeDataByte::kFnc1, 0xE0030042}, {CodePoints({0x41, 0x42})}},
        {"NothingFromNothing", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<DecodeDataByte> cells;
        for (std::uint32_t v : c.cells)
            cells.push_back(Cell(v));
        Units out;
        formatter.DecodeDataByteToOutputBuffer(cells.data(), static_cast<unsigned>(cells.size()), out);
        EXPECT_EQ(out, c.expected);
    }
}

TEST_F(FormatterTest, EciEscapesAreFoundOnlyInLabelsThatCanCarryThem)
{
    const std::string data = "AB\\000026xy\\000003\\00001\\\\123456";
    const CommonSymbologyIdentifier qr(DEC2DIvra::QRIdentifier(1));
    ASSERT_TRUE(formatter.SetDecodeResult(&qr, data.data(), static_cast<unsigned>(data.size()), nullptr, nullptr, 0));
    formatter.SearchECIPatterns(data.data(), static_cast<unsigned>(data.size()));
    const std::vector<std::pair<unsigned, std::string>> expected = {
        {2, "\\000026"}, {11, "\\000003"}, {25, "\\123456"}};
    EXPECT_EQ(formatter.EciList(), expected);

    const CommonSymbologyIdentifier code39(DEC2DIvra::Code39Identifier(0));
    ASSERT_TRUE(formatter.SetDecodeResult(&code39, data.data(), static_cast<unsigned>(data.size()), nullptr, nullptr, 0));
    formatter.SearchECIPatterns(data.data(), static_cast<unsigned>(data.size()));
    EXPECT_TRUE(formatter.EciList().empty());
}

TEST_F(FormatterTest, SerialUnitsAreSplitAtEscapesAndCounted)
{
    const CommonSymbologyIdentifier qr(DEC2DIvra::QRIdentifier(1));
    ASSERT_TRUE(formatter.SetDecodeResult(&qr, "x", 1, nullptr, nullptr, 0));
    Units units = {Bytes("\\000003a\\000026"), Pause(3), CodePoints({0xE0B0}), GoodRead(), Bytes("bc")};
    int count = -1;
    EXPECT_EQ(formatter.FormatOutputBuffer(units, count), 1);
    EXPECT_EQ(units, (Units{Eci("\\000003"), Bytes("a"), Eci("\\000026"), Pause(3), CodePoints({0xE0B0}), GoodRead(),
                            Bytes("bc")}));
    EXPECT_EQ(count, 7 + 1 + 7 + 2);

    Set("string/ignore_eci_protocol/enable:true");
    units = {Bytes("\\000003a\\000026"), CodePoints({0xE0B0})};
    formatter.FormatOutputBuffer(units, count);
    EXPECT_EQ(units, (Units{Bytes("a"), CodePoints({0xE0B0})}));
    EXPECT_EQ(count, 1);

    host.interface = FormatterOutlets::kUsbKeyboard;
    units = {Bytes("\\000003a"), CodePoints({0xE0B0})};
    formatter.FormatOutputBuffer(units, count);
    EXPECT_EQ(units, (Units{Typed("a"), CodePoints({0xE0B0})}));
    EXPECT_EQ(count, 2);
}

TEST_F(FormatterTest, OnlyWholeGs1AimTextsCount)
{
    for (const char* aim : {"]e0", "]C1", "]d2", "]d5", "]Q3", "]Q4", "]J1", "]J4", "]h2"})
        EXPECT_TRUE(Formatter::IsGS1(aim)) << aim;
    for (const char* aim : {"]C0", "]Q1", "]E0", "", "]C", "C1]", "0]C", "]C1x", "]d2]"})
        EXPECT_FALSE(Formatter::IsGS1(aim)) << aim;
    EXPECT_FALSE(Formatter::IsGS1(nullptr));

    std::string gs1 = "A\x1c\x1d\x1e";
    Formatter::ReplaceForGS1(gs1.data(), static_cast<unsigned>(gs1.size()));
    EXPECT_EQ(gs1, "A\x84\x80\x1e");
    Formatter::ReplaceForGS1(nullptr, 4);
}

TEST_F(FormatterTest, IdentifiersFollowTheSymbologyAndModifier)
{
    struct Case {
        unsigned symbology;
        unsigned modifier;
        SymbologyIdentifier expected;
    };
    // The rows where modifier bits choose between identifiers.
    const Case cases[] = {
        {1, 0, 14},  {1, 4, 15},     {1, 8, 16},      {1, 12, 15},   {4, 1, 32},    {4, 3, 31},   {12, 512, 6},
        {13, 256, 10}, {16, 768, 36}, {16, 512, 37},  {16, 0, 35},   {33, 2, 59},   {33, 0x8000, 47}, {35, 17, 58},
        {35, 2, 43}, {36, 16, 45},   {40, 1, 98},     {42, 0, 80},   {51, 0, 89},   {57, 0, 95},  {59, 0, 96},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.symbology);
        SCOPED_TRACE(c.modifier);
        DEC2DIvra::CommonSymbologyIdentifier id(static_cast<tagSymbology>(c.symbology));
        id.SetModifier(c.modifier);
        ASSERT_TRUE(formatter.FilterAimIdSymbology(&id));
        EXPECT_EQ(formatter.Record().symbologyIdentifier, c.expected);
        EXPECT_EQ(formatter.Record().modifier, c.modifier);
        EXPECT_EQ(formatter.Record().modifierBit15, (c.symbology == 33 || c.symbology == 35) && c.modifier >= 0x8000);
    }
}

TEST_F(FormatterTest, LabelRecordKeepsRegionAngleAndOnlyMeaningfulAppendModes)
{
    const CommonSymbologyIdentifier qr(DEC2DIvra::QRIdentifier(0));
    const tagDEC2D_REGION region{1, 2, 3, 4, 5, 6, 7, 8};
    for (unsigned mode : {0u, 1u, 2u, 3u}) {
        const tagStructuredAppend sa{mode, 9, 10, 11};
        ASSERT_TRUE(formatter.SetDecodeResult(&qr, "x", 1, &region, &sa, -45));
        const FormatterDecodeData& r = formatter.Record();
        EXPECT_EQ(r.structuredAppend.mode, mode == 1 || mode == 2 ? mode : 0u);
        EXPECT_EQ(r.structuredAppend.value3, 11u);
        EXPECT_EQ(r.angle, -45);
        EXPECT_EQ(std::vector<int>(r.regionX, r.regionX + 4), (std::vector<int>{1, 3, 5, 7}));
        EXPECT_EQ(std::vector<int>(r.regionY, r.regionY + 4), (std::vector<int>{2, 4, 6, 8}));
    }
}

TEST_F(FormatterTest, CaseConversionTouchesOnlyAsciiLettersWithinTheLetterRange)
{
    Set("string/case_conversion:\"CONVERT_TO_UPPER_CASE\"");
    std::vector<unsigned char> bytes = {'a', 'z', '{', '`', 0xE9, 0xFF};
    formatter.DoCaseConversion(bytes);
    EXPECT_EQ(bytes, (std::vector<unsigned char>{'A', 'Z', '{', '`', 0xE9, 0xFF}));

    std::vector<unsigned char> all;
    for (unsigned b = 0; b < 256; ++b)
        all.push_back(static_cast<unsigned char>(b));
    Formatter::SetCase(all, [](int) { return '*'; });
    for (unsigned b = 0; b < 256; ++b)
        EXPECT_EQ(all[b], b >= 65 && b <= 122 ? '*' : b) << b;
}

TEST_F(FormatterTest, PrefixSuffixMapsCoverTheirIdentifiers)
{
    EXPECT_EQ(Formatter::mapPrefixSuffix.size(), 92u);
    EXPECT_EQ(Formatter::mapPrefixSuffix.count(41), 0u);
    EXPECT_EQ(Formatter::mapPrefixSuffix.count(89), 0u);
    for (const auto& [id, group] : Formatter::mapPrefixSuffix) {
        const std::string path = std::string("string/") + group;
        EXPECT_NE(ivra_configuration::Root().Find(path + "/prefix"), nullptr) << path;
        EXPECT_NE(ivra_configuration::Root().Find(path + "/suffix"), nullptr) << path;
    }
    EXPECT_EQ(Formatter::mapDirectToCodepoint.size(), 67u);
    for (const auto& [byte, codePoint] : Formatter::mapDirectToCodepoint) {
        EXPECT_GE(byte, 159);
        EXPECT_EQ(codePoint, 0xE000u + byte);
    }
}

} // namespace
} // namespace formatter_test
