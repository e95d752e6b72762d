// UPC/EAN through the multi-line road: a damaged band that no single line
// reads whole, read from the characters its lines see undamaged.

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <string>
#include <vector>

#include "decoder/linear/line/multi_line_block_data.h"
#include "decoder/linear/upc_ean/upc_ean_block_measure.h"
#include "tests/decoder/linear/upc_ean/upc_ean_read_fixture.h"
#include "tests/support/random.h"

namespace upc_ean_test {
namespace {

using DEC2DIvra::BarSymbol;
using DEC2DIvra::MultiLineBlockData;
using DEC2DIvra::StackInterface;

constexpr unsigned kSimple = 1;       // single lines only
constexpr unsigned kComposition = 3;  // single lines, then the multi-line stage

struct Case {
    char const* name;
    int symbology;
    char const* data;
    tagSymbology type;
    bool noisy;
    double angle;
    bool inverted;
};

void PrintTo(Case const& c, std::ostream* os) { *os << c.name; }

class UpcEanBlockTest : public UpcEanFixture, public ::testing::WithParamInterface<Case> {
protected:
    // A stripe 8 modules wide (more than a character) from a quarter of the symbol at the top to
    // three quarters at the bottom: every line loses a digit or two, each
    // digit stays whole on most lines.
    support::Rendering Render(Case const& c, bool damaged)
    {
        support::RenderOptions options;
        options.moduleSize = 3.0;
        options.angle = c.angle;
        options.blur = 0.6;
        options.noise = 10;
        options.inverted = c.inverted;
        support::Rendering r = support::render(Symbol(c.symbology, c.data), options);
        EXPECT_TRUE(r.symbol.ok) << r.symbol.error;
        region = frame_test::ToRegion(r.symbol.corners, 14 * options.moduleSize);
        if (!damaged) {
            return r;
        }
        support::Quad const& q = r.symbol.corners;
        auto along = [](support::Point a, support::Point b, double t) {
            return support::Point{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
        };
        double const half = kHalf / r.symbol.widthModules;
        support::Quad const stripe = {along(q[0], q[1], kFrom - half), along(q[0], q[1], kFrom + half),
                                      along(q[3], q[2], 1 - kFrom + half), along(q[3], q[2], 1 - kFrom - half)};
        support::Random random(11);
        int const light = c.inverted ? options.dark : options.light;
        for (int y = 0; y < r.frame.height; ++y) {
            for (int x = 0; x < r.frame.width; ++x) {
                if (support::distanceOutside(stripe, support::Point{x + 0.5, y + 0.5}) <= 0) {
                    r.frame.at(x, y) =
                        static_cast<uint16_t>(c.noisy ? random.integer(0, support::kMaxLevel) : light);
                }
            }
        }
        return r;
    }

    Read ReadIn(unsigned mode, support::Rendering const& r)
    {
        harness.SetDecodeMode(mode);
        return harness.ReadRegion(r.frame, region);
    }

    DEC2DIvra::Region region;
    static constexpr double kHalf = 4.0;
    static constexpr double kFrom = 0.25;
};

TEST_P(UpcEanBlockTest, DamagedBandReadsOnlyFromItsLines)
{
    Case const c = GetParam();
    // Undamaged, single lines tell what the symbol holds.
    Read const clean = ReadIn(kSimple, Render(c, false));
    ASSERT_TRUE(clean.ok);
    ASSERT_EQ(clean.symbology, c.type);

    support::Rendering const damaged = Render(c, true);
    Read const single = ReadIn(kSimple, damaged);
    EXPECT_FALSE(single.ok) << "a single line read '" << single.data << "'";
    Read const multi = ReadIn(kComposition, damaged);
    ASSERT_TRUE(multi.ok);
    EXPECT_EQ(multi.data, clean.data);
    EXPECT_EQ(multi.symbology, c.type);
    EXPECT_EQ(multi.aim, clean.aim);
    EXPECT_EQ(multi.negative, c.inverted ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Symbols, UpcEanBlockTest,
    ::testing::Values(Case{"EAN-13 white stripe", BARCODE_EANX, "590123412345", SYMBOLOGY_EAN13, false, 0.0, false},
                      Case{"EAN-13 noisy stripe", BARCODE_EANX, "590123412345", SYMBOLOGY_EAN13, true, 0.0, false},
                      Case{"EAN-13 upside down", BARCODE_EANX, "590123412345", SYMBOLOGY_EAN13, false, 180.0, false},
                      Case{"UPC-A white stripe", BARCODE_UPCA, "03600029145", SYMBOLOGY_UPCA, false, 0.0, false},
                      Case{"UPC-A turned light on dark", BARCODE_UPCA, "03600029145", SYMBOLOGY_UPCA, false, 15.0,
                           true}),
    [](::testing::TestParamInfo<Case> const& info) {
        std::string name = info.param.name;
        for (char& ch : name) {
            ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
        }
        return name;
    });

// A block of entries all carrying one value, on lines 0..n-1.
MultiLineBlockData Block(int value, unsigned lines, int begin = 100)
{
    MultiLineBlockData block;
    for (unsigned i = 0; i < lines; ++i) {
        block.Push(MultiLineBlockData::Entry{value, begin, begin + 21, 3, 400, 0, static_cast<int>(i)});
    }
    return block;
}

TEST_F(UpcEanBlockTest, MalformedBlocksAreRefused)
{
    std::vector<MultiLineBlockData> storage(4);
    StackInterface<MultiLineBlockData> blocks(storage.data(), 4);
    std::vector<DEC2DIvra::ArrayIterator<DEC2DIvra::ScanElement const>> lineBuffer(1);
    StackInterface<DEC2DIvra::ArrayIterator<DEC2DIvra::ScanElement const>> lines(lineBuffer.data(), 1);
    bool reverced = false;
    // No start block, and a start that names no guard.
    EXPECT_FALSE(forward.ExecuteBlockBinarization(lines, blocks, false, reverced));
    blocks.Push(Block(0x7F << 7 | 0x0D, 5));
    EXPECT_FALSE(forward.ExecuteBlockBinarization(lines, blocks, false, reverced));
    EXPECT_EQ(blocks.GetCount(), 1u);

    // Direction needs three agreeing lines.
    EXPECT_FALSE(forward.JudgeReverce(Block(0x72, 2), reverced));
    ASSERT_TRUE(forward.JudgeReverce(Block(0x72, 3), reverced));  // set A "0"
    EXPECT_FALSE(reverced);
    ASSERT_TRUE(forward.JudgeReverce(Block(0x0D, 3), reverced));  // a right-half "0" met first
    EXPECT_TRUE(reverced);
    reverced = false;

    // Twelve voted characters whose check digit disagrees yield nothing.
    BarSymbol buffer[12];
    StackInterface<BarSymbol> symbols(buffer, 12);
    unsigned votes = 0;
    std::vector<MultiLineBlockData> twelve(12, Block(0x72, 4));  // "000000" left
    StackInterface<MultiLineBlockData> all(twelve.data(), 12);
    all.SetCount(12);
    for (unsigned i = 6; i < 12; ++i) {
        twelve[i] = Block(0x0D, 4);  // right-half "0", the check digit 0 agrees
    }
    EXPECT_TRUE(forward.MakeBarSymbolArray(all, reverced, symbols, votes));
    EXPECT_EQ(votes, 4u);
    twelve[11] = Block(0x19, 4);  // a "1" as check digit
    EXPECT_FALSE(forward.MakeBarSymbolArray(all, reverced, symbols, votes));
}

// The four runs of a character from its module widths (space first), 48
// units a module.
std::vector<DEC2DIvra::PartialScanElement> Runs(std::vector<double> const& modules)
{
    std::vector<DEC2DIvra::PartialScanElement> runs(4);
    int at = 0;
    for (unsigned i = 0; i < 4; ++i) {
        bool const bar = i % 2 == 1;
        runs[i].colour = bar ? DEC2DIvra::kDarkRun : DEC2DIvra::kLightRun;
        runs[i].magnitude = static_cast<int>(modules[i] * 48);
        runs[i].begin = at;
        runs[i].end = at + runs[i].magnitude;
        runs[i].grey = bar ? 100 : 900;
        at = runs[i].end;
    }
    return runs;
}

TEST(UpcEanBlockMeasure, KnownPatternSettlesWhatTheWidthsLeaveOpen)
{
    // 2 2 2 1 reads as a 3-bar "1" or as 1 3 1 2 with five bar modules; the
    // neighbouring line's pattern decides, and a pattern that is neither
    // refuses the character.
    std::vector<DEC2DIvra::PartialScanElement> const runs = Runs({2, 2, 2, 1});
    struct Row {
        unsigned expected;
        bool ok;
        unsigned code;
        unsigned bars;
    };
    for (Row const& row : {Row{0x66, true, 0x66, 3}, Row{0x2u << 7 | 0x66, true, 0x66, 3}, Row{0x44, true, 0x44, 5},
                           Row{0x72, false, 0, 0}, Row{0x00, false, 0, 0}}) {
        DEC2DIvra::BarSymbolForWPC measured;
        ASSERT_EQ(DEC2DIvra::CalcPrevBarSymbol(runs.data(), false, row.expected, measured), row.ok) << row.expected;
        if (row.ok) {
            EXPECT_EQ(measured.code, row.code);
            EXPECT_EQ(measured.bars, row.bars);
            EXPECT_EQ(measured.ambiguous, 0);
        }
    }
    DEC2DIvra::BarSymbolForWPC measured;
    EXPECT_FALSE(DEC2DIvra::CalcPrevBarSymbol(nullptr, false, 0x66, measured));
}

}  // namespace
}  // namespace upc_ean_test
