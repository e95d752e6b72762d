#include "format/decode_data_byte.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "format/data_edit/character.h"
#include "tests/format/data_edit/cell_test_support.h"
#include "tests/format/iconv_oracle.h"

using cell_test::Cell;
using Type = DecodeDataByte::CellType;
using Encode = DecodeDataByte::EncodeType;
using Kind = DecodeDataByte::KindOfCharacter;

namespace {

struct TypeRow {
    std::uint32_t value;
    Type type;
    unsigned outputBytes; // under the default code page
    std::uint32_t entity;
};

const TypeRow kTypeTable[] = {
    {0x00E00041, Type::Key, 0, 0x41},
    {0x00E00132, Type::Delay, 0, 0x32},
    {0x00E10080, Type::Special, 0, 0},
    {0x00E10207, Type::SpecialQ, 0, 0},
    {0x6001FF03, Type::FormatId, 0, 0xFF03},
    {0x60020035, Type::FormatSpec, 0, 0x35},
    {0x00E101FE, Type::RawByte, 1, 0xFE},
    {0x00000041, Type::SingleChar, 1, 0x41},
    {0x600082A0, Type::DoubleChar, 2, 0x82A0},
    {0x61A1B2C3, Type::TripleChar, 3, 0xA1B2C3},
    {0x8139EF30, Type::QuadChar, 4, 0x8139EF30},
    {0xFFFFFFFF, Type::QuadChar, 4, 0xFFFFFFFF},
    {0x00003042, Type::Unicode16, 1, 0x3042},
    {0x0001F600, Type::Unicode24, 0, 0x1F600},
    {0x00DF0000, Type::Unicode24, 0, 0xDF0000},
    {0x01000041, Type::Unicode32, 1, 0x01000041},
    {0x5F000000, Type::Unicode32, 1, 0x5F000000},
    {0x00E002B1, Type::HankakuKana, 1, 0xB1},
    {0x62FFFFFE, Type::FormattedNumber, 0, 0xFFFFFE},
    {0x00FFFF00, Type::Empty, 0, 0},
    {0x00000000, Type::End, 1, 0},
    {0x63000000, Type::Invalid, 0, 0},
    {0x7F000000, Type::Invalid, 0, 0},
    {0x60030000, Type::Invalid, 0, 0},
    {0x00E00341, Type::Invalid, 0, 0},
    {0x00E10300, Type::Invalid, 0, 0},
    {0x00E2FF00, Type::Invalid, 0, 0},
    {0x00FFFE00, Type::Invalid, 0, 0},
};

TEST(DecodeDataByteTest, EveryBitPatternHasItsTypeOutputCountAndEntity)
{
    for (const TypeRow& row : kTypeTable) {
        SCOPED_TRACE(::testing::Message() << std::hex << row.value);
        const DecodeDataByte cell = Cell(row.value);
        EXPECT_EQ(cell.GetType(), row.type);
        EXPECT_EQ(cell.CountOutputByte(), row.outputBytes);
        EXPECT_EQ(cell.GetEntity(), row.entity);
        const bool unicode = row.type == Type::Unicode16 || row.type == Type::Unicode24 || row.type == Type::Unicode32;
        EXPECT_EQ(cell.IsUnicode(), unicode);
    }
}

TEST(DecodeDataByteTest, MakersKeepToTheirBitPatterns)
{
    DecodeDataByte cell = Cell(0x12345678);
    cell.SetKey(); // keeps byte 0
    EXPECT_EQ(cell.GetValue(), 0x00E00078u);
    cell.SetTripleChar(0xFFA1B2C3);
    EXPECT_EQ(cell.GetValue(), 0x61A1B2C3u);
    cell.SetFormattedNumber(-2);
    EXPECT_EQ(cell.GetValue(), 0x62FFFFFEu);
    cell.SetFormatSpec(0x12345);
    EXPECT_EQ(cell.GetValue(), 0x60022345u);
    const unsigned char pair[2] = {0x82, 0xA0};
    cell.SetDoubleChar(pair);
    EXPECT_EQ(cell.GetValue(), 0x600082A0u);
    EXPECT_EQ(DecodeDataByte::NewCharacter(Kind::Special, 0x80).GetValue(), DecodeDataByte::kFnc1);
    EXPECT_EQ(DecodeDataByte::NewCharacter(Kind::Plain, '\xE9').GetValue(), 0xE9u); // no sign extension
    EXPECT_EQ(DecodeDataByte::NewCharacter(0x81, 0x39, 0xEF, 0x30).GetValue(), 0x8139EF30u);
}

struct OutputRow {
    std::uint32_t value;
    Encode encode;
    std::string bytes; // expected output; "!" for a refusal
};

TEST(DecodeDataByteTest, OutputBytesFollowTheCellAndTheCodePage)
{
    const OutputRow rows[] = {
        {0x00000041, Encode::Binary, "A"},
        {0x600082A0, Encode::Binary, "\x82\xA0"},
        {0x61A1B2C3, Encode::Binary, "\xA1\xB2\xC3"},
        {0x8139EF30, Encode::Binary, "\x81\x39\xEF\x30"},
        {0x00E101FE, Encode::Binary, "\xFE"},
        {0x00E002B1, Encode::Binary, "\xB1"},
        {0x00E00041, Encode::Binary, ""},
        {0x00E10080, Encode::Binary, ""},
        {0x00000000, Encode::Binary, ""},
        {0x00E10207, Encode::Binary, "!"},
        // Code points are written in the UTF of the code page, not as raw value bytes.
        {0x000000E9, Encode::Utf8, "\xC3\xA9"},
        {0x00003042, Encode::Utf8, "\xE3\x81\x82"},
        {0x0001F600, Encode::Utf8, "\xF0\x9F\x98\x80"},
        {0x00003042, Encode::Utf16BE, std::string("\x30\x42", 2)},
        {0x0001F600, Encode::Utf16LE, std::string("\x3D\xD8\x00\xDE", 4)},
        {0x00003042, Encode::Utf16LE, std::string("\x42\x30", 2)},
        {0x00150000, Encode::Utf16, "!"},
    };
    for (const OutputRow& row : rows) {
        SCOPED_TRACE(::testing::Message() << std::hex << row.value << " code page " << int(row.encode));
        cell_test::EncodeTypeScope scope(row.encode);
        unsigned char buf[8];
        unsigned count = 99;
        const int ok = Cell(row.value).GetEntityOutputBytes(buf, sizeof buf, &count, FormatSpecifier());
        if (row.bytes == "!") {
            EXPECT_EQ(ok, 0);
            continue;
        }
        ASSERT_EQ(ok, 1);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), count), row.bytes);
        EXPECT_EQ(buf[count], 0);
    }
}

TEST(DecodeDataByteTest, UnicodeOutputIsWhatIconvWrites)
{
    const std::pair<Encode, const char*> pages[] = {
        {Encode::Utf8, "UTF-8"}, {Encode::Utf16BE, "UTF-16BE"}, {Encode::Utf16LE, "UTF-16LE"}};
    const std::uint32_t codePoints[] = {0x41, 0xE9, 0x7FF, 0x800, 0x3042, 0xFFFD, 0x10000, 0x1F600, 0x10FFFF};
    for (const auto& [encode, name] : pages) {
        cell_test::EncodeTypeScope scope(encode);
        for (std::uint32_t c : codePoints) {
            SCOPED_TRACE(::testing::Message() << name << " U+" << std::hex << c);
            const auto expected = iconv_oracle::Encode(name, c);
            ASSERT_TRUE(expected.has_value());
            unsigned char buf[8];
            unsigned count = 0;
            ASSERT_EQ(Cell(c).GetEntityOutputBytes(buf, sizeof buf, &count, FormatSpecifier()), 1);
            EXPECT_EQ(std::vector<unsigned char>(buf, buf + count), *expected);
        }
    }
}

TEST(DecodeDataByteTest, OutputNeverRunsPastTheBuffer)
{
    unsigned char buf[5] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
    unsigned count = 0;
    const DecodeDataByte quad = Cell(0x8139EF30);
    EXPECT_EQ(quad.GetEntityOutputBytes(buf, 4, &count, FormatSpecifier()), 0); // 4 bytes need room for 5
    EXPECT_EQ(buf[0], 0xAA);
    EXPECT_EQ(quad.GetEntityOutputBytes(buf, 0, &count, FormatSpecifier()), 0);
    EXPECT_EQ(quad.GetEntityOutputBytes(buf, 5, &count, FormatSpecifier()), 1);
    EXPECT_EQ(count, 4u);

    ivra_string_library::Character character(quad);
    unsigned kept = 7;
    char small[4];
    EXPECT_EQ(character.GetCString(small, sizeof small, kept), 0);
    EXPECT_EQ(kept, 7u);
    EXPECT_EQ(character.GetCStringLength(), 4u);
}

TEST(DecodeDataByteTest, FormattedNumbersAreWrittenWithTheirDigits)
{
    struct Row {
        int number;
        bool sign, ascii, hex, bigEndian;
        unsigned digits;
        std::string bytes;
    };
    const Row rows[] = {
        {0x123456, false, false, false, false, 4, std::string("\x56\x34\x12\x00", 4)},
        {0x123456, false, false, false, true, 4, std::string("\x00\x12\x34\x56", 4)},
        {0x123456, false, false, false, true, 2, "\x34\x56"},
        {1234, false, true, false, false, 6, "001234"},
        {1234, false, true, false, false, 3, "234"},
        {-1234, true, true, false, false, 5, "-01234"},
        {1234, true, true, false, false, 4, "+1234"},
        {0xABC, false, true, true, false, 4, "0ABC"},
        {-1, true, true, true, false, 8, "FFFFFFFF"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.bytes);
        FormatSpecifier spec;
        spec.Set(row.sign, row.ascii, row.hex, row.bigEndian, 0);
        spec.SetDigit(row.digits);
        DecodeDataByte cell;
        cell.SetFormattedNumber(row.number);
        EXPECT_EQ(cell.GetEntityByteCount(spec), row.bytes.size());
        unsigned char buf[16];
        unsigned count = 0;
        ASSERT_EQ(cell.GetEntityOutputBytes(buf, sizeof buf, &count, spec), 1);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), count), row.bytes);
        // One byte short of room for the text and its closing 0 byte.
        EXPECT_EQ(cell.GetFormattedNumberOutputBytes(buf, static_cast<unsigned>(row.bytes.size()), &count, spec), 0);
    }
    unsigned count = 5;
    unsigned char buf[4];
    EXPECT_EQ(Cell('A').GetFormattedNumberOutputBytes(buf, sizeof buf, &count), 0);
    EXPECT_EQ(count, 0u);
}

TEST(FormatSpecifierTest, BitsDigitsAndCellRoundTrip)
{
    FormatSpecifier spec;
    EXPECT_EQ(spec.GetBits(), 0);
    EXPECT_EQ(spec.GetDigit(), 1u);
    spec.SetDigit(8);
    EXPECT_EQ(spec.GetDigit(), 8u);
    spec.SetDigit(0);
    EXPECT_EQ(spec.GetDigit(), 8u);
    spec.Set(static_cast<unsigned short>(0xFF)); // bit 7 is not the setters' to change
    EXPECT_EQ(spec.GetBits(), 0x7F);
    spec.SetSign(false);
    spec.SetHex(false);
    EXPECT_TRUE(spec.IsAscii() && spec.IsBigEndian() && !spec.IsSign() && !spec.IsHex());
    spec.Set(true, false, true, false, 2);
    EXPECT_EQ(spec.GetBits(), 0x25);
    EXPECT_EQ(spec.GetDigit(), 3u);

    DecodeDataByte cell;
    cell.SetFormatSpec(spec.GetBits());
    EXPECT_EQ(cell.GetFormatSpecifier().GetBits(), spec.GetBits());
    EXPECT_EQ(FormatSpecifier::GetInstance().GetBits(), 0);
}

TEST(DecodeDataByteTest, HexEscapesFillTheirCellForms)
{
    const auto text = cell_test::Cells({'8', '2', 'a', '0', 'B', '1', 'c', '2', 0});
    DecodeDataByte out;
    EXPECT_EQ(DecodeDataByte::ReadSingleByte(text.data(), out), 0);
    EXPECT_EQ(out.GetValue(), 0x82u);
    EXPECT_EQ(DecodeDataByte::ReadDoubleByte(text.data(), out), 0);
    EXPECT_EQ(out.GetValue(), 0x600082A0u);
    EXPECT_EQ(DecodeDataByte::ReadTripleByte(text.data(), out), 0);
    EXPECT_EQ(out.GetValue(), 0x6182A0B1u);
    EXPECT_EQ(DecodeDataByte::ReadQuadByte(text.data(), out), 0);
    EXPECT_EQ(out.GetValue(), 0x82A0B1C2u);

    const auto shortText = cell_test::Cells({'4', 0});
    EXPECT_EQ(DecodeDataByte::ReadQuadByte(shortText.data(), out), 0); // stops at the 0 cell
    EXPECT_EQ(out.GetValue(), 0x4u);
    const auto bad = cell_test::Cells({'4', 'g', 0});
    EXPECT_EQ(DecodeDataByte::ReadSingleByte(bad.data(), out), DecodeDataByte::kReadNotHex);
    const auto wide = cell_test::Cells({0x6000'0031, 0});
    EXPECT_EQ(DecodeDataByte::ReadSingleByte(wide.data(), out), DecodeDataByte::kReadNotHex);
}

TEST(DecodeDataByteTest, DecimalNumbersSkipControlCells)
{
    const auto text = cell_test::Cells({0x09, '1', 0xFF, '2', '3', 'x', '4', 0});
    const DecodeDataByte* end = nullptr;
    EXPECT_EQ(DecodeDataByte::StringToLong(text.data(), &end), 123);
    EXPECT_EQ(end, text.data() + 5);
    EXPECT_EQ(DecodeDataByte::StringToLong(text.data() + 7, &end), 0);
    EXPECT_EQ(DecodeDataByte::StringLength(text.data()), 7u);
}

TEST(DecodeDataByteTest, FormatIdsAndFormatTexts)
{
    using Id = std::pair<unsigned char, unsigned char>;
    EXPECT_EQ(Cell(0x6001FF03).GetFormatId(), Id(3, 0xFF));
    EXPECT_EQ(Cell('A').GetFormatId(), Id(254, 0));

    struct Row {
        std::vector<std::uint32_t> text;
        unsigned bits;
    };
    const Row rows[] = {
        {{'%', 'L', '4'}, 0x30}, {{'%', 'B', '1'}, 0x08},      {{'%', 'D', '8'}, 0x72}, {{'%', 'X', '2'}, 0x16},
        {{'%', '-', 'D', '3'}, 0x23}, {{'%', 'D', '9'}, 0x02}, {{'%', 'Q', '1'}, 0},    {{'%', 'D'}, 0},
        {{'%', '+', 'D'}, 0},
    };
    for (const Row& row : rows) {
        const auto cells = cell_test::Cells(row.text);
        EXPECT_EQ(DecodeDataByte::Format_GetFormatSpec(cells.data(), static_cast<unsigned>(cells.size())), row.bits);
    }
}

TEST(DecodeDataByteTest, CheckDigitsChecksumsAndCounts)
{
    struct Gtin {
        std::string digits;
        unsigned check;
    };
    // Published GTINs with their check digits.
    for (const Gtin& g : {Gtin{"629104150021", 3}, Gtin{"400638133393", 1}, Gtin{"03600029145", 2},
                          Gtin{"12A4", 0}, Gtin{"", 0}}) {
        std::vector<std::uint32_t> values(g.digits.begin(), g.digits.end());
        const auto cells = cell_test::Cells(values);
        EXPECT_EQ(DecodeDataByte::Format_CalcGTINCheckDigit(cells.data(), static_cast<unsigned>(cells.size())), g.check)
            << g.digits;
    }

    DecodeDataByte number;
    number.SetFormattedNumber(0x0102);
    DecodeDataByte bigEndian2;
    bigEndian2.SetFormatSpec(0x18);
    const std::vector<DecodeDataByte> cells = {Cell('A'), Cell(0x600082A0), number, bigEndian2, number};
    const unsigned n = static_cast<unsigned>(cells.size());
    // 'A' 0x82 0xA0, then the number as 1 byte (0x02) and as 2 big-endian bytes (0x01 0x02).
    const FormatSpecifier plain;
    EXPECT_EQ(DecodeDataByte::Format_CalcChecksum(cells.data(), n, plain, 0), 0x41u + 0x82 + 0xA0 + 2 + 1 + 2);
    EXPECT_EQ(DecodeDataByte::Format_CalcChecksum(cells.data(), n, plain, 1), 0x41u ^ 0x82 ^ 0xA0 ^ 2 ^ 1 ^ 2);
    EXPECT_EQ(DecodeDataByte::Format_CalcCountOutputByte(cells.data(), n, FormatSpecifier(), 0, 0), 6u);
    EXPECT_EQ(DecodeDataByte::Format_CalcCountOutputByte(cells.data(), n, FormatSpecifier(), 0, 3), 6u + 2 + 3);
    EXPECT_EQ(DecodeDataByte::GetLengthByteCount(cells.data(), n), 3u + 1 + 0 + 1);
}

} // namespace
