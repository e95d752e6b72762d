#include "decoder/stacked/pdf417/row_indicator_pick_subroutine.h"

#include "decoder/core/geometry/geometry.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/stacked/pdf417/calc_pdf_column_subroutine.h"
#include "decoder/stacked/pdf417/pdf_column_pick_subroutine.h"
#include "decoder/stacked/pdf417/pdf_column_scan_subroutine.h"
#include "decoder/stacked/pdf417/row_indicator_column_data.h"
#include "decoder/stacked/pdf417/start_stop_column_data.h"

namespace DEC2DIvra {

namespace {

// Scan steps along one direction are bounded by the lines that still cross
// the image; this only guards against a walk that never ends.
constexpr unsigned kMaxSteps = 4096;

bool LineAlong(Point const& through, Vector const& direction, Line& line)
{
    return Geometry::CalcLine(through, Point{through.x + direction.dx, through.y + direction.dy}, line);
}

// The column of a start or stop pattern with its borders in the order the
// rows run (the code vector's way), and the row indicator column beside it.
bool BuildColumns(GrayImage const& image, Vector const& codeVector, StartStopColumnData const& finder, bool inverted,
                  PDFColumn& pattern, PDFColumn& indicator)
{
    CalcPDFColumnSubroutine const columns;
    if (!columns.Start(finder, 0, pattern)) {
        return false;
    }
    Line row;
    Point a;
    Point b;
    if (!LineAlong(pattern.firstCenter, codeVector, row) || !Geometry::CalcCrossPoint(row, pattern.first, a) ||
        !Geometry::CalcCrossPoint(row, pattern.second, b)) {
        return false;
    }
    if (static_cast<long long>(b.x - a.x) * codeVector.dx + static_cast<long long>(b.y - a.y) * codeVector.dy < 0 &&
        !columns.Start(finder, 1, pattern)) {
        return false;
    }
    // The left row indicator follows the start pattern, the right one
    // precedes the stop pattern.
    return columns.Start(image, pattern, codeVector, 0, inverted, finder.IsStop() ? 1 : 0, indicator);
}

}  // namespace

RowIndicatorPickSubroutine::RowIndicatorPickSubroutine(SharedMemoryDistributor& memory,
                                                       PDFColumnScanSubroutine& columnScan,
                                                       PDFColumnPickSubroutine& columnPick)
    : columnScan_(&columnScan), columnPick_(&columnPick)
{
    for (ColumnData& picked : picked_) {
        VirtualArray<ColumnDataElement> const buffer = memory.TakeArray<ColumnDataElement>(ColumnData::kCapacity);
        picked.SetBuffer(buffer.GetCount() == ColumnData::kCapacity ? buffer.GetData() : nullptr,
                         ColumnData::kCapacity);
    }
}

bool RowIndicatorPickSubroutine::Register(ColumnData const& picked, RowIndicatorColumnData& column) const
{
    for (unsigned i = 0; i < picked.GetCount(); ++i) {
        ColumnDataElement const& e = picked[i];
        if (e.cluster > 6 || e.cluster % 3 != 0) {
            break;
        }
        if (column.Push(e)) {
            ballot_.Vote(column.right, e.cluster, e.codeword, e.score);
        }
    }
    return true;
}

bool RowIndicatorPickSubroutine::Scan(GrayImage const& image, Vector const& codeVector,
                                      StartStopColumnData const& finder, PDFColumn const* indicator, bool inverted,
                                      bool side, unsigned pass, bool direction, unsigned step,
                                      RowIndicatorColumnData& column) const
{
    (void)side;
    Line line;
    unsigned contrast = 0;
    int row = 0;
    bool outside = false;
    if (indicator == nullptr || !finder.CalcScanLine(image, codeVector, pass + 1, direction, step, line) ||
        !finder.CalcPickParameter(image, line, contrast, row, outside)) {
        return false;
    }
    Point a;
    Point b;
    if (!Geometry::CalcCrossPoint(line, indicator->first, a) || !Geometry::CalcCrossPoint(line, indicator->second, b)) {
        return false;
    }
    PDFCharacterWithScore character;
    int cluster = -1;
    unsigned short found = 0;
    if (!columnScan_->Start(image, LineSegment{a, b}, !indicator->narrow, contrast, inverted, true, 16, character,
                            cluster, found)) {
        return !outside;  // inside the known rows the walk goes on past a bad one
    }
    if (outside && contrast > 3u * found) {
        return false;
    }
    bool const right = finder.IsStop();
    ColumnDataElement e;
    e.row = 0;
    e.codeword = character.value;
    e.contrast = static_cast<unsigned short>(found / 4);
    e.score = character.score;
    e.segment = right ? LineSegment{b, a} : LineSegment{a, b};
    e.cluster = cluster < 0 ? 9u : static_cast<unsigned>(cluster);
    if (column.Push(e)) {
        ballot_.Vote(right, e.cluster, e.codeword, e.score);
    }
    return true;
}

bool RowIndicatorPickSubroutine::Start(GrayImage const& image, Vector const& codeVector,
                                       StartStopColumnData const* start, StartStopColumnData const* stop,
                                       bool inverted, RowIndicatorColumnData& left, RowIndicatorColumnData& right,
                                       Mod3OfCluster& order, DecodeParameterForPDF& parameter) const
{
    StartRowIndicators(left, right, order, parameter, ballot_);
    if ((start == nullptr && stop == nullptr) || !IsReady()) {
        return false;
    }
    unsigned const orientation = start != nullptr ? start->GetOrientation() : stop->GetOrientation();
    left.SetOrientation(orientation);
    right.SetOrientation(orientation);

    StartStopColumnData const* finders[2] = {start, stop};
    RowIndicatorColumnData* const sides[2] = {&left, &right};
    bool exists[2] = {false, false};
    for (unsigned s = 0; s < 2; ++s) {
        exists[s] = finders[s] != nullptr &&
                    BuildColumns(image, codeVector, *finders[s], inverted, columns_[s], columns_[2 + s]);
    }
    if (!exists[0] && !exists[1]) {
        return false;
    }
    bool done[2] = {!exists[0], !exists[1]};

    // Pick tries: coarse steps first, then fine ones, on both half-steps.
    for (unsigned attempt = 0; attempt < 4 && !(done[0] && done[1]); ++attempt) {
        for (unsigned s = 0; s < 2; ++s) {
            if (done[s]) {
                continue;
            }
            PDFColumn const& pattern = columns_[s];
            PDFColumn const& indicator = columns_[2 + s];
            RegionBorderLine border;
            if (!LineAlong(pattern.firstCenter, codeVector, border.line[0]) ||
                !LineAlong(pattern.lastCenter, codeVector, border.line[2])) {
                continue;
            }
            border.line[1] = indicator.second;
            border.line[3] = indicator.first;
            ColumnData& picked = picked_[s];
            picked.Clear();
            picked.SetOrientation(orientation);
            if (columnPick_->Start(image, nullptr, 3, *finders[s], border, attempt < 2 ? 16 : 4, inverted, s == 1,
                                   (attempt & 1) != 0, !indicator.narrow, picked)) {
                Register(picked, *sides[s]);
            }
        }
        // Most rows on the first try, half of them on the later ones.
        ballot_.Accept(left, right, attempt == 0 ? 7 : 1, attempt == 0 ? 3 : 1, order, parameter, done[0], done[1]);
    }

    // Scan passes, codeword by codeword along lines across the columns.
    for (unsigned pass = 0; pass < 4 && !(done[0] && done[1]); ++pass) {
        bool live[4] = {};
        for (unsigned k = 0; k < 4; ++k) {
            live[k] = !done[k / 2];
        }
        bool const anyRead = RunRowIndicatorScanPass(live, kMaxSteps, [&](unsigned s, bool direction, unsigned step) {
            return Scan(image, codeVector, *finders[s], &columns_[2 + s], inverted, s == 1, pass, direction, step,
                        *sides[s]);
        });
        ballot_.Accept(left, right, 1, 1, order, parameter, done[0], done[1]);
        if (!anyRead) {
            break;
        }
    }
    return FinishRowIndicators(left, right, order, parameter);
}

}  // namespace DEC2DIvra
