#pragma once

#include "decoder/core/containers/stack_interface.h"
#include "decoder/core/gray_image.h"
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

// The lines through the dot columns and dot rows of a DotCode symbol, as two
// stacks of segments: each column segment runs from the first to the last
// row line, each row segment from the first to the last column line. The
// stacks may hold probed lines beyond the range in use on either side. The
// parity flag tells whether the first column starts with a blank (its first
// position has no dot). Coordinates in 1/256 pixel.
//
// Build() is the other way to fill it: least-squares lines through dots
// already placed on columns and rows (each line, where it holds fewer than
// two dots, divided from its fitted neighbours), read through
// CalcFittedPoint().
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

    // The position of column i and row j of the fitted lines, which may lie
    // one line beyond the grid on any side (extrapolated); false when the
    // lines do not cross.
    bool CalcFittedPoint(int i, int j, Point& point) const;

    // --- The segment stacks ---
    StackInterface<LineSegment>& GetSegments(bool columns) { return columns ? columnSegments_ : rowSegments_; }
    void Clear();
    void SetParity(bool parity) { parity_ = parity; }
    unsigned GetFirstIndex(bool columns) const { return columns ? firstColumn_ : firstRow_; }
    unsigned GetLastIndex(bool columns) const { return columns ? lastColumn_ : lastRow_; }
    // Lines in use in one direction.
    unsigned GetCount(bool columns) const { return GetLastIndex(columns) + 1 - GetFirstIndex(columns); }
    void SetRanges(unsigned lastColumn, unsigned lastRow);
    // Column i and row j (stack indexes): the segment's end point on the
    // first or last line of the stacks, else the cross point of the lines.
    bool CalcPoint(unsigned i, unsigned j, Point& point) const;
    // The outline's sides become the first and last segments (columns
    // c0-c3 and c1-c2, rows c0-c1 and c3-c2); every inner segment's ends
    // move onto the outer lines of the other direction.
    bool ResetOutline(Point const corners[4]);
    // Probes one line beyond the first (last false) or last column or row,
    // spaced as the two outermost; the crossing lines reach it. The probed
    // line lies beyond the range in use until PushOuterSegment.
    bool PushTempOuterSegment(GrayImage const& image, bool last, bool columns);
    // Extends the crossing segments to `line` at their end (last) or begin.
    static bool ExpandCrossSegmentStack(Line const& line, bool last, StackInterface<LineSegment>& crossing,
                                        LineSegment& segment);
    // A dot found at crossing k of a probed line ends line k of the other
    // direction there.
    void CorrectCrossSegment(Point const& point, bool last, bool probedIsColumn, unsigned k);
    // Makes the probed side permanent along `line`.
    bool PushOuterSegment(Line const& line, bool last, bool columns);
    // Removes the first and last line of both directions.
    bool DeleteOuterSegment();
    // Whether probed lines lie beyond the range in use on a side.
    unsigned CountBeyond(bool last, bool columns) const;
    // Drops the lines beyond the range in use, on every side.
    bool DropLinesBeyond();
    // Drops the outermost line of a side that lies beyond the range in use.
    bool DropOutermostBeyond(bool last, bool columns);

private:
    void CorrectCrossTempSegments(bool last, bool columns, unsigned k);
    bool CorrectSecondOuterSegment(Line const& line, bool last, bool columns);
    // Deletes the first segment of a direction, which lies beyond the range
    // in use: the range and the parity follow it.
    bool RemoveFirstSegment(bool columns);
    // Cuts every segment of a direction at the outermost lines of the other.
    bool RecutSegments(bool columns);
    bool RecutSegments(bool columns, Line const& first, Line const& last, bool outerToo);
    // Cuts every segment of both directions at the outermost lines.
    bool RecutEnds();
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
    unsigned firstColumn_ = 0;
    unsigned firstRow_ = 0;
    unsigned lastColumn_ = 0;
    unsigned lastRow_ = 0;
};

}  // namespace DEC2DIvra
