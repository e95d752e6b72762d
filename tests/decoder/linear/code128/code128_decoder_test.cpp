#include "decoder/linear/code128/code128_decoder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "tests/decoder/linear/code128/code128_fixture.h"

namespace code128_test {
namespace {

using Polarity = cfg::configuration::readable_medium::positive_and_negative_codes::all_1d_and_composite_codes::Enum;

class Code128DecoderTest : public ::testing::Test {
protected:
    auto& Root() { return d.manager.Root(); }
    void SetPolarity(Polarity polarity)
    {
        d.Set(Root().readable_medium.positive_and_negative_codes.all_1d_and_composite_codes, polarity);
    }
    void SetLengths(cfg::ValueHandle<cfg::FixedLength>& key, std::vector<std::uint16_t> lengths, std::uint16_t minimum,
                    std::uint16_t maximum)
    {
        cfg::FixedLength value{};
        value.count = static_cast<std::uint32_t>(lengths.size());
        for (size_t i = 0; i < lengths.size(); ++i) {
            value.lengths[i] = lengths[i];
        }
        value.minimum = minimum;
        value.maximum = maximum;
        d.Set(key, value);
    }
    // The label of a zint symbol read from an ideal line by the first
    // instance that reads it.
    bool DecodeZint(support::SymbolInput const& input, std::string& data, LineOptions const& options = {})
    {
        std::vector<ScanElement> const line = MakeLine(ZintRowWidths(input), options);
        for (unsigned i = 0; i < 4; ++i) {
            if (d.Decode(*d.All(i), line, data)) {
                return true;
            }
        }
        return false;
    }
    unsigned Modifier() const { return d.label.identifier.GetModifier(); }

    Decoders d;
};

TEST_F(Code128DecoderTest, ReadFlagsAndSymbolOrder)
{
    SetPolarity(Polarity::POSITIVE_AND_NEGATIVE);
    std::vector<int> const widths = ZintRowWidths({.symbology = BARCODE_CODE128, .data = "AB"});
    for (bool reverse : {false, true}) {
        for (bool negative : {false, true}) {
            bool negativeOut = !negative;
            bool reverced = !reverse;
            std::vector<ScanElement> const line = MakeLine(widths, {.negative = negative, .reverse = reverse});
            ASSERT_TRUE(d.Read(negative ? d.negative : d.normal, line, negativeOut, reverced));
            EXPECT_EQ(negativeOut, negative);
            EXPECT_EQ(reverced, reverse);
            // Start, A, B, check, stop; in line order.
            ASSERT_EQ(d.symbols.GetCount(), 5u);
            int const first = reverse ? Code128Table::kStopKey : Code128Table::kStartBKey;
            EXPECT_EQ(d.symbols[0].value, first);
            for (unsigned i = 0; i + 1 < d.symbols.GetCount(); ++i) {
                EXPECT_LT(d.symbols[i].begin, d.symbols[i + 1].begin);
                EXPECT_EQ(d.symbols[i].width, 48);  // module width in line units
            }
            unsigned modules = 0;
            EXPECT_TRUE(d.normal.CountModule(d.symbols, modules));
            EXPECT_EQ(modules, 55u);
            // The other polarity's instance finds nothing.
            EXPECT_FALSE(d.Read(negative ? d.normal : d.negative, line, negativeOut, reverced));
        }
    }
}

TEST_F(Code128DecoderTest, PolaritySettingChoosesInstances)
{
    std::vector<int> const widths = ZintRowWidths({.symbology = BARCODE_CODE128, .data = "12AB"});
    struct Case {
        unsigned setting;
        bool normalReads;
        bool negativeReads;
    };
    Case const cases[] = {{0, true, false}, {1, false, true}, {2, true, true}, {3, false, false}};
    for (Case const& c : cases) {
        // The key refuses 3; the decoder still must.
        std::uint32_t const value = c.setting;
        std::memcpy(Root().readable_medium.positive_and_negative_codes.all_1d_and_composite_codes.CalcAddress(),
                    &value, sizeof value);
        for (bool negative : {false, true}) {
            std::string data;
            bool const expected = negative ? c.negativeReads : c.normalReads;
            std::vector<ScanElement> const line = MakeLine(widths, {.negative = negative});
            EXPECT_EQ(d.Decode(negative ? d.negative : d.normal, line, data), expected) << c.setting;
            EXPECT_EQ(d.Decode(negative ? d.boldNegative : d.bold, line, data), expected) << c.setting;
            // An instance never reads the other polarity.
            EXPECT_FALSE(d.Decode(negative ? d.normal : d.negative, line, data)) << c.setting;
        }
    }
}

// Ten modules of quiet zone (at the default setting 7) before the start and
// after the stop pattern, whose terminating bar counts toward it.
TEST_F(Code128DecoderTest, QuietZones)
{
    std::vector<int> const widths = ZintRowWidths({.symbology = BARCODE_CODE128, .data = "QZ"});
    struct Case {
        int leading;
        int trailing;
        bool reverse;
        bool reads;
    };
    Case const cases[] = {
        {10, 8, false, true}, {9, 12, false, false}, {12, 7, false, false},
        {8, 10, true, true},  {7, 12, true, false},  {12, 9, true, false},
    };
    for (bool negative : {false, true}) {
        SetPolarity(negative ? Polarity::NEGATIVE : Polarity::POSITIVE);
        for (Case const& c : cases) {
            std::string data;
            LineOptions const options{.leadingZone = c.leading,
                                      .trailingZone = c.trailing,
                                      .negative = negative,
                                      .reverse = c.reverse,
                                      .borders = true};
            EXPECT_EQ(d.Decode(negative ? d.negative : d.normal, MakeLine(widths, options), data), c.reads)
                << c.leading << "/" << c.trailing << " reverse " << c.reverse << " negative " << negative;
        }
    }
    // A smaller setting asks for less.
    SetPolarity(Polarity::POSITIVE);
    d.Set(Root().detail_of_decoder.quiet_zone, std::uint8_t{3});
    std::string data;
    EXPECT_TRUE(d.Decode(d.normal, MakeLine(widths, {.leadingZone = 5, .trailingZone = 3, .borders = true}), data));
    EXPECT_FALSE(d.Decode(d.normal, MakeLine(widths, {.leadingZone = 4, .trailingZone = 3, .borders = true}), data));
}

TEST_F(Code128DecoderTest, SmartQuietZoneToleratesSpecks)
{
    std::vector<int> const widths = ZintRowWidths({.symbology = BARCODE_CODE128, .data = "QZ"});
    std::vector<ScanElement> const line = MakeLine(widths, {.leadingZone = 14, .borders = true, .speck = 4});
    std::string data;
    EXPECT_FALSE(d.Decode(d.normal, line, data));
    d.Set(Root().detail_of_decoder.smart_quiet_zone_check.code128, true);
    EXPECT_TRUE(d.Decode(d.normal, line, data));
}

TEST_F(Code128DecoderTest, BrokenSymbolsAreNotRead)
{
    struct Case {
        char const* name;
        std::vector<int> values;  // check character included
    };
    Case const cases[] = {
        {"wrong check character", {104, 33, 34, 35, 106}},
        {"start character inside", {104, 33, 103, 34, 0, 106}},
        {"no stop", {104, 33, 34, 102}},
    };
    for (Case const& c : cases) {
        std::string data;
        std::vector<ScanElement> const line = MakeLine(WidthsOfValues(c.values, false));
        for (unsigned i = 0; i < 4; ++i) {
            EXPECT_FALSE(d.Decode(*d.All(i), line, data)) << c.name << " instance " << i;
        }
    }
    // Without its stop a line still holds no read, even with noise around.
    std::vector<int> widths = ZintRowWidths({.symbology = BARCODE_CODE128, .data = "NOSTOP"});
    widths.resize(widths.size() - 7);
    std::string data;
    EXPECT_FALSE(d.Decode(d.normal, MakeLine(widths), data));
}

TEST_F(Code128DecoderTest, SettingsDecideTheLabel)
{
    support::SymbolInput const plain{.symbology = BARCODE_CODE128, .data = "LENGTH7"};
    support::SymbolInput const gs1{.symbology = BARCODE_GS1_128, .data = "[10]ABC123", .inputMode = GS1_MODE};
    support::SymbolInput const menu{.symbology = BARCODE_CODE128, .data = "MENU", .outputOptions = READER_INIT};
    std::string data;

    ASSERT_TRUE(DecodeZint(plain, data));
    EXPECT_EQ(data, "LENGTH7");
    ASSERT_TRUE(DecodeZint(gs1, data));
    EXPECT_EQ(data, "10ABC123");
    char aim[8] = {};
    ASSERT_TRUE(d.label.identifier.GetAIMIdentifier(aim, sizeof aim));
    EXPECT_STREQ(aim, "]C1");
    EXPECT_EQ(d.label.identifier.GetIvraIdentifier(), 'T');

    auto& lengths = Root().fixed_length;
    SetLengths(lengths.code128, {}, 8, cfg::FixedLength::kNoMaximum);
    EXPECT_FALSE(DecodeZint(plain, data));
    EXPECT_TRUE(d.label.data.IsEmpty());
    EXPECT_TRUE(DecodeZint(gs1, data)) << "GS1-128 has its own lengths";
    SetLengths(lengths.code128, {}, 0, 6);
    EXPECT_FALSE(DecodeZint(plain, data));
    SetLengths(lengths.code128, {5, 7}, 0, cfg::FixedLength::kNoMaximum);
    EXPECT_TRUE(DecodeZint(plain, data));
    SetLengths(lengths.code128, {5, 6}, 0, cfg::FixedLength::kNoMaximum);
    EXPECT_FALSE(DecodeZint(plain, data));
    SetLengths(lengths.gs1_128, {}, 9, cfg::FixedLength::kNoMaximum);
    EXPECT_FALSE(DecodeZint(gs1, data));
    SetLengths(lengths.gs1_128, {}, 8, 8);
    EXPECT_TRUE(DecodeZint(gs1, data));

    // Reader-initialisation labels pass even with Code 128 off.
    d.Set(Root().read.code128, false);
    EXPECT_FALSE(DecodeZint({.symbology = BARCODE_CODE128, .data = "12345"}, data));
    EXPECT_FALSE(DecodeZint(gs1, data));
    ASSERT_TRUE(DecodeZint(menu, data));
    EXPECT_EQ(data, "MENU");
    EXPECT_EQ(Modifier(), 1u << 4);
}

TEST_F(Code128DecoderTest, CompositeLinkageOnGs1Reads)
{
    std::string data;
    support::SymbolInput cc{.symbology = BARCODE_GS1_128_CC,
                            .data = "[10]ABC",
                            .option1 = 1,
                            .inputMode = GS1_MODE,
                            .primary = "[01]12345678901231"};
    ASSERT_TRUE(DecodeZint(cc, data));
    EXPECT_EQ(data, "0112345678901231");
    EXPECT_EQ(Modifier(), 1u | Code128Decoder::kLinkageNext);
    cc.option1 = 3;
    ASSERT_TRUE(DecodeZint(cc, data));
    EXPECT_EQ(Modifier(), 1u | Code128Decoder::kLinkagePrevious);
}

struct FakeRows final : DEC2DIvra::CodablockFRowRecognizer {
    bool CalcTotalRowsAndRowNumber(bool, DEC2DIvra::StackInterface<BarSymbol> const& symbols, unsigned& skip, int& rows,
                                   int& row) const override
    {
        ++asked;
        skip = 1;
        rows = 2;
        row = 1;
        return symbols.GetCount() >= 4 && answer;
    }
    bool answer = true;
    mutable int asked = 0;
};

TEST_F(Code128DecoderTest, CodablockFRowsGoToTheirDecoder)
{
    FakeRows rows;
    d.normal.SetCodablockFRowRecognizer(&rows);
    std::vector<ScanElement> const letters = MakeLine(WidthsOfValues({103, 98, 64, 33, 34, 106}));
    std::vector<ScanElement> const pairs = MakeLine(WidthsOfValues({103, 99, 0, 12, 34, 106}));
    std::string data;

    ASSERT_TRUE(d.Decode(d.normal, letters, data));
    EXPECT_EQ(rows.asked, 0) << "not asked while Codablock F is off";
    EXPECT_EQ(d.label.identifier.GetSymbology(), SYMBOLOGY_CODE128);

    d.Set(Root().read.codablock_f, true);
    d.Set(Root().read.code128, false);
    ASSERT_TRUE(d.Decode(d.normal, letters, data));
    EXPECT_EQ(d.label.identifier.GetSymbology(), SYMBOLOGY_CODABLOCK_F);
    EXPECT_EQ(Modifier(), Code128Decoder::kCodablockFRow);
    EXPECT_EQ(d.label.identifier.GetIvraIdentifier(), 'E');
    EXPECT_EQ(data, "`AB");
    ASSERT_TRUE(d.Decode(d.normal, pairs, data));
    EXPECT_EQ(Modifier(), Code128Decoder::kCodablockFRow | Code128Decoder::kCodablockFCodeC);
    EXPECT_EQ(data, "001234");

    // Not a row, and Code 128 off: no label.
    rows.answer = false;
    EXPECT_FALSE(d.Decode(d.normal, letters, data));
}

// Ink spread moves every bar edge outward: the pair classifier still reads
// what the magnitude classifier may not.
TEST_F(Code128DecoderTest, BoldPrintReadsThroughThePairClassifier)
{
    std::vector<int> const widths =
        ZintRowWidths({.symbology = BARCODE_CODE128, .data = "Bold print 0123456789"});
    for (int spread : {0, 8, 16, 20}) {  // up to 0.42 module of 48 units
        std::string data;
        ASSERT_TRUE(d.Decode(d.bold, MakeLine(widths, {.spread = spread}), data)) << spread;
        EXPECT_EQ(data, "Bold print 0123456789");
        ASSERT_TRUE(d.Decode(d.bold, MakeLine(widths, {.spread = spread, .reverse = true}), data)) << spread;
    }
}

// The four instances sharing the first character's windows read every run of
// a line as instances loading their own do, also when the line's buffer is
// written over with other runs between two reads at the same place.
TEST_F(Code128DecoderTest, SharedFirstWindowsReadAsOwnOnes)
{
    SetPolarity(Polarity::POSITIVE_AND_NEGATIVE);
    DEC2DIvra::Code128FirstWindows windows;
    Code128Decoder shared[] = {{d.context, 0, d.property},
                               {d.context, Code128Decoder::kNegative, d.property},
                               {d.context, Code128Decoder::kForBigger, d.property},
                               {d.context, Code128Decoder::kForBigger | Code128Decoder::kNegative, d.property}};
    for (Code128Decoder& decoder : shared) {
        decoder.SetFirstWindows(&windows);
    }
    // A symbol line with weak specks splitting runs of its first characters
    // (noise passes remove them), and the same with other specks.
    auto specked = [](LineOptions const& options, std::vector<unsigned> const& at, int depth) {
        std::vector<ScanElement> line =
            MakeLine(ZintRowWidths({.symbology = BARCODE_CODE128, .data = "Shared 42"}), options);
        for (unsigned k = static_cast<unsigned>(at.size()); k-- > 0;) {
            ScanElement const run = line[at[k]];
            int const third = (run.end - run.begin) / 3;
            ScanElement left = run, speck = run, right = run;
            left.end = speck.begin = run.begin + third;
            speck.end = right.begin = run.end - third;
            speck.colour = run.colour == DEC2DIvra::kLightRun ? DEC2DIvra::kDarkRun : DEC2DIvra::kLightRun;
            speck.grey = run.colour == DEC2DIvra::kLightRun ? run.grey - depth : run.grey + depth;
            line.erase(line.begin() + at[k]);
            line.insert(line.begin() + at[k], {left, speck, right});
        }
        return line;
    };
    std::mt19937 random(7);
    auto randomLine = [&](size_t runs) {
        std::vector<int> widths(runs);
        for (int& w : widths) {
            w = 1 + static_cast<int>(random() % 4);
        }
        return MakeLine(widths, {.leadingZone = 1 + static_cast<int>(random() % 12)});
    };
    std::vector<std::vector<ScanElement>> lines = {
        specked({}, {2, 4}, 60), specked({}, {3, 6}, 90), specked({.negative = true}, {2, 5}, 60),
        specked({.reverse = true}, {40, 42}, 60)};
    size_t const size = lines[0].size();
    for (std::vector<ScanElement> const& line : lines) {
        ASSERT_EQ(line.size(), size);
    }
    for (int k = 0; k < 4; ++k) {
        lines.push_back(randomLine(size - 2));
    }
    std::vector<BarSymbol> buffer(512);
    DEC2DIvra::StackInterface<BarSymbol> symbols(buffer.data(), 512);
    std::vector<ScanElement> place(size);
    unsigned reads = 0;
    for (unsigned i = 1; i < size; ++i) {
        for (size_t l = 0; l < lines.size(); ++l) {
            // Every line in turn at the same address, so that a window kept
            // from the line before is met at the same run.
            std::copy(lines[l].begin(), lines[l].end(), place.begin());
            DEC2DIvra::ArrayIterator<ScanElement const> at(place.data(), static_cast<unsigned>(size),
                                                          static_cast<int>(i), 1);
            for (unsigned n = 0; n < 4; ++n) {
                bool negative = false, reverced = false, ownNegative = false, ownReverced = false;
                bool const read = shared[n].ExecuteBinarization(at, symbols, negative, reverced);
                bool const own = d.All(n)->ExecuteBinarization(at, d.symbols, ownNegative, ownReverced);
                ASSERT_EQ(read, own) << "line " << l << " run " << i << " instance " << n;
                ASSERT_EQ(symbols.GetCount(), d.symbols.GetCount()) << "line " << l << " run " << i << " instance " << n;
                for (unsigned s = 0; s < symbols.GetCount(); ++s) {
                    EXPECT_EQ(symbols[s].value, d.symbols[s].value);
                    EXPECT_EQ(symbols[s].begin, d.symbols[s].begin);
                    EXPECT_EQ(symbols[s].end, d.symbols[s].end);
                }
                EXPECT_EQ(reverced, ownReverced);
                reads += read ? 1u : 0u;
            }
        }
    }
    // The specked symbols are read, both colours and both directions.
    EXPECT_GE(reads, 4u);
}

// Arbitrary runs give no read and touch nothing outside the line.
TEST_F(Code128DecoderTest, RandomRunsGiveNoRead)
{
    SetPolarity(Polarity::POSITIVE_AND_NEGATIVE);
    std::mt19937 random(128);
    for (int trial = 0; trial < 200; ++trial) {
        std::vector<int> widths(6 + random() % 80);
        for (int& w : widths) {
            w = 1 + static_cast<int>(random() % 4);
        }
        std::vector<ScanElement> const line = MakeLine(widths, {.leadingZone = 1 + static_cast<int>(random() % 12)});
        std::string data;
        for (unsigned i = 0; i < 4; ++i) {
            if (d.Decode(*d.All(i), line, data)) {
                // Only a real symbol may read: its check passed.
                EXPECT_TRUE(d.All(i)->CheckCheckDigit(d.symbols, false) || d.All(i)->CheckCheckDigit(d.symbols, true));
            }
        }
    }
}

}  // namespace
}  // namespace code128_test
