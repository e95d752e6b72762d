// The PDF417 row detector on run lines drawn from the symbol character table:
// whole rows either way round and in either polarity, and the rows it must
// refuse.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/configuration_manager.h"
#include "decoder/core/decoded_label.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/linear/bar_symbol_decoder_set.h"
#include "decoder/linear/pdf417_row/pdf417_row_decoder.h"
#include "decoder/linear/line/rate_for_tuning_calculator.h"
#include "decoder/stacked/pdf_character_table.h"
#include "tests/decoder/linear/line/scan_run_list.h"

namespace pdf417_row_test {
namespace {

namespace cfg = ivra_configuration;
using namespace DEC2DIvra;

constexpr int kModule = 3;  // pixels
constexpr int kQuiet = 10;  // modules

struct Piece {
    std::vector<int> modules;  // run widths in modules, bar first
    double scale = 1.0;        // drawn this much wider than the rest
};

Piece StartPattern() { return {{8, 1, 1, 1, 1, 1, 1, 3}}; }
Piece StopPattern() { return {{7, 1, 1, 3, 1, 1, 1, 2, 1}}; }

Piece Codeword(unsigned value, unsigned cluster, double scale = 1.0)
{
    unsigned pattern = 0;
    EXPECT_TRUE(PDFCharacterTable::ValueAndClusterToPattern(value, cluster, pattern));
    Piece piece;
    piece.scale = scale;
    // 17 modules, first most significant, a bar 0.
    unsigned previous = 2;
    for (int bit = 16; bit >= 0; --bit) {
        unsigned const b = (pattern >> bit) & 1u;
        if (b == previous) {
            ++piece.modules.back();
        } else {
            piece.modules.push_back(1);
            previous = b;
        }
    }
    return piece;
}

// The pieces between light quiet zones (dark ones when negative).
scan_test::RunList Line(std::vector<Piece> const& pieces, bool negative)
{
    char const ink = negative ? 'L' : 'D';
    char const ground = negative ? 'D' : 'L';
    auto grey = [](char colour) { return colour == 'L' ? 220 : 20; };
    std::vector<scan_test::Run> runs{{ground, grey(ground), kQuiet * kModule}};
    for (Piece const& piece : pieces) {
        for (unsigned i = 0; i < piece.modules.size(); ++i) {
            char const colour = i % 2 == 0 ? ink : ground;
            int const width = static_cast<int>(piece.modules[i] * kModule * piece.scale + 0.5);
            if (runs.back().colour == colour) {
                runs.back().width += width;  // a pattern after a codeword's closing space
            } else {
                runs.push_back({colour, grey(colour), width});
            }
        }
    }
    char const last = runs.back().colour;
    if (last == ground) {
        runs.back().width += kQuiet * kModule;
    } else {
        runs.push_back({ground, grey(ground), kQuiet * kModule});
    }
    return scan_test::RunList(runs);
}

class PDF417RowDecoderTest : public ::testing::Test {
protected:
    void Enable(bool read)
    {
        manager.Root().read.pdf417.Set(read);
        ASSERT_TRUE(manager.Update());
        property.TakeSettings();
    }

    BarSymbolDecoder const& Row() const { return *set.GetTrialDecoder(BarSymbolDecoderSet::kPDF417Row); }

    cfg::ConfigurationManager manager;
    DEC2DProperty property{manager.Root()};
    RateForTuningCalculator rate;
    BarSymbolDecoderSet set{property, rate};
    BarSymbol buffer[64];
    StackInterface<BarSymbol> symbols{buffer, 64};
};

TEST_F(PDF417RowDecoderTest, WholeRowsReadEitherWayRoundAndInEitherPolarity)
{
    Enable(true);
    std::vector<unsigned> const values{12, 900, 0, 928, 345};
    for (unsigned const cluster : {0u, 3u, 6u}) {
        std::vector<Piece> pieces{StartPattern()};
        for (unsigned v : values) {
            pieces.push_back(Codeword(v, cluster));
        }
        pieces.push_back(StopPattern());
        for (bool const negative : {false, true}) {
            for (bool const mirrored : {false, true}) {
                std::string const where = "cluster " + std::to_string(cluster) + (negative ? " negative" : "") +
                                          (mirrored ? " from the stop end" : "");
                scan_test::RunList const line = mirrored ? Line(pieces, negative).Mirror() : Line(pieces, negative);
                bool isNegative = !negative;
                bool reverced = !mirrored;
                ASSERT_TRUE(Row().ExecuteBinarization(line.At(1), symbols, isNegative, reverced)) << where;
                EXPECT_EQ(isNegative, negative) << where;
                EXPECT_EQ(reverced, mirrored) << where;
                ASSERT_EQ(symbols.GetCount(), values.size() + 2) << where;
                unsigned const n = symbols.GetCount();
                auto at = [&](unsigned i) { return symbols[mirrored ? n - 1 - i : i]; };
                EXPECT_EQ(at(0).value, PDF417RowDecoder::kStartValue) << where;
                EXPECT_EQ(at(n - 1).value, PDF417RowDecoder::kStopValue) << where;
                for (unsigned i = 0; i < values.size(); ++i) {
                    EXPECT_EQ(at(i + 1).value, static_cast<int>(values[i])) << where << " codeword " << i;
                }
                EXPECT_TRUE(Row().CheckCheckDigit(symbols, reverced));
            }
        }
    }
}

TEST_F(PDF417RowDecoderTest, RowsThatDoNotCloseInOneClusterAreRefused)
{
    Enable(true);
    struct Case {
        char const* name;
        std::vector<Piece> pieces;
    };
    std::vector<Case> const cases{
        {"cluster change mid-row",
         {StartPattern(), Codeword(12, 0), Codeword(13, 3), Codeword(14, 0), StopPattern()}},
        {"codeword wider than its neighbours allow",
         {StartPattern(), Codeword(12, 6), Codeword(13, 6, 1.3), Codeword(14, 6), StopPattern()}},
        {"codeword narrower than its neighbours allow",
         {StartPattern(), Codeword(12, 6), Codeword(13, 6, 0.75), Codeword(14, 6), StopPattern()}},
        {"start pattern twice", {StartPattern(), Codeword(12, 3), Codeword(13, 3), StartPattern()}},
        {"no closing pattern", {StartPattern(), Codeword(12, 3), Codeword(13, 3)}},
        {"no codeword between the patterns", {StartPattern(), StopPattern()}},
        {"codewords without an opening pattern", {Codeword(12, 0), Codeword(13, 0), StopPattern()}},
    };
    for (Case const& c : cases) {
        for (bool const mirrored : {false, true}) {
            scan_test::RunList const line = mirrored ? Line(c.pieces, false).Mirror() : Line(c.pieces, false);
            for (int at = 0; at + 1 < static_cast<int>(line.runs.size()); ++at) {
                bool negative = false;
                bool reverced = false;
                EXPECT_FALSE(Row().ExecuteBinarization(line.At(at), symbols, negative, reverced))
                    << c.name << (mirrored ? " mirrored" : "") << " at run " << at;
            }
        }
    }
    // A stop pattern read backwards twice is refused too.
    scan_test::RunList const twice =
        Line({StopPattern(), Codeword(12, 0), Codeword(13, 0), StopPattern()}, false).Mirror();
    for (int at = 0; at + 1 < static_cast<int>(twice.runs.size()); ++at) {
        bool negative = false;
        bool reverced = false;
        EXPECT_FALSE(Row().ExecuteBinarization(twice.At(at), symbols, negative, reverced)) << "stop twice at " << at;
    }
}

// The shortest row holds no fewer runs than the frame is told to expect (a
// line with fewer is not read at all), needs no repeat, and nothing is read
// with PDF417 off.
TEST_F(PDF417RowDecoderTest, ShortestRowAndPdf417Off)
{
    scan_test::RunList const line = Line({StartPattern(), Codeword(12, 0), StopPattern()}, false);
    bool negative = false;
    bool reverced = false;
    Enable(true);
    ASSERT_TRUE(Row().ExecuteBinarization(line.At(1), symbols, negative, reverced));
    unsigned held = 0;
    for (ScanElement const& run : line.runs) {
        held += run.begin >= symbols[0].begin && run.end <= symbols.GetTop().end ? 1u : 0u;
    }
    EXPECT_GE(held, Row().CountLeastReadRuns());
    EXPECT_GT(Row().CountLeastReadRuns(), 0u);
    EXPECT_TRUE(Row().IsStackedRow(symbols, reverced));
    Enable(false);
    EXPECT_FALSE(Row().ExecuteBinarization(line.At(1), symbols, negative, reverced));
    EXPECT_TRUE(symbols.IsEmpty());
    EXPECT_EQ(Row().CountLeastReadRuns(), BarSymbolDecoder::kReadsNothing);
}

TEST_F(PDF417RowDecoderTest, TheLabelIsAnEmptyPdf417Label)
{
    Enable(true);
    DecodedLabel label;
    label.data.Push('x');
    label.region.corner[2] = Point{40, 50};
    label.moduleCount = 17;
    label.moduleWord = 3;
    label.negative = 1;
    label.further.present = 1;
    ASSERT_TRUE(Row().Start(symbols, false, label));
    EXPECT_EQ(label.identifier.GetSymbology(), SYMBOLOGY_PDF417);
    EXPECT_EQ(label.data.GetCount(), 0u);
    EXPECT_EQ(label.region.corner[2].x, 0);
    EXPECT_EQ(label.region.corner[2].y, 0);
    EXPECT_EQ(label.moduleCount, 0u);
    EXPECT_EQ(label.moduleWord, 0u);
    EXPECT_EQ(label.negative, 0);
    EXPECT_EQ(label.further.present, 0);
    EXPECT_FALSE(Row().IsEnableStartBarSymbol());
}

}  // namespace
}  // namespace pdf417_row_test
