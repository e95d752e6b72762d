#include "decoder/stacked/pdf417/pdf_scan_line_with_scan_buffer.h"

#include "decoder/core/geometry/geometry.h"
#include "decoder/core/geometry/rectangle_border.h"
#include "decoder/stacked/pdf417/micro_finder_window.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kFractionBits = 8;

}  // namespace

bool PDFScanLineWithScanBuffer::Initialize(SharedMemoryDistributor& memory)
{
    ready_ = buffer_.Initialize(memory, kSampleCapacity, kRunCapacity);
    pick_ = PickLineSubroutine(buffer_.GetSamples(), kFractionBits);
    return ready_;
}

bool PDFScanLineWithScanBuffer::Set(GrayImage const& image, LineSegment const& segment, unsigned margin)
{
    buffer_.Clear();
    contrast_ = 0;
    long long const m = margin;
    if (2 * m >= image.GetWidth() || 2 * m >= image.GetHeight()) {
        return false;
    }
    RectangleBorder const inside(Rectangle{static_cast<int>(m), static_cast<int>(m),
                                           static_cast<int>(image.GetWidth() - 1 - m),
                                           static_cast<int>(image.GetHeight() - 1 - m)});
    LineSegment trimmed;
    if (!Geometry::TrimLineSegment(segment, inside, trimmed) || trimmed.begin == trimmed.end) {
        return false;
    }
    return PDFScanLine::Set(image, trimmed, 1);
}

bool PDFScanLineWithScanBuffer::Scan(GrayImage const& image, PDFScanLine const& line, ScanSubroutine const& scan)
{
    static_cast<PDFScanLine&>(*this) = line;
    return Scan(image, scan);
}

bool PDFScanLineWithScanBuffer::Scan(GrayImage const& image, ScanSubroutine const& scan)
{
    buffer_.Clear();
    contrast_ = 0;
    if (!ready_) {
        return false;
    }
    return PDFScanLine::Scan(image, pick_, scan, buffer_, contrast_) && buffer_.GetRuns().GetCount() > 0;
}

bool PDFScanLineWithScanBuffer::CheckMicroFinderCandidate(GrayImage const& image, FinderCandidate const& candidate,
                                                          FinderCandidate& found) const
{
    MicroFinderWindow window;
    if (!window.Read(image, *this, GetRuns(), candidate)) {
        return false;
    }
    // Only the next row or the one after it, either way round the cycle.
    int const d = window.GetNumber() - candidate.number;
    int const a = d < 0 ? -d : d;
    if (a != 1 && a != 2 && a != 50 && a != 51) {
        return false;
    }
    window.Fill(candidate, window.GetTableNumber(), found);
    return true;
}

}  // namespace DEC2DIvra
