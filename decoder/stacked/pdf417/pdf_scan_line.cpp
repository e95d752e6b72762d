#include "decoder/stacked/pdf417/pdf_scan_line.h"

#include "decoder/core/geometry/common_angle.h"
#include "decoder/core/geometry/geometry.h"
#include "decoder/core/geometry/ptr_line_segment.h"
#include "decoder/core/geometry/ptr_manhattan_line_segment.h"
#include "decoder/core/geometry/rectangle_border.h"
#include "decoder/linear/roads/pick_line_subroutine.h"
#include "decoder/linear/roads/scan_buffer.h"
#include "decoder/linear/roads/scan_subroutine.h"

namespace DEC2DIvra {

namespace {

// The image less a margin on every side; false when nothing is left.
bool InnerBorder(GrayImage const& image, unsigned margin, RectangleBorder& border)
{
    int const m = static_cast<int>(margin > 0x10000 ? 0x10000 : margin);
    Rectangle const r{m, m, image.GetWidth() - 1 - m, image.GetHeight() - 1 - m};
    if (image.GetPixels() == nullptr || r.left > r.right || r.top > r.bottom) {
        return false;
    }
    border.Set(r);
    return true;
}

// Adds the grey values of a parallel walk into the samples already taken,
// sample by sample.
struct AddParallelLine {
    StackInterface<PickLineElement>* samples;
    mutable unsigned next = 0;

    bool Start(unsigned grey, int) const
    {
        if (next >= samples->GetCount()) {
            return false;
        }
        (*samples)[next++].grey += grey;
        return true;
    }
};

// The offset of parallel line k (k = 1 .. thickness - 1): +1, -1, +2, -2, ...
int ParallelOffset(unsigned k)
{
    int const size = static_cast<int>((k + 1) / 2);
    return (k & 1) != 0 ? size : -size;
}

template <class Walk>
bool PickThick(GrayImage const& image, LineSegment const& segment, unsigned thickness, PickLineSubroutine const& pick,
               ScanBuffer& buffer)
{
    Walk centre;
    if (!centre.Set(image, segment) || !pick.Start(image, centre)) {
        return false;
    }
    StackInterface<PickLineElement>& samples = buffer.GetSamples();
    unsigned const count = samples.GetCount();
    if (count < 2) {
        return false;
    }
    if (thickness < 2) {
        return true;
    }
    // Parallel lines are shifted across the walk's major axis, so that every
    // one visits as many pixels as the centre line.
    long long const dx = static_cast<long long>(segment.end.x) - segment.begin.x;
    long long const dy = static_cast<long long>(segment.end.y) - segment.begin.y;
    bool const xMajor = (dx < 0 ? -dx : dx) >= (dy < 0 ? -dy : dy);
    for (unsigned k = 1; k < thickness; ++k) {
        int const offset = ParallelOffset(k);
        Vector const shift = xMajor ? Vector{0, offset} : Vector{offset, 0};
        LineSegment const moved{{segment.begin.x + shift.dx, segment.begin.y + shift.dy},
                                {segment.end.x + shift.dx, segment.end.y + shift.dy}};
        Walk parallel;
        AddParallelLine add{&samples};
        if (!parallel.Set(image, moved) || !parallel.ExecuteAlongLineWithLineCoord(image, add) || add.next != count) {
            return false;
        }
    }
    for (unsigned i = 0; i < count; ++i) {
        samples[i].grey /= thickness;
    }
    return true;
}

}  // namespace

bool PDFScanLine::SetTrimmed(GrayImage const& image, LineSegment const& segment, unsigned margin)
{
    RectangleBorder border;
    LineSegment trimmed;
    if (!InnerBorder(image, margin, border) || !Geometry::TrimLineSegment(segment, border, trimmed) ||
        trimmed.begin == trimmed.end) {
        return false;
    }
    unsigned value = 0;
    Vector step;
    if (!CommonAngle::CalcAngleValue(trimmed.end.x - trimmed.begin.x, trimmed.end.y - trimmed.begin.y, 3, value) ||
        !CommonAngle::CalcAngleVector(value, 3, step)) {
        return false;
    }
    segment_ = trimmed;
    step_ = step;
    direction_ = value & 7;
    return true;
}

bool PDFScanLine::Set(GrayImage const& image, LineSegment const& segment, unsigned thickness)
{
    unsigned const t = thickness > 0 ? thickness : 1;
    if (!SetTrimmed(image, segment, t)) {
        return false;
    }
    thickness_ = t;
    crossQuarter_ = false;
    codeWidth_ = 0;
    codeContrast_ = 0;
    return true;
}

bool PDFScanLine::Set(GrayImage const& image, Region const& region, unsigned thickness)
{
    LineSegment centre;
    Geometry::CalcCenterPoint(region[0], region[3], centre.begin);
    Geometry::CalcCenterPoint(region[1], region[2], centre.end);
    if (!Set(image, centre, thickness)) {
        return false;
    }
    unsigned lineQuarter = 0;
    unsigned sideQuarter = 0;
    if (CommonAngle::CalcAngleValue(centre.end.x - centre.begin.x, centre.end.y - centre.begin.y, 2, lineQuarter) &&
        CommonAngle::CalcAngleValue(region[1].x - region[0].x, region[1].y - region[0].y, 2, sideQuarter)) {
        crossQuarter_ = (lineQuarter & 3) != (sideQuarter & 3);
    }
    return true;
}

bool PDFScanLine::SetCenterLine(GrayImage const& image, LineSegment const& segment)
{
    return SetTrimmed(image, segment, 0);
}

bool PDFScanLine::Move(GrayImage const& image, Vector const& shift)
{
    RectangleBorder border;
    if (!InnerBorder(image, thickness_, border)) {
        return false;
    }
    long long const bx = static_cast<long long>(segment_.begin.x) + shift.dx;
    long long const by = static_cast<long long>(segment_.begin.y) + shift.dy;
    long long const ex = static_cast<long long>(segment_.end.x) + shift.dx;
    long long const ey = static_cast<long long>(segment_.end.y) + shift.dy;
    Rectangle const& r = border.GetRectangle();
    auto inside = [&r](long long x, long long y) { return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom; };
    if (!inside(bx, by) || !inside(ex, ey)) {
        return false;
    }
    segment_ = LineSegment{{static_cast<int>(bx), static_cast<int>(by)}, {static_cast<int>(ex), static_cast<int>(ey)}};
    return true;
}

bool PDFScanLine::CalcLineCoordPoint(GrayImage const& image, int coordinate, Point& point) const
{
    PtrLineSegment walk;
    return walk.Set(image, segment_) && walk.CalcLineCoordPoint(image, coordinate, point);
}

bool PDFScanLine::CalcRealLineCoordPoint(GrayImage const& image, int coordinate, unsigned fractionBits,
                                         Point& point) const
{
    PtrLineSegment walk;
    return walk.Set(image, segment_) && walk.CalcRealLineCoordPoint(image, coordinate, fractionBits, point);
}

bool PDFScanLine::CalcRealLineCoord(GrayImage const& image, unsigned fractionBits, Point const& point,
                                    int& coordinate) const
{
    PtrLineSegment walk;
    return walk.Set(image, segment_) && walk.CalcRealLineCoord(image, fractionBits, point, coordinate);
}

bool PDFScanLine::PickForNormal(GrayImage const& image, PickLineSubroutine const& pick, ScanBuffer& buffer) const
{
    return PickThick<PtrLineSegment>(image, segment_, thickness_, pick, buffer);
}

bool PDFScanLine::PickForManhattan(GrayImage const& image, PickLineSubroutine const& pick, ScanBuffer& buffer) const
{
    return PickThick<PtrManhattanLineSegment>(image, segment_, thickness_, pick, buffer);
}

bool PDFScanLine::Scan(GrayImage const& image, PickLineSubroutine const& pick, ScanSubroutine const& scan,
                       ScanBuffer& buffer, unsigned& contrast) const
{
    if (!PickForNormal(image, pick, buffer)) {
        return false;
    }
    StackInterface<PickLineElement> const& samples = buffer.GetSamples();
    unsigned low = ~0u;
    unsigned high = 0;
    for (unsigned i = 0; i < samples.GetCount(); ++i) {
        low = samples[i].grey < low ? samples[i].grey : low;
        high = samples[i].grey > high ? samples[i].grey : high;
    }
    bool falseEdge = false;
    unsigned maxStep = 0;
    if (!scan.Start(image, samples, buffer.GetRuns(), true, 16, falseEdge, maxStep)) {
        return false;
    }
    contrast = high - low;
    return true;
}

}  // namespace DEC2DIvra
