#include "decoder/stacked/pdf417/row_indicator_scan_subroutine.h"

#include "decoder/core/geometry/geometry.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/stacked/pdf417/pdf_partial_scan_data.h"
#include "decoder/stacked/pdf417/pdf_scan_line.h"
#include "decoder/stacked/pdf417/row_indicator_column_data.h"
#include "decoder/stacked/pdf417/row_indicator_ballot.h"
#include "decoder/stacked/pdf417/start_stop_column_data.h"
#include "decoder/stacked/pdf_character_table.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kMaxSteps = 4096;
// Run positions carry 8 fraction bits, as the expected codeword width does.
constexpr unsigned kFractionBits = 8;
// A scan line this long (1/256 pixel) or longer is read with the fine
// (width) method.
constexpr unsigned kFineLength = 6528;

}  // namespace

RowIndicatorScanSubroutine::RowIndicatorScanSubroutine(SharedMemoryDistributor& memory) : scan_(memory)
{
    ready_ = buffer_.Initialize(memory, kSampleCapacity, kRunCapacity) && scan_.IsReady();
    pick_ = PickLineSubroutine(buffer_.GetSamples(), kFractionBits);
}

bool RowIndicatorScanSubroutine::Scan(GrayImage const& image, Vector const& codeVector,
                                      StartStopColumnData const& finder, bool inverted, bool side, unsigned pass,
                                      bool direction, unsigned step, RowIndicatorColumnData& column) const
{
    (void)side;
    ScanParameter parameter;
    unsigned contrast = 0;
    if (!ready_ || !finder.CalcScanParameter(image, codeVector, pass + 1, direction, step, parameter) ||
        !parameter.line.Scan(image, pick_, scan_, buffer_, contrast)) {
        return false;
    }
    bool const right = finder.IsStop();
    unsigned const w = parameter.line.GetCodeWidth();
    if (w < 17) {
        return !parameter.outside;
    }
    // The codeword begins about two modules into the line: with a bar, or,
    // read from the stop pattern's side, with its last space.
    PDFPartialScanData window;
    StackInterface<ScanElement> const& runs = buffer_.GetRuns();
    ArrayIterator<ScanElement const> const first(&runs[0], runs.GetCount());
    if (runs.GetCount() < 8 || !window.Set(first, right != inverted, 0, parameter.contrast > 0 ? parameter.contrast : contrast,
                                           w * 17 / 19, w * 7 / 5, w * 4 / 17)) {
        return !parameter.outside;
    }
    long long const span = window.GetSpan();
    if (span * 3 < 2LL * w || span > static_cast<long long>((w * 3) >> 1)) {
        return !parameter.outside;
    }
    LineSegment segment;
    if (!parameter.line.CalcRealLineCoordPoint(image, window.GetBegin(), kFractionBits, segment.begin) ||
        !parameter.line.CalcRealLineCoordPoint(image, window.GetEnd(), kFractionBits, segment.end)) {
        return true;
    }
    bool const fine = Geometry::CalcChebyshevDistance(parameter.line.GetSegment()) * 256ULL >= kFineLength;
    BarSymbolForPDF symbol;
    unsigned short score = 0;
    if (!window.CalcBarSymbol(buffer_.GetSamples(), fine, right, inverted, symbol, score)) {
        return true;
    }
    unsigned short const value = PDFCharacterTable::PatternToValue(symbol.pattern >> 1);
    if (value == 0xFFFF) {
        return true;
    }
    ColumnDataElement e;
    e.row = 0;
    e.codeword = value;
    e.contrast = static_cast<unsigned short>(static_cast<unsigned>(window.GetContrast()) / 4);
    e.score = score;
    e.segment = segment;
    e.cluster = symbol.cluster;
    if (column.Push(e)) {
        ballot_.Vote(right, e.cluster, e.codeword, 1);
    }
    return true;
}

bool RowIndicatorScanSubroutine::Start(GrayImage const& image, Vector const& codeVector,
                                       StartStopColumnData const* start, StartStopColumnData const* stop,
                                       bool inverted, RowIndicatorColumnData& left, RowIndicatorColumnData& right,
                                       Mod3OfCluster& order, DecodeParameterForPDF& parameter) const
{
    StartRowIndicators(left, right, order, parameter, ballot_);
    if (start == nullptr && stop == nullptr) {
        return false;
    }
    unsigned const orientation = start != nullptr ? start->GetOrientation() : stop->GetOrientation();
    left.SetOrientation(orientation);
    right.SetOrientation(orientation);
    StartStopColumnData const* finders[2] = {start, stop};
    RowIndicatorColumnData* const sides[2] = {&left, &right};
    bool done[2] = {start == nullptr, stop == nullptr};
    for (unsigned pass = 0; pass < 4 && !(done[0] && done[1]); ++pass) {
        bool live[4] = {};
        for (unsigned k = 0; k < 4; ++k) {
            live[k] = finders[k / 2] != nullptr;
        }
        bool const anyRead = RunRowIndicatorScanPass(live, kMaxSteps, [&](unsigned s, bool direction, unsigned step) {
            return Scan(image, codeVector, *finders[s], inverted, s == 1, pass, direction, step, *sides[s]);
        });
        ballot_.Accept(left, right, 7, 3, order, parameter, done[0], done[1]);
        if (!anyRead) {
            break;
        }
    }
    return FinishRowIndicators(left, right, order, parameter);
}

}  // namespace DEC2DIvra
