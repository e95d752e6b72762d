#pragma once

#include "decoder/core/geometry/line.h"
#include "decoder/core/geometry/point.h"

namespace DEC2DIvra {

// A directed segment from begin to end.
struct LineSegment {
    Point begin;
    Point end;

    // The line through the segment, directed from begin to end; false when the
    // two ends coincide.
    bool CalcLine(Line& line) const;

    friend bool operator==(LineSegment const&, LineSegment const&) = default;
};

}  // namespace DEC2DIvra
