#include "decoder/matrix/dot_code/data_dot_grid.h"

#include "decoder/core/containers/array_iterator.h"
#include "decoder/core/geometry/geometry.h"

namespace DEC2DIvra {

bool DataDotGrid::Build(GridDot const* dots, unsigned count, unsigned columns, unsigned rows, bool parity)
{
    columnCount_ = 0;
    rowCount_ = 0;
    columnSegments_.Clear();
    rowSegments_.Clear();
    if (columns < 2 || rows < 2 || columns > kSegmentCapacity || rows > kSegmentCapacity) {
        return false;
    }
    if (!FitLines(dots, count, columns, true, columns_) || !FitLines(dots, count, rows, false, rows_)) {
        return false;
    }
    columnCount_ = columns;
    rowCount_ = rows;
    parity_ = parity;
    for (unsigned i = 0; i < columns; ++i) {
        LineSegment segment;
        if (!CalcFittedPoint(static_cast<int>(i), 0, segment.begin) ||
            !CalcFittedPoint(static_cast<int>(i), static_cast<int>(rows) - 1, segment.end)) {
            return false;
        }
        columnSegments_.Push(segment);
    }
    for (unsigned j = 0; j < rows; ++j) {
        LineSegment segment;
        if (!CalcFittedPoint(0, static_cast<int>(j), segment.begin) ||
            !CalcFittedPoint(static_cast<int>(columns) - 1, static_cast<int>(j), segment.end)) {
            return false;
        }
        rowSegments_.Push(segment);
    }
    return true;
}

bool DataDotGrid::FitLines(GridDot const* dots, unsigned count, unsigned lines, bool byColumn, Line* out)
{
    bool fitted[kSegmentCapacity];
    unsigned fittedCount = 0;
    Point points[kSegmentCapacity];
    for (unsigned l = 0; l < lines; ++l) {
        unsigned n = 0;
        for (unsigned d = 0; d < count && n < kSegmentCapacity; ++d) {
            int const index = byColumn ? dots[d].column : dots[d].row;
            if (index == static_cast<int>(l)) {
                points[n++] = dots[d].point;
            }
        }
        fitted[l] = false;
        if (n >= 2) {
            // Columns run along the rows' direction of travel: fit x on y
            // for columns and y on x for rows only when the spread says so.
            fitted[l] = Geometry::CalcLine(ArrayIterator<Point const>(points, n), out[l], -1);
            fittedCount += fitted[l] ? 1u : 0u;
        }
    }
    if (fittedCount < 2) {
        return false;
    }
    // Lines without fit: divided from the nearest fitted lines on both
    // sides, or carried on from the two nearest on one side.
    for (unsigned l = 0; l < lines; ++l) {
        if (fitted[l]) {
            continue;
        }
        int before = -1;
        int after = -1;
        for (int k = static_cast<int>(l) - 1; k >= 0; --k) {
            if (fitted[k]) {
                before = k;
                break;
            }
        }
        for (unsigned k = l + 1; k < lines; ++k) {
            if (fitted[k]) {
                after = static_cast<int>(k);
                break;
            }
        }
        int p = before;
        int q = after;
        if (p < 0 || q < 0) {
            // Both from one side: the nearest and the next fitted one.
            int const first = p >= 0 ? p : q;
            int next = -1;
            int const step = p >= 0 ? -1 : 1;
            for (int k = first + step; k >= 0 && k < static_cast<int>(lines); k += step) {
                if (fitted[k]) {
                    next = k;
                    break;
                }
            }
            if (next < 0) {
                return false;
            }
            p = first;
            q = next;
        }
        int const at = static_cast<int>(l);
        if (!Geometry::CalcDividingLine(q - at, out[p], at - p, out[q], out[l])) {
            return false;
        }
    }
    return true;
}

bool DataDotGrid::LineBeyond(Line const* lines, unsigned count, int index, Line& line)
{
    if (index >= 0 && index < static_cast<int>(count)) {
        line = lines[index];
        return true;
    }
    if (count < 2 || index < -1 || index > static_cast<int>(count)) {
        return false;
    }
    return index < 0 ? Geometry::CalcDividingLine(2, lines[0], -1, lines[1], line)
                     : Geometry::CalcDividingLine(2, lines[count - 1], -1, lines[count - 2], line);
}

bool DataDotGrid::CalcFittedPoint(int i, int j, Point& point) const
{
    Line column;
    Line row;
    return LineBeyond(columns_, columnCount_, i, column) && LineBeyond(rows_, rowCount_, j, row) &&
           Geometry::CalcCrossPoint(column, row, point);
}

}  // namespace DEC2DIvra
