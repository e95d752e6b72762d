#include "decoder/stacked/pdf417/data_column_scan_subroutine.h"

#include "decoder/core/geometry/geometry.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/linear/roads/pick_line_subroutine.h"
#include "decoder/stacked/pdf417/data_column_array.h"
#include "decoder/stacked/pdf417/data_column_reading.h"
#include "decoder/stacked/pdf417/micro_finder_column_data.h"
#include "decoder/stacked/pdf417/mod3_of_cluster.h"
#include "decoder/stacked/pdf417/pdf_partial_scan_data.h"
#include "decoder/stacked/pdf417/pdf_scan_line.h"
#include "decoder/stacked/pdf417/row_indicator_column_data.h"
#include "decoder/stacked/pdf417/row_scan_line_generator.h"
#include "decoder/stacked/pdf_character_table.h"

namespace DEC2DIvra {

namespace {

// A codeword this long (25.5 pixels) is read by its widths.
constexpr unsigned kFineLength = 6528;

void ResetColumns(DataColumnArray& array, unsigned orientation)
{
    for (unsigned c = 0; c < array.GetColumnCount(); ++c) {
        array[c].Reset(c);
        array[c].SetOrientation(orientation);
    }
}

}  // namespace

DataColumnScanSubroutine::DataColumnScanSubroutine(SharedMemoryDistributor& memory, PDFErrorDetection& detection)
    : detection_(&detection)
{
    bool const buffered = buffer_.Initialize(memory, kMaxSamples, kMaxSamples);
    VirtualArray<unsigned char> const work =
        memory.TakeArray<unsigned char>(kMaxSamples * static_cast<unsigned>(sizeof(ScanSubroutine::SlopeEntry) +
                                                                            sizeof(ScanSubroutine::EdgePair)));
    erasures_ = StackInterface<unsigned short>(memory.TakeArray<unsigned short>(kMaxCodewords));
    if (!buffered || work.IsEmpty() || erasures_.GetCapacity() == 0) {
        return;
    }
    scan_ = ScanSubroutine(work);
    ready_ = scan_.IsReady();
}

bool DataColumnScanSubroutine::CalcCodeWords(unsigned errorCorrection, DataColumnArray const& array,
                                             StackInterface<unsigned short>& codewords) const
{
    return CheckCodeWords(array, errorCorrection, *detection_, codewords, erasures_);
}

bool DataColumnScanSubroutine::CalcScanParameter(GrayImage const& image, RowScanLineGenerator const& generator,
                                                 unsigned cycle, int row, ColumnData const& reference, bool side,
                                                 ScanParameter& parameter) const
{
    return CalcScanParameter(image, generator, cycle, row, reference, reference.GetModuleCount(), side, parameter);
}

bool DataColumnScanSubroutine::CalcScanParameter(GrayImage const& image, RowScanLineGenerator const& generator,
                                                 unsigned cycle, int row, ColumnData const& reference,
                                                 unsigned modules, bool side, ScanParameter& parameter) const
{
    LineSegment segment;
    Line line;
    if (!generator.GetScanLine(cycle, row, segment) || !segment.CalcLine(line) ||
        !reference.CalcScanParameter(image, line, parameter, side, true)) {
        return false;
    }
    return modules == 17 || RelayForModules(image, modules, parameter);
}

bool DataColumnScanSubroutine::RelayForModules(GrayImage const& image, unsigned modules, ScanParameter& parameter)
{
    // The line was laid for a 17-module reference: from 2/17 of it before
    // its end over 23/17 of it. Next to a row address pattern of `modules`
    // modules it must start two of those modules before the end and reach
    // 23 of them, and the codeword expected is 17/modules as wide.
    if (modules == 0 || modules > 17) {
        return false;
    }
    LineSegment const& laid = parameter.line.GetSegment();
    long long const dx = static_cast<long long>(laid.end.x) - laid.begin.x;
    long long const dy = static_cast<long long>(laid.end.y) - laid.begin.y;
    long long const m = modules;
    // begin + 2d/23 - 34d/(23 m), then 17d/m further.
    long long const bx = laid.begin.x + (2 * m - 34) * dx / (23 * m);
    long long const by = laid.begin.y + (2 * m - 34) * dy / (23 * m);
    LineSegment const relaid{{static_cast<int>(bx), static_cast<int>(by)},
                             {static_cast<int>(bx + 17 * dx / m), static_cast<int>(by + 17 * dy / m)}};
    unsigned const width = parameter.line.GetCodeWidth();
    if (!parameter.line.Set(image, relaid, parameter.line.GetThickness())) {
        return false;
    }
    // Its elements keep their width where a codeword keeps its contrast.
    parameter.contrast = 0;
    parameter.line.SetExpected(static_cast<unsigned>(static_cast<unsigned long long>(width) * 17 / m), 0);
    return true;
}

bool DataColumnScanSubroutine::Scan(GrayImage const& image, ScanParameter const& parameter,
                                    Mod3OfCluster const& order, unsigned rows, bool side, bool inverted,
                                    DataColumnData& out) const
{
    int const row = parameter.row;
    if (row >= 0 && row < static_cast<int>(DataColumnData::kMaxRows) && out.bestScore[row] > kFinalScore) {
        return true;
    }
    PDFScanLine const& line = parameter.line;
    PickLineSubroutine const pick(buffer_.GetSamples(), kFractionBits);
    unsigned lineContrast = 0;
    if (!line.Scan(image, pick, scan_, buffer_, lineContrast)) {
        return false;
    }
    // The neighbouring codeword starts two modules into the line; its
    // expected width comes in 1/256 of a line step.
    long long const w = static_cast<long long>(line.GetCodeWidth()) >> (8 - kFractionBits);
    if (w < 17) {
        return false;
    }
    StackInterface<ScanElement> const& runs = buffer_.GetRuns();
    PDFPartialScanData window;
    ArrayIterator<ScanElement const> const from(runs.GetFirst(), runs.GetCount(), 0, 1);
    bool const colour = inverted != side;
    // Without an expected contrast (next to a row address column) the
    // line's own serves.
    unsigned const contrast = parameter.contrast != 0 ? parameter.contrast : lineContrast;
    if (!window.Set(from, colour, 0, contrast, static_cast<unsigned>(17 * w / 19),
                    static_cast<unsigned>(19 * w / 17), static_cast<unsigned>(4 * w / 17)) ||
        window.GetLength() != 8) {
        return false;
    }
    long long const span = window.GetSpan();
    bool const fits = parameter.loose ? 3 * span >= 2 * w && 2 * span <= 3 * w
                                      : 19 * span >= 17 * w && 17 * span <= 19 * w;
    if (!fits) {
        return false;
    }
    bool const fine = static_cast<unsigned long long>(Geometry::CalcChebyshevDistance(line.GetSegment())) * 256 >=
                      kFineLength;
    BarSymbolForPDF symbol;
    PDFCharacterWithScore character;
    if (!window.CalcBarSymbol(buffer_.GetSamples(), fine, side, inverted, symbol, character.score)) {
        return false;
    }
    character.value = PDFCharacterTable::PatternToValue(symbol.pattern >> 1);
    if (character.value == 0xFFFF) {
        return false;
    }
    int const corrected = CorrectRowByCluster(order, row, static_cast<int>(symbol.cluster));
    if (corrected < 0 || corrected >= static_cast<int>(rows)) {
        return true;
    }
    // Where the codeword lies, 1/256 pixel, in the line's direction.
    Point begin;
    Point end;
    if (!line.CalcRealLineCoordPoint(image, window.GetBegin(), kFractionBits, begin) ||
        !line.CalcRealLineCoordPoint(image, window.GetEnd(), kFractionBits, end)) {
        return true;
    }
    unsigned const shift = 8 - kFractionBits;
    LineSegment const segment{{begin.x * (1 << shift), begin.y * (1 << shift)},
                              {end.x * (1 << shift), end.y * (1 << shift)}};
    return AppendReading(out, segment, symbol.contrast, character, symbol.cluster, corrected);
}

bool DataColumnScanSubroutine::ScanOneCycle(GrayImage const& image, RowScanLineGenerator const& generator,
                                            ColumnData const& reference, Mod3OfCluster const& order,
                                            unsigned rows, unsigned cycle, bool side, bool inverted,
                                            DataColumnData& out) const
{
    return ScanOneCycle(image, generator, reference, reference.GetModuleCount(), order, rows, cycle, side, inverted,
                        out);
}

bool DataColumnScanSubroutine::ScanOneCycle(GrayImage const& image, RowScanLineGenerator const& generator,
                                            ColumnData const& reference, unsigned modules,
                                            Mod3OfCluster const& order, unsigned rows, unsigned cycle, bool side,
                                            bool inverted, DataColumnData& out) const
{
    unsigned const before = out.GetCount();
    int const middle = static_cast<int>(rows >> 1);
    // Three rows beyond either end, where the lines leave the symbol.
    for (int r = middle; r >= -3; --r) {
        ScanParameter parameter;
        if (!CalcScanParameter(image, generator, cycle, r, reference, modules, side, parameter) ||
            !Scan(image, parameter, order, rows, side, inverted, out)) {
            break;
        }
    }
    for (int r = middle + 1; r <= static_cast<int>(rows) + 2; ++r) {
        ScanParameter parameter;
        if (!CalcScanParameter(image, generator, cycle, r, reference, modules, side, parameter) ||
            !Scan(image, parameter, order, rows, side, inverted, out)) {
            break;
        }
    }
    FinishColumn(out);
    return out.GetCount() > before;
}

bool DataColumnScanSubroutine::ReadColumn(GrayImage const& image, RowScanLineGenerator const& generator,
                                          ColumnData const& reference, Mod3OfCluster const& order, unsigned rows,
                                          bool side, bool inverted, DataColumnData& out) const
{
    for (unsigned cycle = 0;; ++cycle) {
        if (!ScanOneCycle(image, generator, reference, order, rows, cycle, side, inverted, out)) {
            return out.GetCount() > (2 * rows) / 3;
        }
        if (out.GetCount() > (2 * rows) / 3) {
            return true;
        }
    }
}

bool DataColumnScanSubroutine::Start(GrayImage const& image, RowIndicatorColumnData const* left,
                                     RowIndicatorColumnData const* right, Mod3OfCluster const& order,
                                     DecodeParameterForPDF const& parameter, RowScanLineGenerator const& generator,
                                     bool inverted, DataColumnArray& array,
                                     StackInterface<unsigned short>& codewords) const
{
    unsigned const count = parameter.columns;
    unsigned const rows = parameter.rows;
    if (!ready_ || (left == nullptr && right == nullptr) || count == 0 || count > kMaxColumns ||
        rows > DataColumnData::kMaxRows || array.GetColumnCount() != count || array.GetRowCount() != rows) {
        return false;
    }
    ResetColumns(array, (left != nullptr ? left : right)->GetOrientation());
    bool leftRuns = left != nullptr;
    bool rightRuns = right != nullptr;
    if (count == 1 && leftRuns && rightRuns) {
        // One data column is read from the side with the wider indicator.
        unsigned leftWidth = 0;
        unsigned rightWidth = 0;
        bool const rightWider = left->CalcChebyshevWidth(leftWidth) && right->CalcChebyshevWidth(rightWidth) &&
                                rightWidth > leftWidth;
        leftRuns = !rightWider;
        rightRuns = rightWider;
    }
    ColumnData const* leftReference = left;
    ColumnData const* rightReference = right;
    int next = 0;
    int last = static_cast<int>(count) - 1;
    while (next <= last && (leftRuns || rightRuns)) {
        if (leftRuns) {
            DataColumnData& column = array[static_cast<unsigned>(next)];
            if (ReadColumn(image, generator, *leftReference, order, rows, false, inverted, column)) {
                leftReference = &column;
                ++next;
            } else {
                leftRuns = false;
            }
        }
        if (rightRuns && next <= last) {
            DataColumnData& column = array[static_cast<unsigned>(last)];
            if (ReadColumn(image, generator, *rightReference, order, rows, true, inverted, column)) {
                rightReference = &column;
                --last;
            } else {
                rightRuns = false;
            }
        }
    }
    return CalcCodeWords(1u << (parameter.level + 1), array, codewords);
}

bool DataColumnScanSubroutine::Start(GrayImage const& image, MicroFinderColumnData const* left,
                                     MicroFinderColumnData const* center, MicroFinderColumnData const* right,
                                     Mod3OfCluster const& order, MicroPDFVersionTable::Element const& version,
                                     RowScanLineGenerator const& first, RowScanLineGenerator const& second,
                                     bool inverted, DataColumnArray& array,
                                     StackInterface<unsigned short>& codewords) const
{
    struct PlanEntry {
        MicroFinderColumnData const* reference;
        RowScanLineGenerator const* generator;
        bool side;  // the reference lies to the right of the data column
    };
    unsigned const count = version.columns;
    unsigned const rows = version.rows;
    if (!ready_ || count < 1 || count > 4 || rows > DataColumnData::kMaxRows || array.GetColumnCount() != count ||
        array.GetRowCount() != rows) {
        return false;
    }
    PlanEntry plan[4] = {};
    switch (count) {
    case 1:
        if (left == nullptr || right == nullptr) {
            return false;
        }
        plan[0] = left->GetCount() > right->GetCount() ? PlanEntry{left, &first, false}
                                                       : PlanEntry{right, &first, true};
        break;
    case 2:
        if (left == nullptr || right == nullptr) {
            return false;
        }
        plan[0] = {left, &first, false};
        plan[1] = {right, &first, true};
        break;
    case 3:
        if (center == nullptr || right == nullptr) {
            return false;
        }
        plan[0] = {center, &first, true};
        plan[1] = {center, &second, false};
        plan[2] = {right, &second, true};
        break;
    default:
        if (left == nullptr || center == nullptr || right == nullptr) {
            return false;
        }
        plan[0] = {left, &first, false};
        plan[1] = {center, &first, true};
        plan[2] = {center, &second, false};
        plan[3] = {right, &second, true};
        break;
    }
    ResetColumns(array, plan[0].reference->GetOrientation());
    unsigned cycles[4] = {};
    for (unsigned pass = 0; pass < kMaxPasses; ++pass) {
        bool any = false;
        for (unsigned c = 0; c < count; ++c) {
            if (ScanOneCycle(image, *plan[c].generator, *plan[c].reference, kRowAddressModules, order, rows,
                             cycles[c], plan[c].side, inverted, array[c])) {
                ++cycles[c];
                any = true;
            }
        }
        if (!any) {
            return false;
        }
        if (CalcCodeWords(version.errorCorrection, array, codewords)) {
            return true;
        }
    }
    return false;
}

}  // namespace DEC2DIvra
