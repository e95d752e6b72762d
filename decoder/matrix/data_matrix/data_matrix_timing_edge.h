#pragma once

#include "decoder/core/containers/stack_interface.h"
#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/geometry/point.h"
#include "decoder/core/geometry/vector.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/sampling/common_pick_edge_point_subroutine.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/linear/line/scan_element.h"
#include "decoder/linear/roads/pick_line_element.h"
#include "decoder/linear/roads/scan_subroutine.h"

namespace DEC2DIvra {

// The buffers of the timing edge pickers, laid over the decoder's work
// area: the activity profile of a picking walk, the runs the scan finds in
// it, and whether the last picker could not be set up.
class TimingEdgeWorkArea {
public:
    static constexpr unsigned kProfileCapacity = 2048;
    static constexpr unsigned kRunCapacity = 1024;

    explicit TimingEdgeWorkArea(SharedMemoryDistributor& memory)
        : scan(memory), elements(memory.TakeArray<PickLineElement>(kProfileCapacity)),
          runs(memory.TakeArray<ScanElement>(kRunCapacity))
    {
    }

    ScanSubroutine scan;
    StackInterface<PickLineElement> elements;
    StackInterface<ScanElement> runs;
    CommonPickEdgePointSubroutine picker;
    bool failed = false;
};

// Where the edges of an activity profile lie: the runs of high and low
// activity that the scan finds along a picking walk (line coordinates with
// 8 fraction bits). An edge is the start of a run after the first; it is
// valid where the activity falls to a quarter or less (leaving a timing
// side for its quiet zone), or anywhere when every edge counts.
class CalcTimingEdgePositionSubroutine {
public:
    static constexpr unsigned kShift = 8;

    explicit CalcTimingEdgePositionSubroutine(TimingEdgeWorkArea& work) : work_(&work) {}

    // The valid falling edge nearest the expected position, the walk's
    // length x before / (before + after); one much closer to the previous
    // edge than the chosen one is to its own gives way. 0 when there is none.
    unsigned Start(GrayImage const& image, StackInterface<PickLineElement> const& elements, unsigned before,
                   unsigned after, int& position) const;
    // The positions of the last run of evenly spaced edges (every edge
    // counts); 0 when there is none.
    unsigned Start(GrayImage const& image, StackInterface<PickLineElement> const& elements, unsigned before,
                   unsigned after, StackInterface<int>& positions) const;

private:
    bool Scan(GrayImage const& image, StackInterface<PickLineElement> const& elements) const;

    TimingEdgeWorkArea* work_;
};

// Picks the edge of a timing side: the picking walk crosses `segment` at its
// midpoint along `direction`, from width1 before to width2 beyond (1/256
// pixel); at each of its pixels the segment, moved there, is walked and its
// activity taken (the mean grey step between straight neighbours). Edges of
// that profile are the timing side's edges. Points in 1/256 pixel.
class PickTimingEdgePointSubroutine {
public:
    explicit PickTimingEdgePointSubroutine(TimingEdgeWorkArea& work) : work_(&work) {}

    // The one edge point where the activity falls nearest the segment.
    unsigned Start(GrayImage const& image, LineSegment const& segment, Vector const& direction, unsigned width1,
                   unsigned width2, Point& point) const;
    // Every evenly spaced edge point along the walk.
    unsigned Start(GrayImage const& image, LineSegment const& segment, Vector const& direction, unsigned width1,
                   unsigned width2, StackInterface<Point>& points) const;

    // A line coordinate of the picking walk (8 fraction bits) as a point.
    bool CalcEdgePoint(GrayImage const& image, int position, Point& point) const;
    bool CalcEdgePoint(GrayImage const& image, StackInterface<int> const& positions,
                       StackInterface<Point>& points) const;

private:
    bool PickActivity(GrayImage const& image, LineSegment const& segment, Vector const& direction,
                      unsigned width1, unsigned width2, unsigned& before, unsigned& after) const;

    TimingEdgeWorkArea* work_;
};

}  // namespace DEC2DIvra
