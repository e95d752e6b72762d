#pragma once

#include "decoder/core/containers/stack_interface.h"
#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/linear/roads/scan_subroutine.h"
#include "decoder/stacked/pdf417/finder_candidate.h"
#include "decoder/stacked/pdf417/micro_finder_column_data.h"
#include "decoder/stacked/pdf417/pdf_scan_line_with_scan_buffer.h"
#include "decoder/stacked/pdf417/start_stop_column_data.h"

namespace DEC2DIvra {

class GrayImage;

// Looks along one scan segment for PDF417 start and stop patterns and for
// MicroPDF417 row address patterns, then follows each pattern from row to
// row across the symbol into a column: StartStopColumnData for PDF417,
// MicroFinderColumnData for MicroPDF417.
//
// Column i of either stack gets slice i of the subroutine's record pools
// (kStartStopColumns x kStartStopRecords and kMicroColumns x kMicroRecords
// records); a stack longer than its pool takes no further columns. Nothing
// is allocated while searching.
class SearchFinderSubroutine {
public:
    static constexpr unsigned kFinderCandidates = 16;
    static constexpr unsigned kMicroFinderCandidates = 1024;
    static constexpr unsigned kStartStopColumns = 16;
    static constexpr unsigned kStartStopRecords = 192;
    static constexpr unsigned kMicroColumns = 32;
    static constexpr unsigned kMicroRecords = 96;
    static constexpr unsigned kLines = 5;  // the scan line and four parallel lines
    // Work-area bytes the constructor takes (before alignment).
    static constexpr unsigned kWorkBytes =
        ScanSubroutine::kWorkBytes +
        (kLines + 1) * (PDFScanLineWithScanBuffer::kSampleCapacity * sizeof(PickLineElement) +
                        PDFScanLineWithScanBuffer::kRunCapacity * sizeof(ScanElement)) +
        (kFinderCandidates + kMicroFinderCandidates) * sizeof(FinderCandidate) +
        (kStartStopColumns * kStartStopRecords + kMicroColumns * kMicroRecords) * sizeof(ColumnDataElement);

    SearchFinderSubroutine() = default;
    // Takes its buffers from the work area; IsReady() tells whether it could.
    explicit SearchFinderSubroutine(SharedMemoryDistributor& memory);
    SearchFinderSubroutine(SearchFinderSubroutine const&) = delete;
    SearchFinderSubroutine& operator=(SearchFinderSubroutine const&) = delete;
    bool IsReady() const { return ready_; }

    // 0 when nothing is sought, the line cannot be set or scanned, or it has
    // no runs; otherwise 1, also when no column was built.
    unsigned Start(GrayImage const& image, LineSegment const& segment, unsigned margin, bool seekPDF417,
                   bool seekMicroPDF417, bool notFromSegment, bool acceptNormal, bool acceptReversed,
                   bool fromSegment, StackInterface<StartStopColumnData>& startStop,
                   StackInterface<MicroFinderColumnData>& micro);

    // Walks the runs of the scan line and fills the candidate lists; false
    // when the line has no runs.
    bool SearchFinderCandidate(GrayImage const& image, bool seekPDF417, bool seekMicroPDF417, bool notFromSegment,
                               bool acceptNormal, bool acceptReversed);

    // The start and stop window test at one run; nonzero when a pattern was
    // read. The four outputs are the start and the stop read in the first
    // direction, then those read in the second.
    static unsigned CheckFinderCandidate(GrayImage const& image, PDFScanLine const& line,
                                         ArrayIterator<ScanElement const> const& run, bool notFromSegment,
                                         bool acceptNormal, bool acceptReversed, FinderCandidate& startFirst,
                                         FinderCandidate& stopFirst, FinderCandidate& startSecond,
                                         FinderCandidate& stopSecond);
    // The row address window test at one run: the forward and the backward
    // reading.
    static unsigned CheckMicroFinderCandidate(GrayImage const& image, PDFScanLine const& line,
                                              ArrayIterator<ScanElement const> const& run, bool notFromSegment,
                                              bool acceptNormal, bool acceptReversed, FinderCandidate& forward,
                                              FinderCandidate& backward);

    // Meets the candidate's start or stop pattern again on a short line
    // through its segment; `found` gets the match of the last run that gave
    // one.
    unsigned CheckFinderCandidateIsEnabled(GrayImage const& image, FinderCandidate const& candidate,
                                           unsigned margin, FinderCandidate& found);
    // Meets a row address pattern of the candidate's set within two rows of
    // it on a short line through its segment.
    unsigned CheckMicroFinderCandidateIsEnabled(GrayImage const& image, FinderCandidate const& candidate,
                                                unsigned margin, FinderCandidate& found);

    // The step across the rows from the median-width row address candidate
    // (the list is ordered by width first).
    bool CalcVerticalBasicVector(Vector& step);
    // Scans the lines one and two steps on each side of the scan line.
    bool ScanParallel(GrayImage const& image, Vector const& step);
    bool CheckMicroFinderCandidateIsEnabled(GrayImage const& image, FinderCandidate const& candidate,
                                            Vector const& step) const;
    // Keeps only the row address candidates that a parallel line confirms.
    void RemoveDisabledMicroFinderCandidate(GrayImage const& image, Vector const& step);

    bool CalcStartStopColumnData(GrayImage const& image, FinderCandidate const& candidate, unsigned margin,
                                 unsigned sortType, StartStopColumnData& column);
    bool CalcMicroFinderColumnData(GrayImage const& image, FinderCandidate const& candidate, unsigned margin,
                                   unsigned sortType, MicroFinderColumnData& column);

    StackInterface<FinderCandidate> const& GetFinderCandidates() const { return finders_; }
    StackInterface<FinderCandidate> const& GetMicroFinderCandidates() const { return micros_; }

    // The sort type of columns found along a segment: 1 when the segment
    // runs mostly along x (the columns then run along y), else 0.
    static unsigned CalcSortType(LineSegment const& segment);

private:
    bool SetLine(GrayImage const& image, LineSegment const& segment, unsigned margin,
                 PDFScanLineWithScanBuffer& line) const;
    void OrderMicroFinderCandidates(LineSegment const& segment);

    ScanSubroutine scan_;
    PDFScanLineWithScanBuffer lines_[kLines];  // 0 the search line, then +1, -1, +2, -2 steps
    PDFScanLineWithScanBuffer follow_;         // the short lines of column following
    StackInterface<FinderCandidate> finders_;
    StackInterface<FinderCandidate> micros_;
    ColumnDataElement* startStopRecords_ = nullptr;
    ColumnDataElement* microRecords_ = nullptr;
    bool ready_ = false;
};

}  // namespace DEC2DIvra
