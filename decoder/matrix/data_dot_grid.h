#pragma once

#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/containers/stack_interface.h"

namespace DEC2DIvra {

// The lines through the dot columns and dot rows of a DotCode symbol, grown
// side by side while the symbol is read. The stacks may hold probed lines
// beyond the first and last line in use. Coordinates in 1/256 pixel.
class DataDotGrid {
public:
    static constexpr unsigned kSegmentCapacity = 128;
    static constexpr int kMinimumLineSpacing = 128;  // half a pixel

    DataDotGrid()
        : columnSegments_(columnBuffer_, kSegmentCapacity), rowSegments_(rowBuffer_, kSegmentCapacity)
    {
    }
    DataDotGrid(DataDotGrid const&) = delete;
    DataDotGrid& operator=(DataDotGrid const&) = delete;

    StackInterface<LineSegment>& GetColumnSegments() { return columnSegments_; }
    StackInterface<LineSegment>& GetRowSegments() { return rowSegments_; }
    StackInterface<LineSegment> const& GetColumnSegments() const { return columnSegments_; }
    StackInterface<LineSegment> const& GetRowSegments() const { return rowSegments_; }
    int GetMinimumLineSpacing() const { return minimumLineSpacing_; }

private:
    LineSegment columnBuffer_[kSegmentCapacity];
    LineSegment rowBuffer_[kSegmentCapacity];
    StackInterface<LineSegment> columnSegments_;
    StackInterface<LineSegment> rowSegments_;
    bool parity_ = false;
    int firstColumn_ = 0;
    int firstRow_ = 0;
    int lastColumn_ = -1;
    int lastRow_ = -1;
    int minimumLineSpacing_ = kMinimumLineSpacing;
};

}  // namespace DEC2DIvra
