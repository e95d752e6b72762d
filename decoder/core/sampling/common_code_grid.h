#pragma once

#include "decoder/core/sampling/common_code_mesh.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/line.h"
#include "decoder/core/geometry/rectangle.h"
#include "decoder/core/geometry/region.h"
#include "decoder/core/geometry/vector.h"
#include "decoder/core/containers/virtual_array.h"

namespace DEC2DIvra {

// The module lines of a quadrilateral symbol area: lines x = x0 .. x1 across
// the columns and y = y0 .. y1 across the rows, spaced as a plane seen in
// perspective would be, and their crossings as mesh points. The lines live in
// two buffers of the caller.
class CommonCodeGrid {
public:
    static constexpr int kMaxShift = 15;

    CommonCodeGrid() = default;
    CommonCodeGrid(VirtualArray<Line> const& columnLines, VirtualArray<Line> const& rowLines)
        : columnLines_(columnLines), rowLines_(rowLines)
    {
    }

    // Corners p0..p3 (top-left, top-right, bottom-right, bottom-left of the
    // module steps, `shift` fraction bits) span `columns` x `rows` steps. Line
    // x runs through the points dividing p0-p1 and p3-p2 with the weights
    // |p1 p2| (columns - x) and |p0 p3| x; line y through those dividing p0-p3
    // and p1-p2 with |p3 p2| (rows - y) and |p0 p1| y. The opposite side's
    // length weighs a point because a side that looks longer lies nearer,
    // where the steps look longer too: exact for a label tilted about one of
    // its axes; tilted about both, a mesh built cell by cell between measured
    // points follows it closer. Indexes beyond 0 .. columns (rows)
    // extrapolate. False (and the grid left empty) when columns or rows is 0,
    // a side has length 0, the weights of the first or last line do not add
    // up to a positive number, the range is empty or exceeds the buffers, or
    // a line cannot be formed.
    bool SetForShogiban(GrayImage const& image, Region const& corners, Rectangle const& range, int shift,
                        int columns, int rows);

    // Crosses every row line with every column line and stores the crossing
    // of lines x and y at column x + offset.dx, row y + offset.dy of the mesh,
    // which the caller has shaped with the grid's precision. False, and the
    // mesh untouched, for an empty grid, a block that does not fit the mesh,
    // another precision, parallel lines, or a crossing outside the image less
    // a one-pixel border.
    bool CalcMesh(GrayImage const& image, Vector const& offset, CommonCodeMesh& mesh) const;

    bool IsEmpty() const { return range_.left > range_.right || range_.top > range_.bottom; }
    Rectangle const& GetRange() const { return range_; }
    int GetShift() const { return shift_; }

    // The line of column index x (row index y) of the range; false outside it.
    bool GetColumnLine(int x, Line& line) const;
    bool GetRowLine(int y, Line& line) const;

private:
    VirtualArray<Line> columnLines_;
    VirtualArray<Line> rowLines_;
    Rectangle range_{0, 0, -1, -1};
    int shift_ = 0;
};

}  // namespace DEC2DIvra
