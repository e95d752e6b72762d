// Codablock F: whole symbols through the fixed band of DEC2D_Main (the frame
// finds the other rows with the locator), damaged symbols that must give no
// label and never a row as a Code 128 label, and the row rules on made-up
// Code 128 reads.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "decoder/core/property/dec2d_property.h"
#include "decoder/linear/code128/codablock_f_decoder.h"
#include "decoder/linear/code128/code128_decoder.h"
#include "decoder/linear/code128/code128_interpreter.h"
#include "decoder/linear/code128/code128_table.h"
#include "tests/decoder/linear/frame_fixture.h"
#include "tests/support/symbol_renderer.h"

namespace codablock_f_test {
namespace {

using namespace DEC2DIvra;

class CodablockFTest : public ::testing::Test {
protected:
    CodablockFTest()
    {
        EXPECT_TRUE(harness.IsReady());
        harness.ClearLengthLimits();
        harness.Settings().read.codablock_f.Set(true);
    }

    support::Rendering Render(std::string const& data, int columns = 0, int frameWidth = support::kFrameWidth)
    {
        support::Rendering r = support::render({.symbology = BARCODE_CODABLOCKF, .data = data, .option2 = columns},
                                               {.frameWidth = frameWidth, .moduleSize = 2.2});
        EXPECT_TRUE(r.symbol.ok) << r.symbol.error;
        return r;
    }

    // The pixel rows of symbol row k (angle 0).
    static std::pair<int, int> RowBand(support::Rendering const& r, int k)
    {
        double const top = r.symbol.corners[0].y;
        double const height = (r.symbol.corners[3].y - top) / r.symbol.rows;
        return {static_cast<int>(top + k * height + 1), static_cast<int>(top + (k + 1) * height - 1)};
    }

    frame_test::LinearFrameHarness harness;
};

TEST_F(CodablockFTest, ReadsTheWholeSymbolAsOneLabel)
{
    std::string const data = "CODABLOCK F TEST 0123456789";
    support::Rendering const r = Render(data);
    ASSERT_GE(r.symbol.rows, 3);
    std::vector<frame_test::Read> const reads = harness.ReadFixedBand(r.frame);
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(reads[0].data, data);
    EXPECT_EQ(reads[0].symbology, SYMBOLOGY_CODABLOCK_F);
    EXPECT_EQ(reads[0].aim, "]O4");
    EXPECT_EQ(reads[0].maker, 'E');
}

TEST_F(CodablockFTest, ReadsNumericRowsLongerThanSixtyFourBytes)
{
    // Rows of 40 columns hold 36 characters, 72 digits, in code set C.
    std::string digits;
    for (int i = 0; i < 200; ++i) {
        digits += static_cast<char>('0' + (i * 7 + i / 10) % 10);
    }
    support::Rendering const r = Render(digits, 40, 1280);
    std::vector<frame_test::Read> const reads = harness.ReadFixedBand(r.frame);
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(reads[0].data, digits);
}

TEST_F(CodablockFTest, ARowMissingGivesNoLabelAndNoRowAsCode128)
{
    support::Rendering r = Render("CODABLOCK F TEST 0123456789");
    auto const [top, bottom] = RowBand(r, 1);
    for (int y = top; y <= bottom; ++y) {
        std::fill_n(r.frame.pixels.begin() + static_cast<long>(y) * r.frame.width, r.frame.width, 900);
    }
    for (frame_test::Read const& read : harness.ReadFixedBand(r.frame)) {
        ADD_FAILURE() << "label " << read.data << " of symbology " << read.symbology;
    }
}

TEST_F(CodablockFTest, RowsOutOfOrderGiveTheSymbol)
{
    std::string const data = "CODABLOCK F TEST 0123456789";
    support::Rendering r = Render(data);
    auto const a = RowBand(r, 1);
    auto const b = RowBand(r, 3);
    int const height = std::min(a.second - a.first, b.second - b.first);
    for (int d = 0; d <= height; ++d) {
        std::swap_ranges(r.frame.pixels.begin() + static_cast<long>(a.first + d) * r.frame.width,
                         r.frame.pixels.begin() + static_cast<long>(a.first + d + 1) * r.frame.width,
                         r.frame.pixels.begin() + static_cast<long>(b.first + d) * r.frame.width);
    }
    // The row indicators put the rows back in order.
    std::vector<frame_test::Read> const reads = harness.ReadFixedBand(r.frame);
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(reads[0].data, data);
    EXPECT_EQ(reads[0].symbology, SYMBOLOGY_CODABLOCK_F);
}

TEST_F(CodablockFTest, OffTheRowsAreCode128)
{
    harness.Settings().read.codablock_f.Set(false);
    std::vector<frame_test::Read> const reads = harness.ReadFixedBand(Render("CODABLOCK F TEST 0123456789").frame);
    ASSERT_FALSE(reads.empty()) << "the rows are Code 128 symbols";
    for (frame_test::Read const& read : reads) {
        EXPECT_EQ(read.symbology, SYMBOLOGY_CODE128);
    }
}

// Made-up rows: symbol values in reading order to bar symbols.
StackInterface<BarSymbol> Symbols(std::vector<unsigned> const& values, std::vector<BarSymbol>& storage)
{
    storage.clear();
    for (unsigned v : values) {
        BarSymbol s;
        s.value = Code128Table::CalcKey(v);
        storage.push_back(s);
    }
    StackInterface<BarSymbol> stack(storage.data(), static_cast<unsigned>(storage.size()));
    stack.SetCount(static_cast<unsigned>(storage.size()));
    return stack;
}

struct RowCase {
    unsigned subset;
    unsigned indicator;
    bool valid;
    unsigned skip;
    int rows;
    int row;
};

TEST_F(CodablockFTest, RowIndicatorRules)
{
    CodablockFDecoder const& decoder = harness.Frame().GetCodablockFDecoder();
    RowCase const cases[] = {
        {99, 0, true, 2, 2, 1},    {99, 42, true, 2, 44, 1}, {99, 43, true, 2, 0, 2},   {99, 85, true, 2, 0, 44},
        {99, 86, false, 2, 0, 0},  {99, 99, false, 2, 0, 0}, {99, 102, false, 2, 0, 0}, {100, 64, true, 1, 2, 1},
        {100, 95, true, 1, 33, 1}, {98, 0, true, 1, 34, 1},  {98, 10, true, 1, 44, 1},  {100, 11, true, 1, 0, 2},
        {100, 63, true, 1, 0, 44}, {100, 16, false, 1, 0, 0}, {100, 25, false, 1, 0, 0}, {100, 96, false, 1, 0, 0},
        {101, 20, false, 0, 0, 0},
    };
    std::vector<BarSymbol> storage;
    for (RowCase const& c : cases) {
        StackInterface<BarSymbol> const symbols = Symbols({103, c.subset, c.indicator, 33, 10, 106}, storage);
        unsigned skip = 0;
        int rows = 0;
        int row = 0;
        bool const valid = decoder.CalcTotalRowsAndRowNumber(false, symbols, skip, rows, row);
        EXPECT_EQ(valid, c.valid) << c.subset << "/" << c.indicator;
        if (valid) {
            EXPECT_EQ(skip, c.skip) << c.subset << "/" << c.indicator;
            EXPECT_EQ(rows, c.rows) << c.subset << "/" << c.indicator;
            EXPECT_EQ(row, c.row) << c.subset << "/" << c.indicator;
        }
    }
}

// A row as the Code 128 decoder would hand it over; false when the frame's
// Codablock F decoder refuses it.
bool AddRow(CodablockFDecoder& decoder, std::vector<unsigned> values)
{
    unsigned long long sum = values[0];
    for (size_t i = 1; i < values.size(); ++i) {
        sum += i * values[i];
    }
    values.push_back(static_cast<unsigned>(sum % 103));
    values.push_back(106);
    std::vector<unsigned char> bytes(values.begin(), values.end());
    char text[256];
    StackInterface<char> data(text, sizeof text);
    Code128Interpretation reading;
    if (!Code128Interpreter::Start(bytes.data(), static_cast<unsigned>(bytes.size()), data, reading)) {
        return false;
    }
    Code128Identifier identifier(reading.modifier, SYMBOLOGY_CODABLOCK_F);
    identifier.SetModifierBit(10, true);
    std::vector<BarSymbol> storage;
    StackInterface<BarSymbol> const symbols = Symbols(values, storage);
    return decoder.AddCode128DecodeResult(identifier, data, Region{}, false, symbols);
}

// K1 and K2 of the joined data, written as code set B characters.
std::pair<unsigned, unsigned> CheckValues(std::string const& data)
{
    unsigned long long k1 = 0;
    unsigned long long k2 = 0;
    for (size_t i = 0; i < data.size(); ++i) {
        k1 += (i + 1) * static_cast<unsigned char>(data[i]);
        k2 += i * static_cast<unsigned char>(data[i]);
    }
    auto encode = [](unsigned k) { return k < 32 ? k + 64 : (k < 48 ? k - 32 : k - 22); };
    return {encode(static_cast<unsigned>(k1 % 86)), encode(static_cast<unsigned>(k2 % 86))};
}

TEST_F(CodablockFTest, Fnc1AsFirstDataCharacterMarksGs1Data)
{
    // Two rows, code set B: row 1 "FNC1 01", row 2 "23" + K1 K2. The FNC1
    // writes no byte and the label reports ]O5.
    CodablockFDecoder decoder(harness.Property().codablock_f);
    auto const [k1, k2] = CheckValues("0123");
    ASSERT_TRUE(AddRow(decoder, {103, 100, 64, 102, 16, 17}));
    ASSERT_TRUE(AddRow(decoder, {103, 100, 11, 18, 19, k1, k2}));
    DecodedLabel label;
    ASSERT_EQ(decoder.Start(label), 1);
    EXPECT_EQ(std::string(label.data.GetFirst(), label.data.GetCount()), "0123");
    char aim[8] = {};
    label.identifier.GetAIMIdentifier(aim, sizeof aim);
    EXPECT_STREQ(aim, "]O5");
}

TEST_F(CodablockFTest, SymbolCheckAndRowCountDecide)
{
    auto const [k1, k2] = CheckValues("ABCD");
    DecodedLabel label;
    {
        CodablockFDecoder decoder(harness.Property().codablock_f);
        ASSERT_TRUE(AddRow(decoder, {103, 100, 11, 35, 36, k1, k2}));
        EXPECT_EQ(decoder.Start(label), 0) << "no first row";
        ASSERT_TRUE(AddRow(decoder, {103, 100, 64, 33, 34}));
        EXPECT_EQ(decoder.Start(label), 1) << "rows added last first";
        EXPECT_EQ(std::string(label.data.GetFirst(), label.data.GetCount()), "ABCD");
    }
    {
        CodablockFDecoder decoder(harness.Property().codablock_f);
        ASSERT_TRUE(AddRow(decoder, {103, 100, 64, 33, 34}));
        ASSERT_TRUE(AddRow(decoder, {103, 100, 11, 35, 37, k1, k2}));
        EXPECT_EQ(decoder.Start(label), 0) << "wrong symbol check";
    }
    {
        CodablockFDecoder decoder(harness.Property().codablock_f);
        ASSERT_TRUE(AddRow(decoder, {103, 100, 65, 33, 34}));  // announces three rows
        ASSERT_TRUE(AddRow(decoder, {103, 100, 11, 35, 36, k1, k2}));
        EXPECT_EQ(decoder.Start(label), 0) << "third row missing";
    }
    {
        CodablockFDecoder decoder(harness.Property().codablock_f);
        EXPECT_FALSE(AddRow(decoder, {103, 99, 90, 33, 34})) << "row 49 of 44";
    }
}

struct GapCase {
    char const* name;
    int announced;             // rows the first row announces; 0: no first row
    std::vector<unsigned> read;  // other row numbers read
    unsigned long long seeded;
    unsigned expected;         // 0: none
};

TEST_F(CodablockFTest, RowBesideAGapIsOfferedOnceAsASeed)
{
    // Row indicators in code set B: first row r = rows + 62; row n at n + 9
    // (2-6) or n + 19 (7-44).
    auto indicator = [](unsigned n) { return n <= 6 ? n + 9 : n + 19; };
    GapCase const cases[] = {
        {"whole", 5, {2, 3, 4, 5}, 0, 0},
        {"row 3 missing", 5, {2, 4, 5}, 0, 2},
        {"row 2 seeded", 5, {2, 4, 5}, 1ull << 2, 4},
        {"both seeded", 5, {2, 4, 5}, (1ull << 2) | (1ull << 4), 0},
        {"last row missing", 3, {2}, 0, 2},
        {"no first row", 0, {3}, 0, 3},
        {"rows past the announced ones", 2, {2, 9}, 0, 0},
    };
    for (GapCase const& c : cases) {
        CodablockFDecoder decoder(harness.Property().codablock_f);
        if (c.announced != 0) {
            ASSERT_TRUE(AddRow(decoder, {103, 100, static_cast<unsigned>(c.announced) + 62, 33, 34})) << c.name;
        }
        for (unsigned n : c.read) {
            ASSERT_TRUE(AddRow(decoder, {103, 100, indicator(n), 35, 36, 37, 38})) << c.name;
        }
        unsigned number = 0;
        bool const found = decoder.FindRowBesideGap(c.seeded, number);
        EXPECT_EQ(found, c.expected != 0) << c.name;
        if (found) {
            EXPECT_EQ(number, c.expected) << c.name;
        }
    }
}

}  // namespace
}  // namespace codablock_f_test
