#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "format/decode_data_byte.h"
#include "tests/format/data_edit/cell_test_support.h"
#include "tests/format/iconv_oracle.h"

using cell_test::Values;
using Encode = DecodeDataByte::EncodeType;

namespace {

using Counted = int (*)(unsigned*, const unsigned char*, unsigned, DecodeDataByte*, unsigned);
using Terminated = unsigned (*)(const unsigned char*, DecodeDataByte*, unsigned);

const Counted kAscii = &DecodeDataByte::AsciiStringToCharacterTypeString;
const Counted kBinary = &DecodeDataByte::BinaryStringToCharacterTypeString;
const Counted kShiftJis = &DecodeDataByte::ShiftJisToCharacterTypeString;
const Counted kGB18030 = &DecodeDataByte::GB18030ToCharacterTypeString;
const Counted kBig5 = &DecodeDataByte::Big5ToCharacterTypeString;
const Counted kUhc = &DecodeDataByte::UhcToCharacterTypeString;
const Counted kUtf8 = &DecodeDataByte::Utf8ToCharacterTypeString;
const Counted kUtf16BE = &DecodeDataByte::Utf16BEToCharacterTypeString;
const Counted kUtf16LE = &DecodeDataByte::Utf16LEToCharacterTypeString;
const Counted kUtf16 = &DecodeDataByte::Utf16ToCharacterTypeString;

constexpr std::uint32_t kGuard = 0xDEADBEEF;

struct ReadOutcome {
    int result;
    unsigned count;
    std::vector<std::uint32_t> cells;
    bool guardIntact;
};

// Reads into a destination of `room` cells followed by guard cells.
ReadOutcome Read(Counted reader, const std::string& bytes, unsigned room)
{
    std::vector<DecodeDataByte> dst(room + 4, cell_test::Cell(kGuard));
    unsigned count = 12345;
    const int result = reader(&count, reinterpret_cast<const unsigned char*>(bytes.data()),
                              static_cast<unsigned>(bytes.size()), dst.data(), room);
    bool intact = true;
    for (unsigned i = room; i < dst.size(); ++i)
        intact = intact && dst[i].GetValue() == kGuard;
    const unsigned shown = result == 0 ? count : 0;
    return {result, count, Values(dst.data(), shown), intact};
}

struct Row {
    const char* what;
    Counted reader;
    std::string bytes;
    int result;
    std::vector<std::uint32_t> cells;
};

const std::vector<Row>& Rows()
{
    using S = std::string;
    static const std::vector<Row> rows = {
        {"ascii specials", kAscii, "A\x80\x84\xEF", 0, {0x41, 0xE10080, 0xE1000D, 0xE001EF}},
        {"ascii refuses other high bytes", kAscii, "A\x81", 4, {}},
        {"binary keeps every byte", kBinary, S("\x00\xFF", 2), 0, {0x00, 0xFF}},
        {"sjis", kShiftJis, "A\xB1\x82\xA0\xE0\x40\xFC\xFC", 0, {0x41, 0xE002B1, 0x600082A0, 0x6000E040, 0x6000FCFC}},
        {"sjis bad trail", kShiftJis, "\x82\x3F", 0, {0xE10182, 0x3F}},
        {"sjis lone bytes", kShiftJis, "\xA0\xFD\xFF", 0, {0xE101A0, 0xE101FD, 0xE101FF}},
        {"sjis truncated", kShiftJis, "A\x82", 0, {0x41, 0xE10182}},
        {"gb18030", kGB18030, "\xB0\xA1\x81\x30\x81\x30", 0, {0x6000B0A1, 0x81308130}},
        {"gb18030 lone bytes", kGB18030, "\x80\xFF\x81\x7F", 0, {0xE10180, 0xE101FF, 0xE10181, 0x7F}},
        {"gb18030 truncated four-byte", kGB18030, "\x81\x30\x81", 0, {0xE10181, 0x30, 0xE10181}},
        {"big5", kBig5, "\xA4\x40\xA4\xA1", 0, {0x6000A440, 0x6000A4A1}},
        {"big5 bad trail", kBig5, "\xA4\x80\xFF", 0, {0xE101A4, 0xE10180, 0xE101FF}},
        {"uhc", kUhc, "\xB0\xA1\x81\x41", 0, {0x6000B0A1, 0x60008141}},
        {"uhc bad trail", kUhc, "\x81\x5B", 0, {0xE10181, 0x5B}},
        {"utf-8", kUtf8, "\xC3\xA9\xE3\x81\x82\xF0\x9F\x98\x80", 0, {0xE9, 0x3042, 0x1F600}},
        {"utf-8 bad trail", kUtf8, "\xE3\xC1\x82", 0, {0xE101E3, 0xE101C1, 0xE10182}},
        {"utf-8 truncated", kUtf8, "\xE3\x81", 0, {0xE101E3, 0xE10181}},
        // A hidden NUL or '/' does not come through as a character.
        {"utf-8 overlong", kUtf8, "\xE0\x80\x80\xC0\xAF", 0, {0xE101E0, 0xE10180, 0xE10180, 0xE101C0, 0xE101AF}},
        {"utf-8 surrogate", kUtf8, "\xED\xA0\x80", 0, {0xE101ED, 0xE101A0, 0xE10180}},
        {"utf-8 past U+10FFFF", kUtf8, "\xF4\x90\x80\x80", 0, {0xE101F4, 0xE10190, 0xE10180, 0xE10180}},
        {"utf-16be", kUtf16BE, S("\x30\x42\x00\x41\xD8\x3D\xDE\x00", 8), 0, {0x3042, 0x41, 0x1F600}},
        {"utf-16be lone low surrogate", kUtf16BE, S("\xDC\x00\x41\x00\x42", 5), 0, {0xE101DC, 0x41, 0x42}},
        {"utf-16be unpaired high", kUtf16BE, S("\xD8\x3D\x00\x41", 4), 0, {0xE101D8, 0x3D00}},
        {"utf-16be odd last byte", kUtf16BE, S("\x00\x41\x00", 3), 0, {0x41}},
        {"utf-16be one byte", kUtf16BE, "\x41", 0, {}},
        {"utf-16le", kUtf16LE, S("\x42\x30\x3D\xD8\x00\xDE", 6), 0, {0x3042, 0x1F600}},
        {"utf-16le lone low surrogate", kUtf16LE, S("\x00\xDC\x41\x00", 4), 0, {0xE101DC, 0x41DC}},
        {"utf-16 mark little", kUtf16, S("\xFF\xFE\x41\x00", 4), 0, {0x41}},
        {"utf-16 mark big", kUtf16, S("\xFE\xFF\x00\x41", 4), 0, {0x41}},
        {"utf-16 no mark", kUtf16, S("\x00\x41", 2), 0, {0x41}},
        {"utf-16 lone byte", kUtf16, "\xFF", 0, {}},
        {"empty", kShiftJis, "", 0, {}},
    };
    return rows;
}

TEST(CharacterReadersTest, ValidAndMalformedBytesOfEachEncoding)
{
    for (const Row& row : Rows()) {
        SCOPED_TRACE(row.what);
        const ReadOutcome got = Read(row.reader, row.bytes, 64);
        EXPECT_EQ(got.result, row.result);
        EXPECT_EQ(got.cells, row.cells);
        EXPECT_TRUE(got.guardIntact);
    }
}

TEST(CharacterReadersTest, DestinationIsNeverOverrun)
{
    for (const Row& row : Rows()) {
        if (row.result != 0)
            continue;
        SCOPED_TRACE(row.what);
        const unsigned need = static_cast<unsigned>(row.cells.size()) + 1; // the closing 0 cell
        const ReadOutcome exact = Read(row.reader, row.bytes, need);
        EXPECT_EQ(exact.result, 0);
        EXPECT_EQ(exact.cells, row.cells);
        EXPECT_TRUE(exact.guardIntact);

        const ReadOutcome shortOne = Read(row.reader, row.bytes, need - 1);
        EXPECT_EQ(shortOne.result, DecodeDataByte::kReadNoRoom);
        EXPECT_EQ(shortOne.count, 0u);
        EXPECT_TRUE(shortOne.guardIntact);
    }
    // A refusal leaves an empty string, not a partial one.
    std::vector<DecodeDataByte> dst(4, cell_test::Cell(kGuard));
    unsigned count = 9;
    const unsigned char bytes[] = {'A', 'B', 0x81};
    EXPECT_EQ(DecodeDataByte::AsciiStringToCharacterTypeString(&count, bytes, 3, dst.data(), 4), 4);
    EXPECT_EQ(dst[0].GetValue(), 0u);
    EXPECT_EQ(count, 0u);
}

TEST(CharacterReadersTest, TerminatedFormRefusesInvalidTextAndFullDestinations)
{
    using T = Terminated;
    struct TRow {
        T reader;
        const char* text;
        unsigned room;
        std::vector<std::uint32_t> cells; // empty: the reader returns 0
    };
    const TRow rows[] = {
        {&DecodeDataByte::AsciiStringToCharacterTypeString, "A\x80\xEF", 8, {0x41, 0xE10080, 0xE001EF}},
        {&DecodeDataByte::AsciiStringToCharacterTypeString, "A\x81", 8, {}},
        {&DecodeDataByte::ShiftJisToCharacterTypeString, "A\xA0\xB1\x82\xA0", 8, {0x41, 0xA0, 0xE002B1, 0x600082A0}},
        {&DecodeDataByte::ShiftJisToCharacterTypeString, "\x82\x3F", 8, {}},
        {&DecodeDataByte::ShiftJisToCharacterTypeString, "A\x82", 8, {}},
        {&DecodeDataByte::GB18030ToCharacterTypeString, "\x80\x81\x30\x81\x30", 8, {0xE10180, 0x81308130}},
        {&DecodeDataByte::GB18030ToCharacterTypeString, "\x81\x30\x81", 8, {}},
        {&DecodeDataByte::Big5ToCharacterTypeString, "\x80\xA4\x40", 8, {0x80, 0x6000A440}},
        {&DecodeDataByte::Big5ToCharacterTypeString, "\xA4\x80", 8, {}},
        {&DecodeDataByte::UhcToCharacterTypeString, "\x81\x5B", 8, {}},
        {&DecodeDataByte::UhcToCharacterTypeString, "ABC", 4, {0x41, 0x42, 0x43}},
        {&DecodeDataByte::UhcToCharacterTypeString, "ABC", 3, {}},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.text);
        std::vector<DecodeDataByte> dst(row.room + 2, cell_test::Cell(kGuard));
        const unsigned n = row.reader(reinterpret_cast<const unsigned char*>(row.text), dst.data(), row.room);
        EXPECT_EQ(Values(dst.data(), n), row.cells);
        EXPECT_EQ(dst[n].GetValue(), 0u);
        EXPECT_EQ(dst[row.room].GetValue(), kGuard);
    }
}

TEST(CharacterReadersTest, LabelsAndSettingTextsAreReadInTheConfiguredCodePage)
{
    struct DRow {
        Encode encode;
        bool ascii;
        std::vector<std::uint32_t> label;
        std::vector<std::uint32_t> setting;
    };
    // The bytes 0x82 0xA0 (Shift JIS HIRAGANA A) under each code page.
    const DRow rows[] = {
        {Encode::Binary, false, {0x82, 0xA0}, {0x82, 0xA0}},
        {Encode::Binary, true, {}, {0x82, 0xA0}}, // the ASCII reader refuses 0x82
        {Encode::ShiftJis, false, {0x600082A0}, {0x600082A0}},
        {Encode::GB18030, false, {0x600082A0}, {0x600082A0}},
        {Encode::Big5, false, {0xE10182, 0xE101A0}, {0xE10182, 0xE101A0}},
        {Encode::Uhc, false, {0x600082A0}, {0x600082A0}},
        {Encode::Utf8, false, {0xE10182, 0xE101A0}, {0xE10182, 0xE101A0}},
        {Encode::Utf16BE, false, {0x82A0}, {0xE10182, 0xE101A0}},
        {Encode::Utf16LE, false, {0xA082}, {0xE10182, 0xE101A0}},
        {static_cast<Encode>(42), false, {0x82, 0xA0}, {0x82, 0xA0}},
    };
    const unsigned char bytes[] = {0x82, 0xA0};
    for (const DRow& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.encode));
        cell_test::EncodeTypeScope scope(row.encode);
        DecodeDataByte dst[8];
        unsigned count = 0;
        const int label = DecodeDataByte::CStringToCharacterTypeString(&count, bytes, 2, dst, 8, row.ascii);
        EXPECT_EQ(label == 0 ? Values(dst, count) : std::vector<std::uint32_t>{}, row.label);
        ASSERT_EQ(DecodeDataByte::CStringToCharacterTypeMenuString(&count, bytes, 2, dst, 8), 0);
        EXPECT_EQ(Values(dst, count), row.setting);
    }
}

// Characters of a code page, each with its bytes, as iconv encodes them.
std::vector<std::vector<unsigned char>> CharactersOf(const std::string& charset)
{
    std::vector<std::vector<unsigned char>> chars;
    const std::pair<std::uint32_t, std::uint32_t> ranges[] = {
        {0x20, 0x7E},     {0xA0, 0x17F},    {0x391, 0x3C9},     {0x410, 0x44F},   {0x3000, 0x30FF},
        {0x4E00, 0x9FA5}, {0xAC00, 0xD7A3}, {0xE000, 0xE0FF},   {0xFF01, 0xFFEF}, {0x1F300, 0x1F64F},
    };
    for (auto [first, last] : ranges)
        for (std::uint32_t cp = first; cp <= last; cp += (last - first > 2000 ? 7 : 1))
            if (auto bytes = iconv_oracle::Encode(charset, cp))
                chars.push_back(*bytes);
    return chars;
}

std::uint32_t ExpectedCell(const std::vector<unsigned char>& b, bool shiftJis)
{
    switch (b.size()) {
    case 1:
        if (b[0] < 0x80)
            return b[0];
        return (shiftJis && b[0] >= 0xA1 && b[0] <= 0xDF) ? 0xE00200u | b[0] : 0xE10100u | b[0];
    case 2: return 0x60000000u | b[0] << 8 | b[1];
    case 4: return std::uint32_t{b[0]} << 24 | b[1] << 16 | b[2] << 8 | b[3];
    default: return kGuard;
    }
}

TEST(CharacterReadersTest, MultiByteReadersCutTextIntoTheCharactersIconvMade)
{
    const std::pair<const char*, Counted> codePages[] = {
        {"SHIFT_JIS", kShiftJis}, {"GB18030", kGB18030}, {"BIG5", kBig5}, {"CP949", kUhc}};
    std::mt19937 random(7);
    for (auto [charset, reader] : codePages) {
        SCOPED_TRACE(charset);
        const auto chars = CharactersOf(charset);
        ASSERT_GT(chars.size(), 1000u);
        std::string text;
        std::vector<std::uint32_t> expected;
        for (int i = 0; i < 4000; ++i) {
            const auto& c = chars[random() % chars.size()];
            text.append(c.begin(), c.end());
            expected.push_back(ExpectedCell(c, reader == kShiftJis));
        }
        const ReadOutcome got = Read(reader, text, static_cast<unsigned>(expected.size()) + 1);
        ASSERT_EQ(got.result, 0);
        EXPECT_EQ(got.cells, expected);
    }
}

TEST(CharacterReadersTest, UnicodeReadersAgreeWithIconv)
{
    std::mt19937 random(11);
    std::vector<std::uint32_t> codePoints;
    while (codePoints.size() < 5000) {
        // Every plane, with the small values more often.
        const std::uint32_t cp = random() % 4 == 0 ? random() % 0x110000 : random() % 0x3000;
        if (cp != 0 && (cp < 0xD800 || cp > 0xDFFF))
            codePoints.push_back(cp);
    }
    const std::pair<const char*, Counted> forms[] = {
        {"UTF-8", kUtf8}, {"UTF-16BE", kUtf16BE}, {"UTF-16LE", kUtf16LE}, {"UTF-16", kUtf16}};
    for (auto [charset, reader] : forms) {
        SCOPED_TRACE(charset);
        const auto encoded = iconv_oracle::Convert("UTF-32LE", charset, iconv_oracle::Utf32(codePoints));
        ASSERT_TRUE(encoded);
        const ReadOutcome got = Read(reader, std::string(encoded->begin(), encoded->end()), 6000);
        ASSERT_EQ(got.result, 0);
        EXPECT_EQ(got.cells, codePoints);
    }
}

TEST(CharacterReadersTest, MultiByteReadersKeepEveryByteOfArbitraryInput)
{
    std::mt19937 random(3);
    for (Counted reader : {kBinary, kShiftJis, kGB18030, kBig5, kUhc}) {
        for (int round = 0; round < 200; ++round) {
            std::string bytes(random() % 40, '\0');
            for (char& b : bytes)
                b = static_cast<char>(random() % 3 == 0 ? random() % 0x80 : 0x80 + random() % 0x80);
            std::vector<DecodeDataByte> dst(bytes.size() + 1);
            unsigned count = 0;
            ASSERT_EQ(reader(&count, reinterpret_cast<const unsigned char*>(bytes.data()),
                             static_cast<unsigned>(bytes.size()), dst.data(), static_cast<unsigned>(dst.size())),
                      0);
            std::string back;
            for (unsigned i = 0; i < count; ++i) {
                unsigned char out[8];
                unsigned n = 0;
                ASSERT_EQ(dst[i].GetEntityOutputBytes(out, sizeof out, &n, FormatSpecifier()), 1);
                back.append(reinterpret_cast<char*>(out), n);
                if (dst[i].GetValue() == 0)
                    back.push_back('\0'); // a 0 byte reads as a 0 cell
            }
            EXPECT_EQ(back, bytes);
        }
    }
}

} // namespace
