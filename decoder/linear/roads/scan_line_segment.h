#pragma once

#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/geometry/point.h"
#include "decoder/core/containers/stack_interface.h"
#include "decoder/linear/roads/pick_line_element.h"

namespace DEC2DIvra {

// One scan line over the image: a segment walked pixel by pixel, either
// 8-connected (one pixel per major-axis step) or 4-connected (a second pixel
// at each minor-axis step). Line coordinates carry kFractionBits fraction
// bits so that run edges keep sub-pixel detail; one major-axis step is
// kUnitsPerStep units in both walks, an inserted 4-connected pixel sits half a
// step on.
class ScanLineSegment {
public:
    static constexpr unsigned kFractionBits = 4;
    static constexpr int kUnitsPerStep = 1 << kFractionBits;

    ScanLineSegment() = default;
    ScanLineSegment(LineSegment const& segment, bool fourConnected) : segment_(segment), fourConnected_(fourConnected)
    {
    }

    LineSegment const& GetSegment() const { return segment_; }
    bool IsFourConnected() const { return fourConnected_; }
    // Both ends inside the image.
    bool IsInside(GrayImage const& image) const;

    // Empties the stack and samples every pixel of the walk with its line
    // coordinate; false when an end lies outside the image or the stack cannot
    // hold the whole walk.
    bool Pick(GrayImage const& image, StackInterface<PickLineElement>& samples) const;

    // The pixel of the walk nearest to a line coordinate (coordinates beyond
    // the ends extend the line); false when it lies outside the image.
    bool CalcLineCoordPoint(GrayImage const& image, int coordinate, Point& point) const;

    friend bool operator==(ScanLineSegment const&, ScanLineSegment const&) = default;

private:
    LineSegment segment_;
    bool fourConnected_ = false;
};

}  // namespace DEC2DIvra
