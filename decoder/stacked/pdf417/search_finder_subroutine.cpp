#include "decoder/stacked/pdf417/search_finder_subroutine.h"

#include "decoder/core/arithmetic/dec_math.h"
#include "decoder/core/geometry/geometry.h"
#include "decoder/stacked/pdf417/finder_window_readings.h"
#include "decoder/stacked/pdf417/pdf_partial_scan_data.h"
#include "decoder/stacked/pdf_character_table.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kFractionBits = 8;
// Noise removal rounds of one window; each removes runs, so a window of a
// few runs ends long before.
constexpr unsigned kNoiseRounds = 16;

bool IsStartValue(unsigned v) { return v == 343 || v == 11007 || v == 130728 || v == 120064; }
bool IsInvertedValue(unsigned v) { return v == 130728 || v == 130324 || v == 11007 || v == 20863; }
bool IsReversedValue(unsigned v) { return v == 120064 || v == 110208 || v == 11007 || v == 20863; }

bool ToCandidate(GrayImage const& image, PDFScanLine const& line, unsigned pattern, int number, bool inverted,
                 bool reversed, unsigned contrast, int begin, int end, FinderCandidate& candidate)
{
    FinderCandidate c;
    c.pattern = pattern;
    c.number = number;
    c.inverted = inverted ? 1 : 0;
    c.reversed = reversed ? 1 : 0;
    c.contrast = static_cast<unsigned short>(contrast > 0xFFFF ? 0xFFFF : contrast);
    if (!line.CalcRealLineCoordPoint(image, begin, kFractionBits, c.segment.begin) ||
        !line.CalcRealLineCoordPoint(image, end, kFractionBits, c.segment.end)) {
        return false;
    }
    candidate = c;
    return true;
}

// Runs at which a window test is made: a level step of at least the
// threshold from the run before.
bool IsEdge(ScanElement const& run, ScanElement const& previous, unsigned threshold)
{
    long long const step = static_cast<long long>(run.grey) - previous.grey;
    return (step < 0 ? -step : step) >= static_cast<long long>(threshold);
}

// 1/256 pixel to whole pixels, to nearest.
int ToPixels(int v) { return v >= 0 ? (v + 128) / 256 : -((128 - v) / 256); }

}  // namespace

SearchFinderSubroutine::SearchFinderSubroutine(SharedMemoryDistributor& memory) : scan_(memory)
{
    bool ready = scan_.IsReady();
    for (PDFScanLineWithScanBuffer& line : lines_) {
        ready = line.Initialize(memory) && ready;
    }
    ready = follow_.Initialize(memory) && ready;
    VirtualArray<FinderCandidate> const finders = memory.TakeArray<FinderCandidate>(kFinderCandidates);
    VirtualArray<FinderCandidate> const micros = memory.TakeArray<FinderCandidate>(kMicroFinderCandidates);
    VirtualArray<ColumnDataElement> const startStop =
        memory.TakeArray<ColumnDataElement>(kStartStopColumns * kStartStopRecords);
    VirtualArray<ColumnDataElement> const microRecords = memory.TakeArray<ColumnDataElement>(kMicroColumns * kMicroRecords);
    ready = ready && finders.GetCount() == kFinderCandidates && micros.GetCount() == kMicroFinderCandidates &&
            startStop.GetCount() == kStartStopColumns * kStartStopRecords &&
            microRecords.GetCount() == kMicroColumns * kMicroRecords;
    if (ready) {
        finders_.Set(finders.GetData(), kFinderCandidates);
        micros_.Set(micros.GetData(), kMicroFinderCandidates);
        startStopRecords_ = startStop.GetData();
        microRecords_ = microRecords.GetData();
    }
    ready_ = ready;
}

unsigned SearchFinderSubroutine::CalcSortType(LineSegment const& segment)
{
    long long const dx = static_cast<long long>(segment.end.x) - segment.begin.x;
    long long const dy = static_cast<long long>(segment.end.y) - segment.begin.y;
    return (dx < 0 ? -dx : dx) >= (dy < 0 ? -dy : dy) ? 1u : 0u;
}

unsigned SearchFinderSubroutine::Start(GrayImage const& image, LineSegment const& segment, unsigned margin,
                                       bool seekPDF417, bool seekMicroPDF417, bool notFromSegment,
                                       bool acceptNormal, bool acceptReversed, bool /*fromSegment*/,
                                       StackInterface<StartStopColumnData>& startStop,
                                       StackInterface<MicroFinderColumnData>& micro)
{
    finders_.Clear();
    micros_.Clear();
    if (!ready_ || (!seekPDF417 && !seekMicroPDF417) || (!acceptNormal && !acceptReversed)) {
        return 0;
    }
    PDFScanLineWithScanBuffer& line = lines_[0];
    if (!line.Set(image, segment, margin) || !line.Scan(image, scan_)) {
        return 0;
    }
    if (!SearchFinderCandidate(image, seekPDF417, seekMicroPDF417, notFromSegment, acceptNormal, acceptReversed)) {
        return 0;
    }
    unsigned const sortType = CalcSortType(segment);
    unsigned built = 0;
    for (unsigned i = 0; i < finders_.GetCount() && !startStop.IsFull(); ++i) {
        unsigned const slot = startStop.GetCount();
        if (slot >= kStartStopColumns) {
            break;
        }
        StartStopColumnData* column = startStop.PushSlot();
        if (column == nullptr) {
            break;
        }
        *column = StartStopColumnData(startStopRecords_ + slot * kStartStopRecords, kStartStopRecords);
        if (CalcStartStopColumnData(image, finders_[i], margin, sortType, *column)) {
            ++built;
        } else {
            startStop.Pop();
        }
    }
    if (micros_.GetCount() >= 2 && built < 2) {
        Vector step;
        DecMath::HeapSort(micros_.GetFirst(), micros_.GetCount(), &FinderCandidate::CompareWidth);
        if (!CalcVerticalBasicVector(step)) {
            return 1;
        }
        OrderMicroFinderCandidates(segment);
        if (!ScanParallel(image, step)) {
            return 0;
        }
        RemoveDisabledMicroFinderCandidate(image, step);
        for (unsigned i = 0; i < micros_.GetCount() && !micro.IsFull(); ++i) {
            unsigned const slot = micro.GetCount();
            if (slot >= kMicroColumns) {
                break;
            }
            MicroFinderColumnData* column = micro.PushSlot();
            if (column == nullptr) {
                break;
            }
            *column = MicroFinderColumnData(microRecords_ + slot * kMicroRecords, kMicroRecords);
            if (!CalcMicroFinderColumnData(image, micros_[i], margin, sortType, *column)) {
                micro.Pop();
            }
        }
    }
    return 1;
}

bool SearchFinderSubroutine::SearchFinderCandidate(GrayImage const& image, bool seekPDF417, bool seekMicroPDF417,
                                                   bool notFromSegment, bool acceptNormal, bool acceptReversed)
{
    PDFScanLineWithScanBuffer const& line = lines_[0];
    StackInterface<ScanElement> const& runs = line.GetRuns();
    if (runs.GetCount() == 0) {
        return false;
    }
    unsigned const threshold = line.GetEdgeThreshold();
    for (unsigned i = 1; i < runs.GetCount(); ++i) {
        if (!IsEdge(runs[i], runs[i - 1], threshold)) {
            continue;
        }
        ArrayIterator<ScanElement const> const run(runs.GetFirst(), runs.GetCount(), static_cast<int>(i));
        if (seekPDF417) {
            FinderCandidate found[4];
            if (CheckFinderCandidate(image, line, run, notFromSegment, acceptNormal, acceptReversed, found[0],
                                     found[1], found[2], found[3]) != 0) {
                for (FinderCandidate const& c : found) {
                    if (!c.IsEmpty()) {
                        finders_.Push(c);
                    }
                }
            }
        }
        if (seekMicroPDF417) {
            FinderCandidate forward;
            FinderCandidate backward;
            if (CheckMicroFinderCandidate(image, line, run, notFromSegment, acceptNormal, acceptReversed, forward,
                                          backward) != 0) {
                if (!forward.IsEmpty()) {
                    micros_.Push(forward);
                }
                if (!backward.IsEmpty()) {
                    micros_.Push(backward);
                }
            }
        }
    }
    return true;
}

unsigned SearchFinderSubroutine::CheckFinderCandidate(GrayImage const& image, PDFScanLine const& line,
                                                      ArrayIterator<ScanElement const> const& run,
                                                      bool notFromSegment, bool acceptNormal, bool acceptReversed,
                                                      FinderCandidate& startFirst, FinderCandidate& stopFirst,
                                                      FinderCandidate& startSecond, FinderCandidate& stopSecond)
{
    FinderCandidate* const outputs[4] = {&startFirst, &stopFirst, &startSecond, &stopSecond};
    for (FinderCandidate* output : outputs) {
        *output = FinderCandidate();
    }
    if (!run.IsValid()) {
        return 0;
    }
    FinderWindowReadings const readings =
        FinderWindowReadings::Decide(notFromSegment, acceptNormal, acceptReversed, run->colour == kLightRun);
    if (readings.refused) {
        return 0;
    }
    PDFFinderPartialScanData window;
    if (!window.Set(run)) {
        return 0;
    }
    // Slots: start and stop of the first way, then of the second; each
    // keeps the last pattern of its kind read its way.
    BarSymbolForPDF slots[4];
    bool filled[4] = {};
    for (unsigned round = 0; round < kNoiseRounds; ++round) {
        for (unsigned way = 0; way < (readings.both ? 2u : 1u); ++way) {
            bool const reversed = readings.both ? way == 1 : readings.firstReversed;
            BarSymbolForPDF symbol;
            if (window.CalcStartStopBarSymbol(reversed, symbol)) {
                unsigned const slot = 2 * way + (IsStartValue(symbol.pattern) ? 0u : 1u);
                slots[slot] = symbol;
                filled[slot] = true;
            }
        }
        if (!window.DeleteNoise()) {
            break;
        }
    }
    unsigned answer = 0;
    for (unsigned k = 0; k < 4; ++k) {
        if (!filled[k]) {
            continue;
        }
        BarSymbolForPDF const& s = slots[k];
        if (ToCandidate(image, line, s.pattern, static_cast<int>(s.pattern), IsInvertedValue(s.pattern),
                        IsReversedValue(s.pattern), s.contrast, s.begin, s.end, *outputs[k])) {
            answer = 1;
        }
    }
    return answer;
}

unsigned SearchFinderSubroutine::CheckMicroFinderCandidate(GrayImage const& image, PDFScanLine const& line,
                                                           ArrayIterator<ScanElement const> const& run,
                                                           bool notFromSegment, bool acceptNormal,
                                                           bool acceptReversed, FinderCandidate& forward,
                                                           FinderCandidate& backward)
{
    forward = FinderCandidate();
    backward = FinderCandidate();
    if (!run.IsValid()) {
        return 0;
    }
    bool const light = run->colour == kLightRun;
    FinderWindowReadings const readings = FinderWindowReadings::Decide(notFromSegment, acceptNormal, acceptReversed, light);
    if (readings.refused) {
        return 0;
    }
    MicroPDFPartialScanData window;
    if (!window.Set(run)) {
        return 0;
    }
    // What each way last read: table number, begin, end, contrast.
    struct Kept {
        unsigned number = 255;
        BarSymbolForPDF symbol;
    } kept[2];
    auto keep = [&](unsigned way, BarSymbolForPDF const& symbol) {
        unsigned const number = MicroPDFCharacterTable::Lookup(symbol.pattern >> 1);
        if (number != 255) {
            kept[way].number = number;
            kept[way].symbol = symbol;
        }
    };
    for (unsigned round = 0; round < kNoiseRounds; ++round) {
        if (readings.both) {
            BarSymbolForPDF f;
            BarSymbolForPDF b;
            if (window.CalcBarSymbol(f, b)) {
                keep(0, f);
                keep(1, b);
            }
        } else {
            BarSymbolForPDF symbol;
            if (window.CalcBarSymbol(readings.firstReversed, symbol)) {
                keep(readings.firstReversed ? 1u : 0u, symbol);
            }
        }
        if (!window.DeleteNoise()) {
            break;
        }
    }
    unsigned answer = 0;
    for (unsigned way = 0; way < 2; ++way) {
        if (kept[way].number == 255) {
            continue;
        }
        unsigned const table = kept[way].number;
        BarSymbolForPDF const& s = kept[way].symbol;
        bool const inverted = way == 0 ? light : !light;
        if (ToCandidate(image, line, table, static_cast<int>(table >= 64 ? table - 64 : table), inverted, way == 1,
                        s.contrast, s.begin, s.end, way == 0 ? forward : backward)) {
            answer = 1;
        }
    }
    return answer;
}

bool SearchFinderSubroutine::CalcVerticalBasicVector(Vector& step)
{
    if (micros_.GetCount() == 0) {
        return false;
    }
    FinderCandidate const& median = micros_[micros_.GetCount() / 2];
    Vector v;
    Geometry::CalcVector(median.segment.begin, median.segment.end, v);
    step = Vector{v.dy / 8, -v.dx / 8};
    return step.dx != 0 || step.dy != 0;
}

void SearchFinderSubroutine::OrderMicroFinderCandidates(LineSegment const& segment)
{
    long long const dx = static_cast<long long>(segment.end.x) - segment.begin.x;
    long long const dy = static_cast<long long>(segment.end.y) - segment.begin.y;
    int (*compare)(FinderCandidate const&, FinderCandidate const&) = nullptr;
    if ((dx < 0 ? -dx : dx) > (dy < 0 ? -dy : dy)) {
        compare = dx >= 1 ? &FinderCandidate::CompareX : &FinderCandidate::CompareReverseX;
    } else {
        compare = dy >= 1 ? &FinderCandidate::CompareY : &FinderCandidate::CompareReverseY;
    }
    DecMath::HeapSort(micros_.GetFirst(), micros_.GetCount(), compare);
}

bool SearchFinderSubroutine::ScanParallel(GrayImage const& image, Vector const& step)
{
    // Lines 1 to 4: one step forward, one back, two forward, two back.
    static constexpr int kSteps[kLines] = {0, 1, -1, 2, -2};
    for (unsigned i = 1; i < kLines; ++i) {
        PDFScanLine moved = lines_[0];
        if (!moved.Move(image, Vector{ToPixels(step.dx * kSteps[i]), ToPixels(step.dy * kSteps[i])}) ||
            !lines_[i].Scan(image, moved, scan_)) {
            return false;
        }
    }
    return true;
}

bool SearchFinderSubroutine::CheckMicroFinderCandidateIsEnabled(GrayImage const& image,
                                                                FinderCandidate const& candidate,
                                                                Vector const& step) const
{
    static constexpr int kSteps[kLines] = {0, 1, -1, 2, -2};
    for (unsigned i = 1; i < kLines; ++i) {
        FinderCandidate moved = candidate;
        Vector const shift{step.dx * kSteps[i], step.dy * kSteps[i]};
        moved.segment.begin.x += shift.dx;
        moved.segment.begin.y += shift.dy;
        moved.segment.end.x += shift.dx;
        moved.segment.end.y += shift.dy;
        FinderCandidate found;
        if (lines_[i].CheckMicroFinderCandidate(image, moved, found)) {
            return true;
        }
    }
    return false;
}

void SearchFinderSubroutine::RemoveDisabledMicroFinderCandidate(GrayImage const& image, Vector const& step)
{
    unsigned kept = 0;
    for (unsigned i = 0; i < micros_.GetCount(); ++i) {
        if (CheckMicroFinderCandidateIsEnabled(image, micros_[i], step)) {
            micros_[kept++] = micros_[i];
        }
    }
    micros_.SetCount(kept);
}

bool SearchFinderSubroutine::SetLine(GrayImage const& image, LineSegment const& segment, unsigned margin,
                                     PDFScanLineWithScanBuffer& line) const
{
    return line.Set(image, segment, margin) && line.Scan(image, scan_);
}

}  // namespace DEC2DIvra
