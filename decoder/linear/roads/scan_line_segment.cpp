#include "decoder/linear/roads/scan_line_segment.h"

#include "decoder/core/geometry/ptr_line_segment.h"
#include "decoder/core/geometry/ptr_manhattan_line_segment.h"
#include "decoder/linear/roads/pick_line_subroutine.h"

namespace DEC2DIvra {

namespace {

// floor(value / 2^bits + 1/2) for either sign.
int RoundShift(int value, unsigned bits)
{
    long long const half = bits > 0 ? (1LL << (bits - 1)) : 0;
    return static_cast<int>((static_cast<long long>(value) + half) >> bits);
}

}  // namespace

bool ScanLineSegment::IsInside(GrayImage const& image) const
{
    return image.IsInside(segment_.begin.x, segment_.begin.y) && image.IsInside(segment_.end.x, segment_.end.y);
}

bool ScanLineSegment::Pick(GrayImage const& image, StackInterface<PickLineElement>& samples) const
{
    samples.Clear();
    if (!IsInside(image)) {
        return false;
    }
    if (fourConnected_) {
        // The 4-connected walk counts half steps, so one bit less keeps the
        // unit of a major-axis step.
        PtrManhattanLineSegment walk;
        PickLineSubroutine const pick(samples, kFractionBits - 1);
        return walk.Set(image, segment_) && pick.Start(image, walk);
    }
    PtrLineSegment walk;
    PickLineSubroutine const pick(samples, kFractionBits);
    return walk.Set(image, segment_) && pick.Start(image, walk);
}

bool ScanLineSegment::CalcLineCoordPoint(GrayImage const& image, int coordinate, Point& point) const
{
    if (fourConnected_) {
        PtrManhattanLineSegment walk;
        return walk.Set(image, segment_) &&
               walk.CalcLineCoordPoint(image, RoundShift(coordinate, kFractionBits - 1), point);
    }
    PtrLineSegment walk;
    return walk.Set(image, segment_) && walk.CalcLineCoordPoint(image, RoundShift(coordinate, kFractionBits), point);
}

}  // namespace DEC2DIvra
