#pragma once

#include "decoder/core/containers/stack_interface.h"
#include "decoder/core/geometry/line.h"
#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/geometry/point.h"

namespace DEC2DIvra {

// A dot centre placed on the dot grid: its column and row counted from the
// grid's first line. Coordinates in 1/256 pixel.
struct GridDot {
    Point point;
    int column = 0;
    int row = 0;
};

// The lines through the dot columns and dot rows of a DotCode symbol: each a
// least-squares line through the dots placed on it, or, where a line holds
// fewer than two dots, divided from its nearest fitted neighbours. The parity
// flag tells whether the first column starts with a blank (its first
// position has no dot). Coordinates in 1/256 pixel.
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

    // Fits columns x rows lines to the dots; false when a direction has more
    // lines than the grid holds, fewer than two fitted lines, or a line
    // cannot be formed.
    bool Build(GridDot const* dots, unsigned count, unsigned columns, unsigned rows, bool parity);

    unsigned GetColumnCount() const { return columnCount_; }
    unsigned GetRowCount() const { return rowCount_; }
    bool GetParity() const { return parity_; }
    Line const& GetColumn(unsigned i) const { return columns_[i]; }
    Line const& GetRow(unsigned j) const { return rows_[j]; }
    int GetMinimumLineSpacing() const { return kMinimumLineSpacing; }
    // Each line as the segment between its first and last crossing line.
    StackInterface<LineSegment> const& GetColumnSegments() const { return columnSegments_; }
    StackInterface<LineSegment> const& GetRowSegments() const { return rowSegments_; }

    // The position of column i and row j, which may lie one line beyond the
    // grid on any side (extrapolated); false when the lines do not cross.
    bool CalcPoint(int i, int j, Point& point) const;

private:
    // Fits the lines of one direction; `byColumn` picks the dots' column or row.
    bool FitLines(GridDot const* dots, unsigned count, unsigned lines, bool byColumn, Line* out);
    static bool LineBeyond(Line const* lines, unsigned count, int index, Line& line);

    LineSegment columnBuffer_[kSegmentCapacity];
    LineSegment rowBuffer_[kSegmentCapacity];
    StackInterface<LineSegment> columnSegments_;
    StackInterface<LineSegment> rowSegments_;
    Line columns_[kSegmentCapacity];
    Line rows_[kSegmentCapacity];
    unsigned columnCount_ = 0;
    unsigned rowCount_ = 0;
    bool parity_ = false;
};

}  // namespace DEC2DIvra
