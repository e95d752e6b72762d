// The data codewords of drawn PDF417 symbols read after the stages before
// them (start and stop search, row indicators, row scan lines): by row
// sweeps and column picks, by edge scans next to the read columns, and from
// the character stacks of an outline; the corrected data must be the
// encoder's.
#include <gtest/gtest.h>
#include <zint.h>

#include <cmath>
#include <string>
#include <vector>

#include "decoder/core/geometry/geometry.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/linear/line/rate_for_tuning_calculator.h"
#include "decoder/stacked/pdf417/calc_data_stack_array_subroutine.h"
#include "decoder/stacked/pdf417/calc_pdf_column_subroutine.h"
#include "decoder/stacked/pdf417/data_column_array.h"
#include "decoder/stacked/pdf417/data_column_pick_subroutine.h"
#include "decoder/stacked/pdf417/data_column_reading.h"
#include "decoder/stacked/pdf417/data_column_scan_subroutine.h"
#include "decoder/stacked/pdf417/data_stack_array.h"
#include "decoder/stacked/pdf417/pdf_column_pick_subroutine.h"
#include "decoder/stacked/pdf417/pdf_column_scan_subroutine.h"
#include "decoder/stacked/pdf417/row_indicator_column_data.h"
#include "decoder/stacked/pdf417/row_indicator_scan_subroutine.h"
#include "decoder/stacked/pdf417/row_scan_line_generator.h"
#include "decoder/stacked/pdf417/search_finder_subroutine.h"
#include "decoder/stacked/pdf_error_detection.h"
#include "tests/decoder/stacked/pdf417_symbol_cells.h"

namespace {

using namespace DEC2DIvra;

struct Case {
    char const* name;
    int columns;
    int level;
    double module;
    double angle;
    bool inverted;
    double blur;
};

class Pdf417DataReading : public ::testing::Test {
protected:
    void SetUp() override
    {
        PDFCharacterTable::Initialize();
        tuning.Initialize(false);
        detection.SetSaveArea(saved.data(), savedErasures.data());
    }

    // The stages before the data: false when they do not reach it.
    bool Prepare(pdf417_test::DrawnSymbol const& symbol, GrayImage const& image)
    {
        support::Point const a = symbol.rendering.symbol.toFrame({-5.0, symbol.rendering.symbol.heightModules / 2});
        support::Point const b = symbol.rendering.symbol.toFrame(
            {symbol.rendering.symbol.widthModules + 5.0, symbol.rendering.symbol.heightModules / 2});
        LineSegment const segment{Point{static_cast<int>(std::lround(a.x)), static_cast<int>(std::lround(a.y))},
                                  Point{static_cast<int>(std::lround(b.x)), static_cast<int>(std::lround(b.y))}};
        startStop.Clear();
        micro.Clear();
        StartStopColumnData const* start = nullptr;
        StartStopColumnData const* stop = nullptr;
        if (finder.Start(image, segment, 5, true, false, true, true, true, false, startStop, micro) == 0 ||
            !startStop.GetStartStopColumnDataPtr(start, stop, reversed)) {
            return false;
        }
        Point from;
        Point to;
        Geometry::CalcCenterPoint((*start)[0].segment.begin, (*start)[start->GetCount() - 1].segment.begin, from);
        Geometry::CalcCenterPoint((*stop)[0].segment.begin, (*stop)[stop->GetCount() - 1].segment.begin, to);
        Vector const codeVector{to.x - from.x, to.y - from.y};
        order = Mod3OfCluster{};
        parameter = DecodeParameterForPDF{};
        if (!indicators.Start(image, codeVector, start, stop, reversed, left, right, order, parameter) ||
            !CalcRowScanLineSubroutine().Start(image, codeVector, &left, &right, parameter.rows, generator)) {
            return false;
        }
        array.Set(columns.data(), parameter.columns, parameter.rows);
        return true;
    }

    // The corrected data codewords must be the encoder's.
    void ExpectData(pdf417_test::DrawnSymbol const& symbol, char const* name) const
    {
        unsigned const ec = 1u << (symbol.level + 1);
        unsigned const total = static_cast<unsigned>(symbol.rows * symbol.dataColumns);
        ASSERT_EQ(codewords.GetCount(), total - ec) << name;
        for (unsigned i = 0; i < codewords.GetCount(); ++i) {
            pdf417_test::Cell const* cell = symbol.At(static_cast<int>(i) / symbol.dataColumns,
                                                      static_cast<int>(i) % symbol.dataColumns + 1);
            EXPECT_EQ(codewords[i], cell->value) << name << " codeword " << i;
        }
    }

    std::vector<unsigned char> work = std::vector<unsigned char>(1u << 22);
    SharedMemoryDistributor memory{work.data(), static_cast<unsigned>(work.size())};
    RateForTuningCalculator tuning;
    CalcSegmentScoreSubroutine score;
    std::vector<unsigned short> saved = std::vector<unsigned short>(PDFErrorDetection::kMaxCodewords);
    std::vector<unsigned short> savedErasures = std::vector<unsigned short>(PDFErrorDetection::kMaxCodewords);
    PDFErrorDetection detection;
    SearchFinderSubroutine finder{memory};
    RowIndicatorScanSubroutine indicators{memory};
    PDFColumnScanSubroutine columnScan{memory, tuning};
    PDFColumnPickSubroutine columnPick{memory, tuning, score};
    DataColumnPickSubroutine dataPick{memory, columnPick, columnScan, detection};
    DataColumnScanSubroutine dataScan{memory, detection};
    CalcDataStackArraySubroutine stackReader{memory, columnPick, columnScan, detection};

    StartStopColumnData startStopColumns[SearchFinderSubroutine::kStartStopColumns];
    MicroFinderColumnData microColumns[SearchFinderSubroutine::kMicroColumns];
    StartStopColumnDataStack startStop{startStopColumns, SearchFinderSubroutine::kStartStopColumns};
    MicroFinderColumnDataStack micro{microColumns, SearchFinderSubroutine::kMicroColumns};
    std::vector<ColumnDataElement> storage = std::vector<ColumnDataElement>(32 * ColumnData::kCapacity);
    RowIndicatorColumnData left{storage.data(), ColumnData::kCapacity};
    RowIndicatorColumnData right{storage.data() + ColumnData::kCapacity, ColumnData::kCapacity};
    std::vector<DataColumnData> columns = [this] {
        std::vector<DataColumnData> c(30);
        for (unsigned i = 0; i < 30; ++i) {
            c[i].SetBuffer(storage.data() + (2 + i) * ColumnData::kCapacity, ColumnData::kCapacity);
        }
        return c;
    }();
    DataColumnArray array;
    RowScanLineGenerator generator;
    Mod3OfCluster order;
    DecodeParameterForPDF parameter;
    bool reversed = false;
    std::vector<unsigned short> codewordBuffer = std::vector<unsigned short>(2700);
    StackInterface<unsigned short> codewords{codewordBuffer.data(), 2700};
};

pdf417_test::DrawnSymbol DrawCase(Case const& c)
{
    std::string text = std::string("Data codewords of ") + c.name + " 0123456789 abcdefghijklmnop";
    if (c.level >= 5) {
        // Many rows.
        for (int i = 0; i < 6; ++i) text += " and again, pick every row of a long column " + std::to_string(i);
    }
    return pdf417_test::Draw({.data = text,
                              .option1 = c.level, .option2 = c.columns},
                             {.moduleSize = c.module, .angle = c.angle, .inverted = c.inverted, .blur = c.blur,
                              .noise = 3});
}

TEST_F(Pdf417DataReading, PickReadsSymbolsOfNineRowsOrMore)
{
    Case const cases[] = {
        {"three columns", 3, 2, 3.0, 0, false, 0.5},
        {"five columns turned", 5, 3, 2.5, 12, false, 0.6},
        {"light on dark", 2, 2, 3.0, -20, true, 0.5},
        {"upside down", 4, 4, 2.5, 180, false, 0.6},
        {"rows upright", 3, 3, 2.5, 90, false, 0.5},
        {"many rows", 6, 5, 1.8, 3, false, 0.5},
        {"rows upright the other way", 4, 2, 2.2, 275, false, 0.4},
    };
    for (Case const& c : cases) {
        pdf417_test::DrawnSymbol const symbol = DrawCase(c);
        ASSERT_TRUE(symbol.ok) << c.name;
        ASSERT_GE(symbol.rows, 9) << c.name;
        GrayImage const image = symbol.Image();
        ASSERT_TRUE(Prepare(symbol, image)) << c.name;
        ASSERT_TRUE(dataPick.Start(image, &left, &right, order, parameter, generator, reversed, array, codewords))
            << c.name << (dataPick.IsFallBack() ? " (fell back)" : "");
        ExpectData(symbol, c.name);
    }
}

TEST_F(Pdf417DataReading, ScanReadsSymbolsFromTheRowIndicatorsInward)
{
    Case const cases[] = {
        {"few rows", 6, 1, 3.0, 0, false, 0.5},
        {"turned", 3, 2, 3.0, 15, false, 0.5},
        {"light on dark", 4, 1, 3.0, -10, true, 0.4},
        {"rows upright", 2, 1, 3.0, 85, false, 0.4},
    };
    for (Case const& c : cases) {
        pdf417_test::DrawnSymbol const symbol = DrawCase(c);
        ASSERT_TRUE(symbol.ok) << c.name;
        GrayImage const image = symbol.Image();
        ASSERT_TRUE(Prepare(symbol, image)) << c.name;
        ASSERT_TRUE(dataScan.Start(image, &left, &right, order, parameter, generator, reversed, array, codewords))
            << c.name;
        ExpectData(symbol, c.name);
    }
}

TEST_F(Pdf417DataReading, OutlinedSymbolsAreReadByScansAndPicks)
{
    struct StackCase {
        char const* name;
        Case drawn;
        unsigned ratioClass;
        bool narrow;
    };
    StackCase const cases[] = {
        {"picks only", {"picks only", 3, 2, 3.0, 5, false, 0.5}, 1, false},
        {"scans then picks", {"scans then picks", 4, 2, 3.0, -10, false, 0.6}, 4, false},
        {"light on dark, narrow", {"light on dark", 2, 1, 2.0, 30, true, 0.4}, 2, true},
    };
    std::vector<DataCharacterStack> stacks(DataStackArray::kMaxColumns);
    for (StackCase const& c : cases) {
        pdf417_test::DrawnSymbol const symbol = DrawCase(c.drawn);
        ASSERT_TRUE(symbol.ok) << c.name;
        DataStackArray outline;
        outline.Set(stacks.data(), static_cast<unsigned>(symbol.dataColumns), static_cast<unsigned>(symbol.rows));
        for (int column = 0; column < symbol.dataColumns; ++column) {
            ASSERT_TRUE(pdf417_test::OutlineColumn(symbol, column + 1, stacks[static_cast<size_t>(column)])) << c.name;
        }
        DecodeParameterForPDF symbolParameter;
        symbolParameter.rows = static_cast<unsigned>(symbol.rows);
        symbolParameter.columns = static_cast<unsigned>(symbol.dataColumns);
        symbolParameter.level = static_cast<unsigned>(symbol.level);
        ASSERT_TRUE(stackReader.Start(symbol.Image(), c.drawn.inverted, c.ratioClass, c.narrow, symbolParameter,
                                      outline, codewords))
            << c.name;
        ExpectData(symbol, c.name);
    }
}

// The codewords of a drawn MicroPDF417 symbol, row by row, from zint's
// module rows: data columns lie between the row address columns.
std::vector<unsigned> MicroCodewords(pdf_test::Encoded const& encoded, int columns)
{
    std::vector<int> starts;
    for (int c = 0; c < columns; ++c) {
        int x = 10 + 17 * c;
        if (columns == 3 && c >= 1) x += 10;  // the center column after the first
        if (columns == 4 && c >= 2) x += 10;  // after the second
        starts.push_back(x);
    }
    std::vector<unsigned> values;
    for (std::vector<int> const& row : encoded.rows) {
        for (int x0 : starts) {
            unsigned pattern = 0;
            for (int m = 1; m <= 16; ++m) {
                pattern = (pattern << 1) | (row[static_cast<size_t>(x0 + m)] == 0 ? 1u : 0u);
            }
            values.push_back(PDFCharacterTable::PatternToValue(pattern >> 1));
        }
    }
    return values;
}

TEST_F(Pdf417DataReading, MicroSymbolsAreReadNextToTheirRowAddressColumns)
{
    struct MicroCase {
        char const* name;
        int columns;
        std::string data;
        double angle;
        bool withoutLeft;  // the left row address column is not offered
    };
    MicroCase const cases[] = {
        {"one column", 1, "MICRO 1", 0, false},
        {"two columns", 2, "MicroPDF417 two", 10, false},
        {"three columns", 3, "MicroPDF417 with three columns", -6, false},
        {"three columns without the left one", 3, "MicroPDF417 with three columns", 0, true},
        {"four columns", 4, "MicroPDF417 with four data columns, center column too", 180, false},
    };
    for (MicroCase const& c : cases) {
        pdf_test::Encoded const encoded =
            pdf_test::Encode({.symbology = BARCODE_MICROPDF417, .data = c.data, .option2 = c.columns});
        ASSERT_TRUE(encoded.ok) << c.name;
        support::SymbolInput input{.symbology = BARCODE_MICROPDF417, .data = c.data, .option2 = c.columns};
        support::Rendering const r = support::render(input, {.moduleSize = 3.0, .angle = c.angle, .blur = 0.5});
        ASSERT_TRUE(r.symbol.ok) << c.name;
        GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
        support::Point const a = r.symbol.toFrame({-5.0, r.symbol.heightModules / 2});
        support::Point const b = r.symbol.toFrame({r.symbol.widthModules + 5.0, r.symbol.heightModules / 2});
        LineSegment const segment{Point{static_cast<int>(std::lround(a.x)), static_cast<int>(std::lround(a.y))},
                                  Point{static_cast<int>(std::lround(b.x)), static_cast<int>(std::lround(b.y))}};
        startStop.Clear();
        micro.Clear();
        ASSERT_NE(finder.Start(image, segment, 1, false, true, true, true, true, false, startStop, micro), 0u)
            << c.name;
        MicroFinderColumnData* leftColumn = nullptr;
        MicroFinderColumnData* center = nullptr;
        MicroFinderColumnData* rightColumn = nullptr;
        bool inverted = false;
        ASSERT_NE(micro.GetLeftCenterRightColumnDataPtr(leftColumn, center, rightColumn, inverted), 0u) << c.name;
        MicroPDFVersionBallotBox box;
        box.Load();
        MicroPDFVersionTable::Element version{};
        Mod3OfCluster microOrder;
        ASSERT_NE(micro.GetMicroPDFVersion(box, leftColumn, center, rightColumn, version, microOrder), 0u) << c.name;
        ASSERT_EQ(version.columns, c.columns) << c.name;
        MicroFinderColumnData* present[3] = {leftColumn, center, rightColumn};
        for (unsigned k = 0; k < 3; ++k) {
            if (present[k] != nullptr) {
                present[k]->SetRowNumbers(static_cast<MicroPDFVersionTable::FinderPosition>(k), version);
            }
        }
        // Three data columns are read against the center and right columns
        // only.
        if (c.withoutLeft) {
            leftColumn = nullptr;
        }
        Vector const vector{segment.end.x - segment.begin.x, segment.end.y - segment.begin.y};
        RowScanLineGenerator first;
        RowScanLineGenerator second;
        if (c.columns < 3) {
            ASSERT_TRUE(CalcRowScanLineSubroutine().Start(image, vector, leftColumn, rightColumn, version.rows, first));
        } else {
            ASSERT_TRUE(CalcRowScanLineSubroutine().Start(image, vector, center, rightColumn, version.rows, second));
            if (leftColumn != nullptr) {
                ASSERT_TRUE(
                    CalcRowScanLineSubroutine().Start(image, vector, leftColumn, center, version.rows, first));
            }
        }
        array.Set(columns.data(), version.columns, version.rows);
        ASSERT_TRUE(dataScan.Start(image, leftColumn, center, rightColumn, microOrder, version,
                                   leftColumn != nullptr || c.columns < 3 ? first : second, second, inverted, array,
                                   codewords))
            << c.name;
        std::vector<unsigned> const truth = MicroCodewords(encoded, c.columns);
        ASSERT_EQ(codewords.GetCount(), truth.size() - version.errorCorrection) << c.name;
        for (unsigned i = 0; i < codewords.GetCount(); ++i) {
            EXPECT_EQ(codewords[i], truth[i]) << c.name << " codeword " << i;
        }
    }
}

// A codeword read on a line that strayed into a neighbouring row is booked
// to the row its cluster names.
TEST(Pdf417DataRows, ReadingIsBookedToTheRowItsClusterNames)
{
    Mod3OfCluster order;
    order.SetIdentity();  // cluster 0 at rows 0, 3, ...; 3 at 1, 4, ...; 6 at 2, 5, ...
    Mod3OfCluster shifted;
    shifted.Push(3);
    shifted.Push(6);
    shifted.Push(0);  // the first row read showed cluster 3
    struct Case {
        char const* name;
        Mod3OfCluster const& order;
        int row;
        int cluster;
        int booked;
    };
    Case const cases[] = {
        {"its own row", order, 4, 3, 4},
        {"line in the row above", order, 3, 3, 4},
        {"line in the row below", order, 5, 3, 4},
        {"round the group of three, down", order, 2, 0, 3},
        {"round the group of three, up", order, 3, 6, 2},
        {"first row above the symbol", order, 0, 6, -1},
        {"order of another symbol", shifted, 4, 3, 3},
    };
    for (Case const& c : cases) {
        EXPECT_EQ(CorrectRowByCluster(c.order, c.row, c.cluster), c.booked) << c.name;
    }
}

// Cells already read surely enough are not read again.
TEST_F(Pdf417DataReading, SureCellsAreNotReadAgain)
{
    Case const c{"sure cells", 3, 2, 3.0, 0, false, 0.5};
    pdf417_test::DrawnSymbol const symbol = DrawCase(c);
    ASSERT_TRUE(symbol.ok);
    GrayImage const image = symbol.Image();
    ASSERT_TRUE(Prepare(symbol, image));
    ASSERT_TRUE(dataPick.Start(image, &left, &right, order, parameter, generator, reversed, array, codewords));
    DataColumnData& column = array[0];
    unsigned const before = column.GetCount();
    ASSERT_GT(before, 0u);
    for (unsigned r = 0; r < parameter.rows; ++r) {
        EXPECT_GT(column.bestScore[r], DataColumnPickSubroutine::kFinalScore) << r;
    }
    for (unsigned cycle = 0; cycle < 3; ++cycle) {
        dataScan.ScanOneCycle(image, generator, left, order, parameter.rows, cycle, false, reversed, column);
    }
    EXPECT_EQ(column.GetCount(), before);
}

// Rows much higher than narrow columns are wide are left to the edge reader.
TEST_F(Pdf417DataReading, TallRowsOfNarrowColumnsFallBackToTheScan)
{
    std::string const data = "Tall rows, narrow columns";
    pdf417_test::DrawnSymbol const symbol = pdf417_test::Draw({.data = data, .option1 = 2, .option2 = 3},
                                                              {.moduleSize = 1.45, .angle = 0.0});
    ASSERT_TRUE(symbol.ok);
    pdf417_test::DrawnSymbol const tall = [&] {
        pdf417_test::DrawnSymbol t;
        pdf_test::Encoded const encoded = pdf_test::Encode({.data = data, .option1 = 2, .option2 = 3});
        support::SymbolInput input{.symbology = BARCODE_PDF417, .data = data, .option1 = 2, .option2 = 3,
                                   .height = static_cast<float>(6 * encoded.rows.size())};
        t.rendering = support::render(input, {.moduleSize = 1.45});
        t.rows = static_cast<int>(encoded.rows.size());
        t.ok = t.rendering.symbol.ok;
        return t;
    }();
    ASSERT_TRUE(tall.ok);
    GrayImage const image = tall.Image();
    ASSERT_TRUE(Prepare(tall, image));
    EXPECT_FALSE(dataPick.Start(image, &left, &right, order, parameter, generator, reversed, array, codewords));
    EXPECT_TRUE(dataPick.IsFallBack());
    // Rows of the usual height are picked.
    GrayImage const usual = symbol.Image();
    ASSERT_TRUE(Prepare(symbol, usual));
    dataPick.Start(usual, &left, &right, order, parameter, generator, reversed, array, codewords);
    EXPECT_FALSE(dataPick.IsFallBack());
}

// Many drawn symbols (sizes, angles, blur, polarity): no reader may give
// data other than the encoder's, and most symbols that reach the data
// stage are read.
TEST_F(Pdf417DataReading, ManySymbolsReadRightOrNotAtAll)
{
    unsigned prepared = 0;
    unsigned tall = 0;
    unsigned picked = 0;
    unsigned scanned = 0;
    unsigned stacked = 0;
    unsigned wrong = 0;
    std::vector<DataCharacterStack> stacks(DataStackArray::kMaxColumns);
    for (int i = 0; i < 120; ++i) {
        Case const c{"survey", 2 + i % 6, 1 + i % 4, 1.6 + (i % 7) * 0.4, (i * 37) % 360 * 1.0, (i % 5) == 0,
                     0.3 + (i % 3) * 0.3};
        pdf417_test::DrawnSymbol const symbol = DrawCase(c);
        ASSERT_TRUE(symbol.ok) << i;
        GrayImage const image = symbol.Image();
        if (!Prepare(symbol, image)) {
            continue;
        }
        ++prepared;
        auto matches = [&] {
            unsigned const ec = 1u << (symbol.level + 1);
            unsigned const n = static_cast<unsigned>(symbol.rows * symbol.dataColumns);
            bool ok = codewords.GetCount() == n - ec;
            for (unsigned k = 0; ok && k < codewords.GetCount(); ++k) {
                ok = codewords[k] == symbol.At(static_cast<int>(k) / symbol.dataColumns,
                                               static_cast<int>(k) % symbol.dataColumns + 1)->value;
            }
            wrong += ok ? 0 : 1;
            return ok;
        };
        if (symbol.rows >= 9) {
            ++tall;
            picked += dataPick.Start(image, &left, &right, order, parameter, generator, reversed, array, codewords) &&
                      matches();
        }
        scanned += dataScan.Start(image, &left, &right, order, parameter, generator, reversed, array, codewords) &&
                   matches();
        DataStackArray outline;
        outline.Set(stacks.data(), static_cast<unsigned>(symbol.dataColumns), static_cast<unsigned>(symbol.rows));
        for (int column = 0; column < symbol.dataColumns; ++column) {
            ASSERT_TRUE(pdf417_test::OutlineColumn(symbol, column + 1, stacks[static_cast<size_t>(column)]));
        }
        DecodeParameterForPDF outlined;
        outlined.rows = static_cast<unsigned>(symbol.rows);
        outlined.columns = static_cast<unsigned>(symbol.dataColumns);
        outlined.level = static_cast<unsigned>(symbol.level);
        stacked += stackReader.Start(image, c.inverted, 2, false, outlined, outline, codewords) && matches();
    }
    EXPECT_EQ(wrong, 0u);
    EXPECT_GE(prepared, 80u);
    EXPECT_GE(4 * picked, 3 * tall) << picked << " of " << tall;
    EXPECT_GE(4 * scanned, 3 * prepared) << scanned << " of " << prepared;
    EXPECT_GE(10 * stacked, 9 * prepared) << stacked << " of " << prepared;
}

}  // namespace
