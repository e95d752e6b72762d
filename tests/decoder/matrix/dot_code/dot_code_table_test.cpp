// DotCode symbols from zint read through the codeword, correction and data
// stages, from zint's own dot matrix: every code set and mode, the identifier
// modifiers, macros, structured append, one and several correction blocks,
// damage up to the correction capacity and beyond.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoder/matrix/dot_code/dot_code_codewords.h"
#include "decoder/matrix/dot_code/dot_code_decoder.h"
#include "decoder/matrix/dot_code/dot_code_tables.h"
#include "tests/decoder/matrix/dot_code/dot_code_fixture.h"

namespace {

using DEC2DIvra::BinarizationTableForDotCode;
using DEC2DIvra::DecodedLabel;
using DEC2DIvra::DotCodeDecoder;
using dot_code_test::DotCodeInput;
using dot_code_test::ZintDots;

class DotCodeTableTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(harness.IsReady()); }

    DotCodeDecoder& Decoder()
    {
        if (decoder == nullptr) {
            decoder = std::make_unique<DotCodeDecoder>(
                DEC2DIvra::VirtualArray<unsigned char>(area.data(), static_cast<unsigned>(area.size())),
                harness.Property());
        }
        return *decoder;
    }

    // zint's matrix as a table of even width and odd height with a dot at
    // its origin, as the grid stage hands it over.
    BinarizationTableForDotCode Table(std::vector<std::string> const& rows)
    {
        unsigned const height = static_cast<unsigned>(rows.size());
        unsigned const width = height == 0 ? 0 : static_cast<unsigned>(rows[0].size());
        BinarizationTableForDotCode table(DEC2DIvra::VirtualArray<unsigned char>(cells.data(), 128 * 128));
        BinarizationTableForDotCode scratch(DEC2DIvra::VirtualArray<unsigned char>(spare.data(), 128 * 128));
        EXPECT_TRUE(table.SetSize(width, height));
        for (unsigned y = 0; y < height; ++y) {
            for (unsigned x = 0; x < width; ++x) {
                table.At(x, y) = rows[y][x] == '1' ? 1 : 0;
            }
        }
        if (width % 2 == 1) {
            EXPECT_TRUE(table.ExchangeXY(scratch));
        }
        return table;
    }

    bool Decode(BinarizationTableForDotCode table, DecodedLabel& label)
    {
        bool reversed = false;
        return Decoder().DecodeBinarizationTable(table, label, reversed);
    }

    static std::string Data(DecodedLabel const& label) { return std::string(label.data.GetFirst(), label.data.GetCount()); }
    static std::string Aim(DecodedLabel const& label)
    {
        char aim[8] = {};
        label.identifier.GetAIMIdentifier(aim, sizeof(aim));
        return aim;
    }

    dot_code_test::DotCodeHarness harness;
    std::vector<unsigned char> area = std::vector<unsigned char>(1u << 20);
    std::vector<unsigned char> cells = std::vector<unsigned char>(128 * 128);
    std::vector<unsigned char> spare = std::vector<unsigned char>(128 * 128);
    std::unique_ptr<DotCodeDecoder> decoder;
};

TEST(DotCodeTables, PatternsAreTheFiveDotWordsAndTheValueTableInvertsThem)
{
    unsigned seen = 0;
    for (unsigned v = 0; v < DEC2DIvra::DotCodePatternTable::kValues; ++v) {
        unsigned const pattern = DEC2DIvra::DotCodePatternTable::table[v];
        EXPECT_EQ(__builtin_popcount(pattern), 5) << v;
        EXPECT_EQ(DEC2DIvra::DotCodeValueTable::Lookup(pattern), v);
        ++seen;
    }
    EXPECT_EQ(DEC2DIvra::DotCodePatternTable::table[0], 0x155u);
    // The five-dot runs and solid blocks that no codeword uses.
    for (unsigned invalid : {0x01Fu, 0x03Eu, 0x07Cu, 0x0F8u, 0x10Fu, 0x187u, 0x1C3u, 0x1D8u, 0x1E1u, 0x1E2u, 0x1E4u,
                             0x1E8u, 0x1F0u, 0x000u, 0x1FFu, 512u}) {
        EXPECT_EQ(DEC2DIvra::DotCodeValueTable::Lookup(invalid), DEC2DIvra::DotCodeValueTable::kInvalid) << invalid;
    }
    EXPECT_EQ(seen, 113u);
}

TEST(DotCodeTables, SizesNeverGiveAWordTotalOfTwoModThree)
{
    struct Case {
        unsigned dots, words, checks;
    } const cases[] = {
        {38, 5, 3},      // m = 4
        {56, 7, 4},      // m = 6
        {47, 5, 3},      // m = 5 = 2 mod 3: 5 words, not 6
        {1005, 112, 39}, // one block
        {1010, 113, 39}, // two blocks
    };
    for (Case const& c : cases) {
        DEC2DIvra::DotCodeSize size;
        ASSERT_TRUE(size.Calc(c.dots)) << c.dots;
        EXPECT_EQ(size.words, c.words) << c.dots;
        EXPECT_EQ(size.checks, c.checks) << c.dots;
        EXPECT_EQ(size.data, c.words - c.checks);
    }
    DEC2DIvra::DotCodeSize size;
    EXPECT_FALSE(size.Calc(2 + 9 * 848));
    EXPECT_FALSE(size.Calc(20));
}

struct ZintCase {
    char const* name;
    std::string data;
    int inputMode;
    int eci;
    std::string expected;
    char const* aim;
    int columns = 0;
};

TEST_F(DotCodeTableTest, EveryModeOfZintSymbolsReadsWithItsModifier)
{
    std::string binary;
    for (int i = 0; i < 120; ++i) {
        binary.push_back(static_cast<char>((i * 37 + 11) & 0xFF));
    }
    std::string high;
    for (int c = 128; c < 256; ++c) {
        high.push_back(static_cast<char>(c));
    }
    ZintCase const cases[] = {
        {"plain", "DotCode 1234", DATA_MODE, 0, "DotCode 1234", "]J0"},
        {"digits", "12345678901234567890", DATA_MODE, 0, "12345678901234567890", "]J0"},
        {"two digits first", "12ABC", DATA_MODE, 0, "12ABC", "]J0"},
        {"lower and controls", "abc\tdef\r\nGHI\x1c\x1d\x1e xyz", DATA_MODE, 0, "abc\tdef\r\nGHI\x1c\x1d\x1e xyz", "]J0"},
        {"control set A", std::string("\x01\x02\x03 AB\x04\x05", 8), DATA_MODE, 0, std::string("\x01\x02\x03 AB\x04\x05", 8), "]J0"},
        {"bytes above 127", high, DATA_MODE, 0, high, "]J0"},
        {"binary", binary, DATA_MODE, 0, binary, "]J0"},
        {"gs1", "[01]09501101530003[17]250101[10]AB12", GS1_MODE, 0, "010950110153000317250101" "10AB12", "]J1"},
        {"gs1 variable", "[10]ABC[21]123", GS1_MODE, 0, "10ABC\x1d" "21123", "]J1"},
        {"eci", "Ab\\cd", DATA_MODE, 26, "\\000026Ab\\\\cd", "]J3"},
        {"eci large", "Ab", DATA_MODE, 899, "\\000899Ab", "]J3"},
        {"macro 05", "[)>\x1e" "05\x1dHello\x1e\x04", DATA_MODE, 0, "[)>\x1e" "05\x1dHello\x1e\x04", "]J0"},
        {"macro 06", "[)>\x1e" "06\x1dHello\x1e\x04", DATA_MODE, 0, "[)>\x1e" "06\x1dHello\x1e\x04", "]J0"},
        // Past 112 words: interleaved correction blocks, data words a multiple
        // of the block count or not.
        {"two blocks", std::string(200, 'a') + "xyz", DATA_MODE, 0, std::string(200, 'a') + "xyz", "]J0", 71},
        {"two blocks odd", std::string(201, 'a') + "xyz", DATA_MODE, 0, std::string(201, 'a') + "xyz", "]J0", 71},
        {"three blocks", std::string(360, 'a'), DATA_MODE, 0, std::string(360, 'a'), "]J0", 101},
        // Over 561 words: the codeword array holds every word a table can give.
        {"over 561 words", std::string(420, 'a') + std::string(10, 'Z'), DATA_MODE, 0,
         std::string(420, 'a') + std::string(10, 'Z'), "]J0", 113},
    };
    for (ZintCase const& c : cases) {
        support::SymbolInput input = DotCodeInput(c.data, c.inputMode, c.eci);
        input.option2 = c.columns;
        std::vector<std::string> const rows = ZintDots(input);
        ASSERT_FALSE(rows.empty()) << c.name;
        DecodedLabel label;
        ASSERT_TRUE(Decode(Table(rows), label)) << c.name << " " << rows[0].size() << "x" << rows.size();
        EXPECT_EQ(Data(label), c.expected) << c.name;
        EXPECT_EQ(Aim(label), c.aim) << c.name;
    }
}

TEST_F(DotCodeTableTest, StructuredAppendGivesTheRecordAndNotTheTrailer)
{
    std::vector<std::string> const rows = ZintDots(DotCodeInput("Part two"), 2, 3);
    ASSERT_FALSE(rows.empty());
    DecodedLabel label;
    ASSERT_TRUE(Decode(Table(rows), label));
    EXPECT_EQ(Data(label), "Part two");
    EXPECT_EQ(label.structuredAppend.mode, 1u);
    EXPECT_EQ(label.structuredAppend.value2, 3u);
    EXPECT_EQ(label.structuredAppend.value3, 2u);
}

TEST_F(DotCodeTableTest, TurnedAndMirroredTablesRead)
{
    std::vector<std::string> const rows = ZintDots(DotCodeInput("Orientation 42"));
    ASSERT_FALSE(rows.empty());
    std::vector<std::string> upsideDown(rows.rbegin(), rows.rend());  // turned by half
    for (std::string& row : upsideDown) {
        row.assign(row.rbegin(), row.rend());
    }
    std::vector<std::string> const mirrored(rows.rbegin(), rows.rend());
    for (std::vector<std::string> const* variant : {&rows, const_cast<std::vector<std::string> const*>(&upsideDown), &mirrored}) {
        BinarizationTableForDotCode table = Table(*variant);
        // Dots stand at (0, 0) once the table is turned to even width.
        if (table.At(0, 0) == 0 && table.At(1, 0) != 0) {
            table.ReverseX();
        }
        DecodedLabel label;
        ASSERT_TRUE(Decode(table, label));
        EXPECT_EQ(Data(label), "Orientation 42");
    }
}

TEST_F(DotCodeTableTest, DamageUpToTheCorrectionCapacityOnlyAndNeverAWrongLabel)
{
    std::string const text = "Reed-Solomon over GF(113) 0123456789";
    std::vector<std::string> const rows = ZintDots(DotCodeInput(text));
    ASSERT_FALSE(rows.empty());
    BinarizationTableForDotCode table = Table(rows);
    DEC2DIvra::DotCodeSize size;
    ASSERT_TRUE(size.Calc(table.GetDotCount()));
    DecodedLabel clean;
    bool reversed = false;
    ASSERT_TRUE(Decoder().DecodeBinarizationTable(table, clean, reversed));
    auto const order = reversed ? BinarizationTableForDotCode::kReverse : BinarizationTableForDotCode::kForward;
    // Wipe whole codewords (nine dots each, in the order the symbol reads):
    // an invalid pattern is an erasure, so the check words less the reserve
    // of two can be wiped.
    unsigned const capacity = size.checks - 2;
    for (unsigned wiped = 0; wiped <= size.checks; ++wiped) {
        BinarizationTableForDotCode damaged = Table(rows);
        for (unsigned w = 0; w < wiped; ++w) {
            for (unsigned b = 0; b < 9; ++b) {
                unsigned x = 0;
                unsigned y = 0;
                ASSERT_TRUE(damaged.GetCoord(order, 2 + 9 * (1 + 2 * w) + b, x, y));
                damaged.At(x, y) = 0;
            }
        }
        DecodedLabel label;
        bool const read = Decode(damaged, label);
        if (wiped <= capacity) {
            EXPECT_TRUE(read) << wiped << " of " << capacity;
            EXPECT_EQ(Data(label), text) << wiped;
        } else if (read) {
            EXPECT_EQ(Data(label), text) << wiped << ": a wrong label";
        }
    }
}

TEST_F(DotCodeTableTest, TheSymbolRecordRepaintsTheTableFromTheCorrectedCodewords)
{
    std::vector<std::string> const rows = ZintDots(DotCodeInput("Repainted 0123456789"));
    ASSERT_FALSE(rows.empty());
    BinarizationTableForDotCode table = Table(rows);
    std::vector<unsigned char> const printed(cells.begin(), cells.begin() + table.GetWidth() * table.GetHeight());
    harness.Settings().code.common_2d.fill_symbol_record.Set(true);
    // Two codewords wiped and a stray dot where the ground is: the repaint
    // is the symbol as printed, dots after the last codeword included.
    for (unsigned x = 2; x < 8; ++x) {
        table.At(x, 2 - x % 2) = 0;
    }
    table.At(4, 4) = table.At(4, 4) != 0 ? 0 : 1;
    DecodedLabel label;
    bool reversed = false;
    ASSERT_TRUE(Decoder().DecodeBinarizationTable(table, label, reversed));
    EXPECT_EQ(Data(label), "Repainted 0123456789");
    std::vector<unsigned char> const repainted(cells.begin(), cells.begin() + table.GetWidth() * table.GetHeight());
    EXPECT_EQ(repainted, printed);
}

TEST_F(DotCodeTableTest, SettingsSuppressEscapesAndRestrictTheLength)
{
    std::vector<std::string> const eci = ZintDots(DotCodeInput("A\\B", DATA_MODE, 26));
    std::vector<std::string> const plain = ZintDots(DotCodeInput("DotCode 1234"));
    ASSERT_FALSE(eci.empty());
    ASSERT_FALSE(plain.empty());
    auto& root = harness.Settings();
    root.code.common_2d.suppress_eci_escape.Set(true);
    DecodedLabel label;
    ASSERT_TRUE(Decode(Table(eci), label));
    EXPECT_EQ(Data(label), "A\\B");
    EXPECT_EQ(Aim(label), "]J3");

    ivra_configuration::FixedLength length{};
    length.minimum = 13;
    length.maximum = ivra_configuration::FixedLength::kNoMaximum;
    root.fixed_length.dot_code.Set(length);
    EXPECT_FALSE(Decode(Table(plain), label));
    length.minimum = 12;
    root.fixed_length.dot_code.Set(length);
    EXPECT_TRUE(Decode(Table(plain), label));
}

}  // namespace
