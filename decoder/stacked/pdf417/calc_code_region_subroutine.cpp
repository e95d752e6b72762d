#include "decoder/stacked/pdf417/calc_code_region_subroutine.h"

#include "decoder/core/geometry/geometry.h"
#include "decoder/stacked/pdf417/data_column_array.h"
#include "decoder/stacked/pdf417/data_stack_array.h"
#include "decoder/stacked/pdf417/micro_finder_column_data.h"
#include "decoder/stacked/pdf417/mod3_of_cluster.h"
#include "decoder/stacked/pdf417/row_indicator_column_data.h"
#include "decoder/stacked/pdf417/start_stop_column_data.h"

namespace DEC2DIvra {

namespace {

// The four edges of a symbol in 1/256 pixel.
struct Edges {
    Line left;
    Line top;
    Line right;
    Line bottom;
};

int ToPixel(int v)
{
    return static_cast<int>((static_cast<long long>(v) + 128) >> 8);
}

bool CalcCorners(Edges const& edges, Region& region)
{
    Point corner[4];
    if (!Geometry::CalcCrossPoint(edges.left, edges.top, corner[0]) ||
        !Geometry::CalcCrossPoint(edges.top, edges.right, corner[1]) ||
        !Geometry::CalcCrossPoint(edges.right, edges.bottom, corner[2]) ||
        !Geometry::CalcCrossPoint(edges.bottom, edges.left, corner[3])) {
        return false;
    }
    for (unsigned i = 0; i < 4; ++i) {
        region.corner[i] = Point{ToPixel(corner[i].x), ToPixel(corner[i].y)};
    }
    return true;
}

// The top and bottom edges through the first and last rows' points of the
// two side columns.
bool CalcTopAndBottom(ColumnData const& left, ColumnData const& right, unsigned rows, Edges& edges)
{
    LineSegment first;
    LineSegment second;
    return rows >= 2 && left.CalcLineSegment(rows, first) && right.CalcLineSegment(rows, second) &&
           Geometry::CalcLine(first.begin, second.begin, edges.top) &&
           Geometry::CalcLine(first.end, second.end, edges.bottom);
}

// The outermost data column that holds more than two thirds of the rows,
// from the left or from the right; the last one tried when none does.
DataColumnData const* PickDataColumn(DataColumnArray const& columns, unsigned rows, bool fromRight)
{
    unsigned const count = columns.GetColumnCount();
    DataColumnData const* picked = nullptr;
    for (unsigned i = 0; i < count; ++i) {
        picked = &columns[fromRight ? count - 1 - i : i];
        if (static_cast<unsigned long long>(picked->GetCount()) * 3 > static_cast<unsigned long long>(rows) * 2) {
            break;
        }
    }
    return picked;
}

}  // namespace

bool CalcCodeRegionSubroutine::Start(GrayImage const&, StartStopColumnData const* start,
                                     StartStopColumnData const* stop, RowIndicatorColumnData const* left,
                                     RowIndicatorColumnData const* right, DecodeParameterForPDF const& parameter,
                                     DataColumnArray const& columns, Region& region) const
{
    unsigned const rows = parameter.rows;
    ColumnData const* leftSide = left;
    ColumnData const* rightSide = right;
    if (leftSide == nullptr) {
        leftSide = PickDataColumn(columns, rows, false);
    }
    if (rightSide == nullptr) {
        rightSide = PickDataColumn(columns, rows, true);
    }
    if (leftSide == nullptr || rightSide == nullptr) {
        return false;
    }
    Edges edges;
    bool const leftEdge = start != nullptr ? start->CalcStartLine(edges.left) : leftSide->CalcEndLine(edges.left);
    bool const rightEdge = stop != nullptr ? stop->CalcEndLine(edges.right) : rightSide->CalcStartLine(edges.right);
    return leftEdge && rightEdge && CalcTopAndBottom(*leftSide, *rightSide, rows, edges) && CalcCorners(edges, region);
}

bool CalcCodeRegionSubroutine::Start(GrayImage const&, StartStopColumnData const* start,
                                     StartStopColumnData const* stop, DecodeParameterForPDF const& parameter,
                                     DataStackArray const& stacks, Region& region) const
{
    unsigned const columns = stacks.GetColumnCount();
    if (columns == 0 || parameter.rows == 0) {
        return false;
    }
    DataCharacterStack const& first = stacks[0];
    DataCharacterStack const& last = stacks[columns - 1];
    unsigned const rows = first.GetCount();
    if (rows == 0 || last.GetCount() != rows) {
        return false;
    }
    Edges edges;
    bool const leftEdge = start != nullptr
                              ? start->CalcStartLine(edges.left)
                              : Geometry::CalcLine(first.Boundary(0).begin, first.Boundary(rows).begin, edges.left);
    bool const rightEdge = stop != nullptr
                               ? stop->CalcEndLine(edges.right)
                               : Geometry::CalcLine(last.Boundary(0).end, last.Boundary(rows).end, edges.right);
    return leftEdge && rightEdge && Geometry::CalcLine(first.Boundary(0).begin, last.Boundary(0).end, edges.top) &&
           Geometry::CalcLine(first.Boundary(rows).begin, last.Boundary(rows).end, edges.bottom) &&
           CalcCorners(edges, region);
}

bool CalcCodeRegionSubroutine::Start(GrayImage const&, MicroFinderColumnData const* left,
                                     MicroFinderColumnData const* right, MicroPDFVersionTable::Element const& version,
                                     DataColumnArray const& columns, Region& region) const
{
    unsigned const rows = version.rows;
    ColumnData const* leftSide = left;
    if (leftSide == nullptr) {
        leftSide = PickDataColumn(columns, rows, false);
    }
    if (leftSide == nullptr || right == nullptr) {
        return false;
    }
    Edges edges;
    return leftSide->CalcStartLine(edges.left) && right->CalcEndLine(edges.right) &&
           CalcTopAndBottom(*leftSide, *right, rows, edges) && CalcCorners(edges, region);
}

}  // namespace DEC2DIvra
