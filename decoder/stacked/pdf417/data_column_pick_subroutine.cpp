#include "decoder/stacked/pdf417/data_column_pick_subroutine.h"

#include "decoder/core/geometry/geometry.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/stacked/pdf417/calc_pdf_column_subroutine.h"
#include "decoder/stacked/pdf417/data_column_array.h"
#include "decoder/stacked/pdf417/mod3_of_cluster.h"
#include "decoder/stacked/pdf417/pdf_column_pick_subroutine.h"
#include "decoder/stacked/pdf417/pdf_column_scan_subroutine.h"
#include "decoder/stacked/pdf417/row_indicator_column_data.h"
#include "decoder/stacked/pdf417/row_scan_line_generator.h"
#include "decoder/stacked/pdf417/data_column_reading.h"
#include "decoder/stacked/pdf_error_detection.h"

namespace DEC2DIvra {

// The data columns' lattice and which side reads each.
struct DataColumnPickSubroutine::Lattice {
    PDFColumn leftIndicator;
    PDFColumn rightIndicator;
    PDFColumn columns[kMaxColumns];
    bool built[kMaxColumns] = {};
    unsigned count = 0;
    unsigned leftCount = 0;  // columns 0 .. leftCount - 1 are read from the left
    bool narrow = false;
    unsigned aspect = 0;     // twice the row height in modules
};

namespace {

// One row of the reading plan: the totals the sweep and pick counters run to.
struct PlanPhase {
    unsigned sweeps;
    unsigned picks;
};

struct Plan {
    PlanPhase phase[2];
    unsigned phases;
};

Plan ChoosePlan(unsigned aspect, bool narrow)
{
    if (aspect < 2) {
        return Plan{{{0, 4}, {5, 0}}, 2};
    }
    if (aspect <= 3) {
        return narrow ? Plan{{{0, 1}, {5, 4}}, 2} : Plan{{{0, 2}, {5, 4}}, 2};
    }
    return narrow ? Plan{{{0, 2}, {5, 4}}, 2} : Plan{{{5, 4}, {0, 0}}, 1};
}

// The segment between the crossings of a line with two borders.
bool CrossBorders(Line const& line, Line const& first, Line const& second, LineSegment& segment)
{
    return Geometry::CalcCrossPoint(line, first, segment.begin) && Geometry::CalcCrossPoint(line, second, segment.end);
}

}  // namespace

DataColumnPickSubroutine::DataColumnPickSubroutine(SharedMemoryDistributor& memory, PDFColumnPickSubroutine& pick,
                                                   PDFColumnScanSubroutine& scan, PDFErrorDetection& detection)
    : pick_(&pick), scan_(&scan), detection_(&detection)
{
    erasures_ = StackInterface<unsigned short>(memory.TakeArray<unsigned short>(kMaxCodewords));
}

bool DataColumnPickSubroutine::ErrorDetection(DataColumnArray const& array, unsigned errorCorrection,
                                              StackInterface<unsigned short>& codewords) const
{
    return CheckCodeWords(array, errorCorrection, *detection_, codewords, erasures_);
}

bool DataColumnPickSubroutine::BuildLattice(GrayImage const& image, RowIndicatorColumnData const* left,
                                            RowIndicatorColumnData const* right,
                                            DecodeParameterForPDF const& parameter,
                                            RowScanLineGenerator const& generator, bool inverted,
                                            Lattice& lattice) const
{
    CalcPDFColumnSubroutine const calc;
    if ((left != nullptr && !calc.Start(*left, 0, lattice.leftIndicator)) ||
        (right != nullptr && !calc.Start(*right, 1, lattice.rightIndicator))) {
        return false;
    }
    unsigned const rows = parameter.rows;
    unsigned const count = parameter.columns;
    // The row height against the codeword width, from the first and last
    // row lines across the indicator columns.
    LineSegment firstRow;
    LineSegment lastRow;
    Line firstLine;
    Line lastLine;
    if (!generator.GetScanLine(0, 0, firstRow) || !generator.GetScanLine(0, static_cast<int>(rows) - 1, lastRow) ||
        !firstRow.CalcLine(firstLine) || !lastRow.CalcLine(lastLine)) {
        return false;
    }
    Line const& outerFirst = left != nullptr ? lattice.leftIndicator.first : lattice.rightIndicator.first;
    Line const& outerSecond = right != nullptr ? lattice.rightIndicator.second : lattice.leftIndicator.second;
    LineSegment top;
    LineSegment bottom;
    if (!CrossBorders(firstLine, outerFirst, outerSecond, top) ||
        !CrossBorders(lastLine, outerFirst, outerSecond, bottom)) {
        return false;
    }
    unsigned long long const heights =
        static_cast<unsigned long long>(Geometry::CalcEuclideanDistance(top.begin, bottom.begin)) +
        Geometry::CalcEuclideanDistance(top.end, bottom.end);
    unsigned long long const widths =
        static_cast<unsigned long long>(Geometry::CalcEuclideanDistance(top.begin, top.end)) +
        Geometry::CalcEuclideanDistance(bottom.begin, bottom.end);
    if (widths == 0 || rows == 0) {
        return false;
    }
    unsigned long long const modules = left != nullptr && right != nullptr ? 34ULL * count + 68 : 34ULL;
    lattice.aspect = static_cast<unsigned>(heights * modules / (rows * widths));
    if (lattice.aspect >= 6 && ((left != nullptr && lattice.leftIndicator.narrow) ||
                                (right != nullptr && lattice.rightIndicator.narrow))) {
        fallBack_ = true;
        return false;
    }
    // The codeword columns, one width at a time from either indicator
    // inward; the last one between its two neighbours.
    LineSegment middle;
    if (!generator.GetScanLine(0, static_cast<int>(count >> 1), middle)) {
        return false;
    }
    Vector const vector{middle.end.x - middle.begin.x, middle.end.y - middle.begin.y};
    lattice.count = count;
    lattice.leftCount = left == nullptr ? 0 : (right == nullptr ? count : (count + 1) / 2);
    bool const between = left != nullptr && right != nullptr;
    unsigned const leftBuilt = between ? lattice.leftCount - 1 : lattice.leftCount;
    for (unsigned c = 0; c < leftBuilt; ++c) {
        PDFColumn const* from = c == 0 ? &lattice.leftIndicator : (lattice.built[c - 1] ? &lattice.columns[c - 1] : nullptr);
        lattice.built[c] = from != nullptr && calc.Start(image, *from, vector, rows, inverted, 0, lattice.columns[c]);
    }
    for (unsigned c = count; c-- > lattice.leftCount;) {
        PDFColumn const* from =
            c + 1 == count ? &lattice.rightIndicator : (lattice.built[c + 1] ? &lattice.columns[c + 1] : nullptr);
        lattice.built[c] = from != nullptr && calc.Start(image, *from, vector, rows, inverted, 1, lattice.columns[c]);
    }
    if (between) {
        unsigned const c = lattice.leftCount - 1;
        PDFColumn const* before = c == 0 ? &lattice.leftIndicator : (lattice.built[c - 1] ? &lattice.columns[c - 1] : nullptr);
        PDFColumn const* after =
            c + 1 == count ? &lattice.rightIndicator : (lattice.built[c + 1] ? &lattice.columns[c + 1] : nullptr);
        lattice.built[c] = before != nullptr && after != nullptr && calc.Start(*before, *after, lattice.columns[c]);
    }
    for (unsigned c = 0; c < count; ++c) {
        lattice.narrow = lattice.narrow || (lattice.built[c] && lattice.columns[c].narrow);
    }
    return true;
}

bool DataColumnPickSubroutine::Start(GrayImage const& image, RowIndicatorColumnData const* left,
                                     RowIndicatorColumnData const* right, Mod3OfCluster const& order,
                                     DecodeParameterForPDF const& parameter, RowScanLineGenerator const& generator,
                                     bool inverted, DataColumnArray& array,
                                     StackInterface<unsigned short>& codewords) const
{
    fallBack_ = false;
    unsigned const count = parameter.columns;
    unsigned const rows = parameter.rows;
    if ((left == nullptr && right == nullptr) || count == 0 || count > kMaxColumns || rows < 3 ||
        rows > DataColumnData::kMaxRows || array.GetColumnCount() != count || array.GetRowCount() != rows ||
        erasures_.GetCapacity() == 0) {
        return false;
    }
    for (unsigned c = 0; c < count; ++c) {
        array[c].Reset(c);
        if (left == nullptr && right != nullptr) {
            array[c].SetOrientation(right->GetOrientation());
        } else {
            array[c].SetOrientation(left->GetOrientation());
        }
    }
    Lattice lattice;
    if (!BuildLattice(image, left, right, parameter, generator, inverted, lattice)) {
        return false;
    }
    unsigned const errorCorrection = 1u << (parameter.level + 1);
    Plan const plan = ChoosePlan(lattice.aspect, lattice.narrow);
    unsigned sweeps = 0;
    unsigned picks = 0;
    bool sweepsStopped = false;
    bool result = false;
    for (unsigned phase = 0; phase < plan.phases; ++phase) {
        for (; sweeps < plan.phase[phase].sweeps && !sweepsStopped; ++sweeps) {
            for (unsigned k = 0; k < count; ++k) {
                // From both ends inward: 0, K - 1, 1, K - 2, ...
                unsigned const c = (k & 1u) == 0 ? k / 2 : count - 1 - k / 2;
                bool const onRight = c >= lattice.leftCount;
                ColumnData const* reference =
                    onRight ? (c + 1 == count ? static_cast<ColumnData const*>(right) : &array[c + 1])
                            : (c == 0 ? static_cast<ColumnData const*>(left) : &array[c - 1]);
                if (!lattice.built[c] || reference == nullptr) {
                    continue;
                }
                ScanOneCycle(image, generator, sweeps, *reference, lattice.columns[c], order, rows, inverted,
                             onRight, array[c]);
            }
            result = ErrorDetection(array, errorCorrection, codewords);
            if (result) {
                return true;
            }
        }
        for (; picks < plan.phase[phase].picks; ++picks) {
            bool complete = true;
            Pick(image, lattice, left, right, order, rows, generator, inverted, picks, array, complete);
            sweepsStopped = sweepsStopped || !complete;
            result = ErrorDetection(array, errorCorrection, codewords);
            if (result) {
                return true;
            }
        }
    }
    return result;
}

bool DataColumnPickSubroutine::Pick(GrayImage const& image, Lattice const& lattice,
                                    RowIndicatorColumnData const* left, RowIndicatorColumnData const* right,
                                    Mod3OfCluster const& order, unsigned rows, RowScanLineGenerator const& generator,
                                    bool inverted, unsigned pick, DataColumnArray& array, bool& complete) const
{
    // The column closed half a row beyond its first and last row lines.
    RegionBorderLine border;
    LineSegment above;
    LineSegment first;
    LineSegment last;
    LineSegment below;
    if (!generator.CalcLineSegment(-1, above) || !generator.CalcLineSegment(0, first) ||
        !generator.CalcLineSegment(static_cast<int>(rows) - 1, last) ||
        !generator.CalcLineSegment(static_cast<int>(rows), below)) {
        complete = false;
        return false;
    }
    LineSegment top;
    LineSegment bottom;
    Geometry::CalcCenterPoint(above.begin, first.begin, top.begin);
    Geometry::CalcCenterPoint(above.end, first.end, top.end);
    Geometry::CalcCenterPoint(last.begin, below.begin, bottom.begin);
    Geometry::CalcCenterPoint(last.end, below.end, bottom.end);
    if (!top.CalcLine(border.line[0]) || !bottom.CalcLine(border.line[2])) {
        complete = false;
        return false;
    }
    unsigned const count = lattice.count;
    unsigned const edgeParameter = pick < 2 ? 16 : 4;
    bool const halfStep = (pick & 1u) != 0;
    bool const tryHarder = pick >= 2;
    for (unsigned k = 0; k < count; ++k) {
        unsigned const c = (k & 1u) == 0 ? k / 2 : count - 1 - k / 2;
        bool const onRight = c >= lattice.leftCount;
        ColumnData const* reference = onRight
                                          ? (c + 1 == count ? static_cast<ColumnData const*>(right) : &array[c + 1])
                                          : (c == 0 ? static_cast<ColumnData const*>(left) : &array[c - 1]);
        if (!lattice.built[c] || reference == nullptr) {
            complete = false;
            continue;
        }
        border.line[3] = lattice.columns[c].first;
        border.line[1] = lattice.columns[c].second;
        pick_->Start(image, &order, rows, *reference, border, edgeParameter, inverted, onRight, halfStep, tryHarder,
                     array[c]);
        NoteBestScores(array[c]);
    }
    return true;
}

bool DataColumnPickSubroutine::ScanOneCycle(GrayImage const& image, RowScanLineGenerator const& generator,
                                            unsigned cycle, ColumnData const& reference, PDFColumn const& column,
                                            Mod3OfCluster const& order, unsigned rows, bool inverted, bool right,
                                            DataColumnData& out) const
{
    bool wentOn = false;
    int const middle = static_cast<int>(rows >> 1);
    for (int pass = 0; pass < 2; ++pass) {
        int const step = pass == 0 ? -1 : 1;
        for (int r = pass == 0 ? middle : middle + 1; r >= 0 && r < static_cast<int>(rows); r += step) {
            LineSegment segment;
            Line line;
            unsigned contrast = 0;
            int row = 0;
            bool outside = false;
            if (!generator.GetScanLine(cycle, r, segment) || !segment.CalcLine(line) ||
                !reference.CalcPickParameter(image, line, contrast, row, outside)) {
                break;
            }
            wentOn = Scan(image, line, row, contrast, column, order, rows, inverted, right, out);
            if (!wentOn) {
                break;
            }
        }
    }
    FinishColumn(out);
    return wentOn;
}

bool DataColumnPickSubroutine::Scan(GrayImage const& image, Line const& line, int row, unsigned contrast,
                                    PDFColumn const& column, Mod3OfCluster const& order, unsigned rows,
                                    bool inverted, bool right, DataColumnData& out) const
{
    if (row >= static_cast<int>(rows)) {
        return false;
    }
    if (row >= 0 && row < static_cast<int>(DataColumnData::kMaxRows) && out.bestScore[row] > kFinalScore) {
        return true;
    }
    LineSegment segment;
    if (!CrossBorders(line, column.first, column.second, segment)) {
        return false;
    }
    PDFCharacterWithScore character;
    int cluster = -1;
    unsigned short windowContrast = 0;
    if (!scan_->Start(image, segment, !column.narrow, contrast, inverted, true, column.narrow ? 64 : 16, character,
                      cluster, windowContrast)) {
        return true;
    }
    int const corrected = CorrectRowByCluster(order, row, cluster);
    if (corrected < 0 || corrected >= static_cast<int>(rows)) {
        return true;
    }
    AppendReading(out, right ? LineSegment{segment.end, segment.begin} : segment, windowContrast, character,
                  static_cast<unsigned>(cluster), corrected);
    return true;
}

}  // namespace DEC2DIvra
