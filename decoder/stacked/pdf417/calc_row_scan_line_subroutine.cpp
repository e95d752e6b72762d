#include "decoder/core/gray_image.h"
#include "decoder/stacked/pdf417/calc_pdf_column_subroutine.h"
#include "decoder/stacked/pdf417/column_data.h"
#include "decoder/stacked/pdf417/row_scan_line_generator.h"

namespace DEC2DIvra {

namespace {

bool IsOnImage(GrayImage const& image, Point const& p) { return image.IsInside(p.x >> 8, p.y >> 8); }

Point Moved(Point const& p, Vector const& v) { return Point{p.x + v.dx, p.y + v.dy}; }

}  // namespace

bool CalcRowScanLineSubroutine::Start(GrayImage const& image, Vector const& codeVector, ColumnData const* left,
                                      ColumnData const* right, unsigned rows, RowScanLineGenerator& generator) const
{
    if (left != nullptr && right != nullptr) {
        return generator.Set(image, rows, *left, *right);
    }
    ColumnData const* lone = left != nullptr ? left : right;
    LineSegment side;
    if (lone == nullptr || !lone->CalcLineSegment(rows, side) || !IsOnImage(image, side.begin) ||
        !IsOnImage(image, side.end)) {
        return false;
    }
    // The other side is the lone one moved by the code vector, whichever
    // way the caller let it point.
    LineSegment const other{Moved(side.begin, codeVector), Moved(side.end, codeVector)};
    LineSegment const& l = left != nullptr ? side : other;
    LineSegment const& r = left != nullptr ? other : side;
    Point const corners[4] = {l.begin, r.begin, r.end, l.end};
    return generator.Set(rows, corners);
}

}  // namespace DEC2DIvra
