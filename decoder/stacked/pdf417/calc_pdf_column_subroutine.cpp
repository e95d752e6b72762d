#include "decoder/stacked/pdf417/calc_pdf_column_subroutine.h"

#include "decoder/core/geometry/geometry.h"
#include "decoder/core/sampling/calc_edge_line_subroutine.h"
#include "decoder/stacked/pdf417/column_data.h"

namespace DEC2DIvra {

namespace {

// Narrower than this a column stepped out from a built one is no column.
constexpr unsigned kMinStepWidth = 4352;  // 17 pixels

// The Chebyshev distance between the crossings of a line with two borders.
bool MeasureWidth(Line const& across, Line const& first, Line const& second, unsigned& width)
{
    Point a;
    Point b;
    if (!Geometry::CalcCrossPoint(across, first, a) || !Geometry::CalcCrossPoint(across, second, b)) {
        return false;
    }
    width = Geometry::CalcChebyshevDistance(a, b);
    return true;
}

bool LineAlong(Point const& through, Vector const& direction, Line& line)
{
    Point const next{through.x + direction.dx, through.y + direction.dy};
    return Geometry::CalcLine(through, next, line);
}

}  // namespace

bool CalcPDFColumnSubroutine::Start(ColumnData const& column, unsigned side, PDFColumn& out) const
{
    unsigned const count = column.GetCount();
    Line start;
    Line end;
    if (count < 2 || !column.CalcStartLine(start) || !column.CalcEndLine(end)) {
        return false;
    }
    PDFColumn built;
    built.first = side == 0 ? start : end;
    built.second = side == 0 ? end : start;
    built.firstCenter = ColumnData::CalcCenter(column[0]);
    built.lastCenter = ColumnData::CalcCenter(column[count - 1]);
    LineSegment const& middle = column[count / 2].segment;
    Line across;
    if (!middle.CalcLine(across) || !MeasureWidth(across, built.first, built.second, built.width) ||
        !built.CalcInnerLines()) {
        return false;
    }
    built.narrow = built.width < PDFColumn::kNarrowWidth;
    out = built;
    return true;
}

bool CalcPDFColumnSubroutine::Start(GrayImage const& image, PDFColumn const& from, Vector const& codeVector,
                                    unsigned rows, bool inverted, unsigned side, PDFColumn& out) const
{
    PDFColumn built;
    Line extrapolated;
    if (side == 0) {
        built.first = from.second;
        if (!Geometry::CalcDividingLine(2, from.second, -1, from.first, extrapolated)) {
            return false;
        }
        built.second = extrapolated;
    } else {
        built.second = from.first;
        if (!Geometry::CalcDividingLine(2, from.first, -1, from.second, extrapolated)) {
            return false;
        }
        built.first = extrapolated;
    }
    // Lines through the old column's centres along the rows cross the new
    // column's borders.
    Line firstRow;
    Line lastRow;
    Point a1;
    Point b1;
    Point a2;
    Point b2;
    if (!LineAlong(from.firstCenter, codeVector, firstRow) || !LineAlong(from.lastCenter, codeVector, lastRow) ||
        !Geometry::CalcCrossPoint(firstRow, built.first, a1) || !Geometry::CalcCrossPoint(firstRow, built.second, b1) ||
        !Geometry::CalcCrossPoint(lastRow, built.first, a2) || !Geometry::CalcCrossPoint(lastRow, built.second, b2)) {
        return false;
    }
    Geometry::CalcCenterPoint(a1, b1, built.firstCenter);
    Geometry::CalcCenterPoint(a2, b2, built.lastCenter);
    Vector const widthVector{b1.x - a1.x, b1.y - a1.y};
    unsigned const width = Geometry::CalcChebyshevDistance(widthVector);
    if (width < kMinStepWidth) {
        return false;
    }
    // Fit the extrapolated border to the edges in the image: every column
    // starts with a bar, so the edge leads into dark along the rows.
    LineSegment const along = side == 0 ? LineSegment{b1, b2} : LineSegment{a1, a2};
    unsigned const range = width >> 9;
    Line fitted;
    bool const found = rows > 4
                           ? CalcFineEdgeLineSubroutine().Start(image, along, codeVector, !inverted, range, fitted)
                           : CalcEdgeLineSubroutine().Start(image, along, codeVector, !inverted, range, fitted);
    if (found) {
        (side == 0 ? built.second : built.first) = fitted;
    }
    Line across;
    if (!built.CalcInnerLines() || !Geometry::CalcLine(from.firstCenter, built.firstCenter, across) ||
        !MeasureWidth(across, built.first, built.second, built.width)) {
        return false;
    }
    built.narrow = built.width < PDFColumn::kNarrowWidth;
    out = built;
    return true;
}

bool CalcPDFColumnSubroutine::Start(PDFColumn const& left, PDFColumn const& right, PDFColumn& out) const
{
    PDFColumn built;
    built.first = left.second;
    built.second = right.first;
    Geometry::CalcCenterPoint(left.firstCenter, right.firstCenter, built.firstCenter);
    Geometry::CalcCenterPoint(left.lastCenter, right.lastCenter, built.lastCenter);
    Line across;
    if (!Geometry::CalcLine(left.firstCenter, right.firstCenter, across) ||
        !MeasureWidth(across, built.first, built.second, built.width) || !built.CalcInnerLines()) {
        return false;
    }
    built.narrow = built.width < PDFColumn::kNarrowWidth;
    out = built;
    return true;
}

}  // namespace DEC2DIvra
