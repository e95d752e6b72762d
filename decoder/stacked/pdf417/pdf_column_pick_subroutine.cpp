#include "decoder/stacked/pdf417/pdf_column_pick_subroutine.h"

#include "decoder/core/geometry/geometry.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/linear/line/rate_for_tuning_calculator.h"
#include "decoder/stacked/pdf417/column_data.h"
#include "decoder/stacked/pdf417/data_column_reading.h"
#include "decoder/stacked/pdf417/data_stack_array.h"
#include "decoder/stacked/pdf417/mod3_of_cluster.h"
#include "decoder/stacked/pdf417/pdf_column_scan_subroutine.h"
#include "decoder/stacked/pdf_character_table.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kMeshPoints = PDFColumnPickSubroutine::kModules * PDFColumnPickSubroutine::kMaxMeshRows;
// Blocks of 4 x 4 over 15 x 272 table cells, with room to spare.
constexpr unsigned kBlocks = 5 * 70;
constexpr unsigned kTableCells = 16 * PDFColumnPickSubroutine::kMaxMeshRows;

}  // namespace

PDFColumnPickSubroutine::PDFColumnPickSubroutine(SharedMemoryDistributor& memory, RateForTuningCalculator& tuning,
                                                 CalcSegmentScoreSubroutine& score)
    : tuning_(&tuning), score_(&score)
{
    VirtualArray<Line> const columnLines = memory.TakeArray<Line>(kModules);
    VirtualArray<Line> const rowLines = memory.TakeArray<Line>(kMaxMeshRows);
    VirtualArray<Point> const points = memory.TakeArray<Point>(kMeshPoints);
    VirtualArray<unsigned short> const cells = memory.TakeArray<unsigned short>(kMeshPoints);
    VirtualArray<GapAndThreshold> const blocks = memory.TakeArray<GapAndThreshold>(kBlocks);
    VirtualArray<bool> const table = memory.TakeArray<bool>(kTableCells);
    if (columnLines.IsEmpty() || rowLines.IsEmpty() || points.IsEmpty() || cells.IsEmpty() || blocks.IsEmpty() ||
        table.IsEmpty()) {
        return;
    }
    grid_ = CommonCodeGrid(columnLines, rowLines);
    mesh_ = CommonCodeMesh(points);
    map_ = CommonLuminanceMap(cells);
    blocks_ = CommonGapAndThresholdMap(blocks);
    table_ = VariableSizeVirtualTable<bool>(table);
    ready_ = true;
}

unsigned short PDFColumnPickSubroutine::TablePattern(unsigned tableRow) const
{
    unsigned pattern = 0;
    for (unsigned m = 0; m < kModules - 2; ++m) {
        pattern = (pattern << 1) | (table_.At(m, tableRow) ? 1u : 0u);
    }
    return static_cast<unsigned short>((pattern << 1) | 1u);
}

void PDFColumnPickSubroutine::RowLuminance(unsigned meshRow, Array<unsigned, 17>& luminance,
                                           unsigned short& threshold, unsigned& contrast) const
{
    unsigned high = 0;
    unsigned low = 0xFFFF;
    for (unsigned k = 0; k < kModules; ++k) {
        luminance[k] = map_.At(k, meshRow);
        high = luminance[k] > high ? luminance[k] : high;
        low = luminance[k] < low ? luminance[k] : low;
    }
    threshold = static_cast<unsigned short>((high + low) / 2);
    contrast = high - low;
}

void PDFColumnPickSubroutine::Score(unsigned meshRow, bool inverted, unsigned short threshold,
                                    unsigned short pattern, unsigned short& score) const
{
    Array<unsigned short, 15> inner;
    for (unsigned m = 0; m < 15; ++m) {
        inner[m] = map_.At(m + 1, meshRow);
    }
    score_->Start(inner, inverted, false, threshold, pattern, score);
}

void PDFColumnPickSubroutine::RowCentres(unsigned meshRow, Array<Point, 17>& centres) const
{
    for (unsigned k = 0; k < kModules; ++k) {
        centres[k] = mesh_.At(k, meshRow);
    }
}

// The runs of one read row for the tuning statistics: a bar keeps its
// darkest module, a space its lightest.
void PDFColumnPickSubroutine::PushRuns(unsigned tableRow) const
{
    if (tuning_ == nullptr || !tuning_->IsEnabled()) {
        return;
    }
    unsigned const meshRow = tableRow + 1;
    bool colour = false;
    unsigned value = map_.At(0, meshRow);
    for (unsigned m = 1; m < kModules; ++m) {
        bool const space = m == kModules - 1 ? true : table_.At(m - 1, tableRow);
        unsigned const grey = map_.At(m, meshRow);
        if (space != colour) {
            tuning_->PushBit(colour, static_cast<int>(value));
            colour = space;
            value = grey;
        } else if (space ? grey > value : grey < value) {
            value = grey;
        }
    }
    tuning_->PushBit(colour, static_cast<int>(value));
}

bool PDFColumnPickSubroutine::Start(GrayImage const& image, bool inverted, unsigned firstCluster,
                                    unsigned edgeParameter, bool tryHarder, DataCharacterStack& stack) const
{
    if (!ready_ || !CalcCodeMesh(image, stack, mesh_) ||
        !CalcBinarizationTable(image, inverted, tryHarder, edgeParameter, map_, table_)) {
        return false;
    }
    unsigned const n = stack.GetCount();
    unsigned expected = 3 * firstCluster;
    for (unsigned i = 0; i < n; ++i) {
        if (i > 0) {
            // Clusters run 0, 3, 6, 0, ... down the column.
            if (expected != 0 && expected != 3 && expected != 6) {
                return false;
            }
            expected = (expected + 3) % 9;
        }
        unsigned const meshRow = i + 1;
        Array<unsigned, 17> luminance;
        unsigned short threshold = 0;
        unsigned contrast = 0;
        RowLuminance(meshRow, luminance, threshold, contrast);
        unsigned short pattern = TablePattern(i);
        unsigned value = PDFCharacterTable::PatternToValue(pattern >> 1);
        unsigned short score = 0;
        int cluster = -1;
        if (value == 0xFFFF) {
            unsigned short const measured = pattern;
            if (!CalcPatternFromCluster(luminance, inverted, threshold, static_cast<int>(expected), measured, pattern,
                                        value, score)) {
                continue;
            }
        } else {
            if (!CalcClusterFromPattern(pattern, cluster) || cluster != static_cast<int>(expected)) {
                Array<Point, 17> centres;
                RowCentres(meshRow, centres);
                PDFCharacterWithScore shifted;
                if (!tryHarder || !CalcCharacter(image, centres, edgeParameter == 16, inverted, pattern, shifted) ||
                    !CalcClusterFromPattern(pattern, cluster) || cluster != static_cast<int>(expected)) {
                    continue;
                }
                value = shifted.value;
            }
            Score(meshRow, inverted, threshold, pattern, score);
        }
        if (score > stack.score[i]) {
            stack[i].value = static_cast<unsigned short>(value);
            stack[i].pattern = pattern;
            stack.score[i] = score;
            PushRuns(i);
        }
    }
    return true;
}

bool PDFColumnPickSubroutine::Start(GrayImage const& image, Mod3OfCluster const* order, unsigned rows,
                                    ColumnData const& reference, RegionBorderLine const& border,
                                    unsigned edgeParameter, bool inverted, bool reversed, bool halfStep,
                                    bool tryHarder, ColumnData& out) const
{
    if (!ready_) {
        return false;
    }
    // 1. The column's corners.
    Point c0;
    Point c1;
    Point c2;
    Point c3;
    if (!Geometry::CalcCrossPoint(border.line[3], border.line[0], c0) ||
        !Geometry::CalcCrossPoint(border.line[0], border.line[1], c1) ||
        !Geometry::CalcCrossPoint(border.line[1], border.line[2], c2) ||
        !Geometry::CalcCrossPoint(border.line[2], border.line[3], c3)) {
        return false;
    }
    out.SetOrientation(reference.GetOrientation());
    // 2. Its sides.
    long long const lc = Geometry::CalcChebyshevDistance(c0, c3);
    long long const rc = Geometry::CalcChebyshevDistance(c1, c2);
    long long const top = Geometry::CalcEuclideanDistance(c0, c1);
    long long const bottom = Geometry::CalcEuclideanDistance(c3, c2);
    long long const left = Geometry::CalcEuclideanDistance(c0, c3);
    long long const right = Geometry::CalcEuclideanDistance(c1, c2);
    if (top + bottom == 0 || lc > 0x7FFFFFF || rc > 0x7FFFFFF) {
        return false;
    }
    // 3. Modules 0 to 15: 16/17 of each end line, under perspective.
    Region region;
    region[0] = c0;
    region[3] = c3;
    if (!Geometry::CalcDividingPoint(static_cast<int>(rc), c0, static_cast<int>(16 * lc), c1, region[1]) ||
        !Geometry::CalcDividingPoint(static_cast<int>(rc), c3, static_cast<int>(16 * lc), c2, region[2])) {
        return false;
    }
    // 4. One step a module high.
    long long steps = 16 * (left + right) / (top + bottom);
    if (rows > 0 && steps < static_cast<long long>(rows) - 1) {
        steps = static_cast<long long>(rows) - 1;
    }
    if (steps > kMaxSteps) {
        steps = kMaxSteps;
    }
    if (steps < 1) {
        return false;
    }
    int n = static_cast<int>(steps);
    // 5. Half a step more at either end.
    if (halfStep) {
        Region moved;
        if (!Geometry::CalcDividingPoint(2 * n + 1, region[0], -1, region[3], moved[0]) ||
            !Geometry::CalcDividingPoint(2 * n + 1, region[3], -1, region[0], moved[3]) ||
            !Geometry::CalcDividingPoint(2 * n + 1, region[1], -1, region[2], moved[1]) ||
            !Geometry::CalcDividingPoint(2 * n + 1, region[2], -1, region[1], moved[2])) {
            return false;
        }
        region = moved;
        ++n;
    }
    // 6. The module-edge lines along the column and the step lines across it.
    Rectangle const range{0, -1, 16, n + 1};
    if (!grid_.SetForShogiban(image, region, range, 8, 16, n) ||
        !mesh_.SetSize(kModules, static_cast<unsigned>(n) + 3, 8) || !grid_.CalcMesh(image, Vector{0, 1}, mesh_)) {
        return false;
    }
    // 7.
    if (!CalcBinarizationTable(image, inverted, tryHarder, edgeParameter, map_, table_)) {
        return false;
    }
    // 8. One reading per step line.
    for (int step = 0; step <= n; ++step) {
        unsigned const tableRow = static_cast<unsigned>(step);
        unsigned const meshRow = tableRow + 1;
        Line across;
        if (!grid_.GetRowLine(step, across)) {
            continue;
        }
        int row = 0;
        if (order != nullptr && !reference.CalcPickParameter(image, across, row)) {
            continue;
        }
        Array<unsigned, 17> luminance;
        unsigned short threshold = 0;
        unsigned contrast = 0;
        RowLuminance(meshRow, luminance, threshold, contrast);
        unsigned short pattern = TablePattern(tableRow);
        PDFCharacterWithScore character;
        character.value = PDFCharacterTable::PatternToValue(pattern >> 1);
        if (character.value == 0xFFFF) {
            Array<Point, 17> centres;
            RowCentres(meshRow, centres);
            if (!tryHarder || !CalcCharacter(image, centres, edgeParameter == 16, inverted, pattern, character)) {
                continue;
            }
        }
        Score(meshRow, inverted, threshold, pattern, character.score);
        if (character.score == 0 || row < 0) {
            continue;
        }
        if (Register(order, border.line[3], border.line[1], static_cast<unsigned>(row), rows, across, pattern,
                     character, static_cast<unsigned short>(contrast > 0xFFFF ? 0xFFFF : contrast), reversed, out) &&
            order != nullptr) {
            PushRuns(tableRow);
        }
    }
    // 9.
    FinishColumn(out);
    return true;
}

bool PDFColumnPickSubroutine::Register(Mod3OfCluster const* order, Line const& firstBorder, Line const& secondBorder,
                                       unsigned row, unsigned rows, Line const& scanLine, unsigned pattern,
                                       PDFCharacterWithScore const& character, unsigned short contrast,
                                       bool reversed, ColumnData& out) const
{
    int cluster = -1;
    if (pattern > 0xFFFF || !CalcClusterFromPattern(static_cast<unsigned short>(pattern), cluster)) {
        return false;
    }
    long long corrected = row;
    if (order != nullptr) {
        // The cluster names the row of its group of three; the line may have
        // strayed into a neighbouring row.
        int const d = static_cast<int>(order->GetPlace(static_cast<unsigned>(cluster))) - static_cast<int>(row % 3);
        if (d == 2 || d == -1) {
            --corrected;
        } else if (d != 0) {
            ++corrected;
        }
    }
    if (corrected < 0 || corrected >= rows || corrected > 127) {
        return false;
    }
    Point first;
    Point second;
    if (!Geometry::CalcCrossPoint(scanLine, firstBorder, first) ||
        !Geometry::CalcCrossPoint(scanLine, secondBorder, second)) {
        return false;
    }
    if (out.IsFull()) {
        return true;
    }
    ColumnDataElement element;
    element.row = static_cast<signed char>(corrected);
    element.codeword = character.value;
    element.contrast = static_cast<unsigned short>(contrast / 4);
    element.score = character.score;
    element.segment = reversed ? LineSegment{second, first} : LineSegment{first, second};
    element.cluster = static_cast<unsigned>(cluster);
    return out.Push(element);
}

}  // namespace DEC2DIvra
