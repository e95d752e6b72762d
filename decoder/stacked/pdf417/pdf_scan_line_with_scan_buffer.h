#pragma once

#include "decoder/core/shared_memory_distributor.h"
#include "decoder/linear/roads/pick_line_subroutine.h"
#include "decoder/linear/roads/scan_buffer.h"
#include "decoder/linear/roads/scan_subroutine.h"
#include "decoder/stacked/pdf417/finder_candidate.h"
#include "decoder/stacked/pdf417/pdf_scan_line.h"

namespace DEC2DIvra {

// A scan line together with the samples and runs it was last scanned into,
// so that several parallel lines can be held at once. The buffers are
// slices of the decoder's work area taken when the owner is built.
class PDFScanLineWithScanBuffer : public PDFScanLine {
public:
    static constexpr unsigned kSampleCapacity = 2048;
    static constexpr unsigned kRunCapacity = 1024;

    // False when the work area has no room; the line then scans nothing.
    bool Initialize(SharedMemoryDistributor& memory);
    bool IsReady() const { return ready_; }

    // Sets the line and scans it into runs (samples with 8 fraction bits);
    // false when the line cannot be set or gives no runs.
    bool Set(GrayImage const& image, LineSegment const& segment, unsigned margin);
    // Takes over another line's geometry and scans it.
    bool Scan(GrayImage const& image, PDFScanLine const& line, ScanSubroutine const& scan);
    bool Scan(GrayImage const& image, ScanSubroutine const& scan);

    // Confirms a row address candidate (moved onto this line) by the row
    // address pattern this line shows at its place: only a neighbouring row
    // of the same set confirms. `found` gets the pattern met.
    bool CheckMicroFinderCandidate(GrayImage const& image, FinderCandidate const& candidate,
                                   FinderCandidate& found) const;

    StackInterface<ScanElement> const& GetRuns() const { return buffer_.GetRuns(); }
    unsigned GetContrast() const { return contrast_; }
    // The edge threshold of the search: the contrast div 2, at most 85.
    unsigned GetEdgeThreshold() const { return contrast_ / 2 < 85 ? contrast_ / 2 : 85; }

private:
    ScanBuffer buffer_;
    PickLineSubroutine pick_;
    unsigned contrast_ = 0;
    bool ready_ = false;
};

}  // namespace DEC2DIvra
