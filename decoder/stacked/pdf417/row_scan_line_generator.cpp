#include "decoder/stacked/pdf417/row_scan_line_generator.h"

#include "decoder/core/geometry/common_angle.h"
#include "decoder/core/geometry/geometry.h"
#include "decoder/stacked/pdf417/column_data.h"

namespace DEC2DIvra {

namespace {

// (a P + b Q) / (a + b) with 64-bit weights, halved together until they fit.
bool DividePoint(long long a, Point const& p, long long b, Point const& q, Point& point)
{
    auto fits = [](long long v) { return v <= 0x3FFFFFFF && v >= -0x3FFFFFFF; };
    while (!fits(a) || !fits(b)) {
        a /= 2;
        b /= 2;
    }
    return Geometry::CalcDividingPoint(static_cast<int>(a), p, static_cast<int>(b), q, point);
}

// Row line i of n between a first line F (row 0) and a last line L (row
// n - 1), spaced by the perspective: rows crowd towards the narrower end.
bool DivideRows(long long i, long long last, LineSegment const& first, LineSegment const& final, LineSegment& row)
{
    long long const wFirst = Geometry::CalcChebyshevDistance(first);
    long long const wLast = Geometry::CalcChebyshevDistance(final);
    long long const a = i * wFirst;
    long long const b = (last - i) * wLast;
    LineSegment out;
    if (!DividePoint(a, final.begin, b, first.begin, out.begin) || !DividePoint(a, final.end, b, first.end, out.end)) {
        return false;
    }
    row = out;
    return true;
}

bool IsOnImage(GrayImage const& image, Point const& p) { return image.IsInside(p.x >> 8, p.y >> 8); }

}  // namespace

bool RowScanLineGenerator::Set(unsigned rows, Point const corners[4])
{
    if (rows < 3 || rows > kMaxRows) {
        return false;
    }
    Vector step;
    unsigned value = 0;
    if (!CommonAngle::CalcAngleValue(corners[3].x - corners[0].x, corners[3].y - corners[0].y, 4, value) ||
        !CommonAngle::CalcAngleVector(value, 4, step)) {
        return false;
    }
    LineSegment const first{corners[0], corners[1]};
    LineSegment const last{corners[3], corners[2]};
    for (unsigned i = 0; i < rows; ++i) {
        if (!DivideRows(i, rows - 1, first, last, lines_[i])) {
            return false;
        }
    }
    for (unsigned k = 0; k < 4; ++k) {
        corners_[k] = corners[k];
    }
    rows_ = rows;
    firstWidth_ = Geometry::CalcChebyshevDistance(first);
    lastWidth_ = Geometry::CalcChebyshevDistance(last);
    direction_ = value;
    step_ = step;
    return true;
}

bool RowScanLineGenerator::Set(GrayImage const& image, unsigned rows, ColumnData const& left, ColumnData const& right)
{
    LineSegment l;
    LineSegment r;
    if (!left.CalcLineSegment(rows, l) || !right.CalcLineSegment(rows, r)) {
        return false;
    }
    Point const corners[4] = {l.begin, r.begin, r.end, l.end};
    for (Point const& p : corners) {
        if (!IsOnImage(image, p)) {
            return false;
        }
    }
    if (!Set(rows, corners)) {
        return false;
    }
    // Rows both columns read are laid through the points measured there;
    // rows between two such rows are divided between them.
    bool measured[kMaxRows] = {};
    for (unsigned i = 0; i < rows; ++i) {
        LineSegment line;
        if (left.CalcRowNumberPoint(static_cast<int>(i), line.begin) &&
            right.CalcRowNumberPoint(static_cast<int>(i), line.end) && line.begin != line.end) {
            lines_[i] = line;
            measured[i] = true;
        }
    }
    int previous = -1;
    for (unsigned i = 0; i < rows; ++i) {
        if (!measured[i]) {
            continue;
        }
        if (previous >= 0 && static_cast<int>(i) - previous > 1) {
            LineSegment const from = lines_[previous];
            LineSegment const to = lines_[i];
            for (unsigned k = static_cast<unsigned>(previous) + 1; k < i; ++k) {
                DivideRows(k - static_cast<unsigned>(previous), i - static_cast<unsigned>(previous), from, to, lines_[k]);
            }
        }
        previous = static_cast<int>(i);
    }
    return true;
}

bool RowScanLineGenerator::CalcLineSegment(int row, LineSegment& segment) const
{
    if (rows_ < 3) {
        return false;
    }
    LineSegment const first{corners_[0], corners_[1]};
    LineSegment const last{corners_[3], corners_[2]};
    return DivideRows(row, static_cast<long long>(rows_) - 1, first, last, segment);
}

bool RowScanLineGenerator::GetScanLine(unsigned cycle, int row, LineSegment& segment) const
{
    if (rows_ < 3 || cycle > 2 * 256) {
        return false;
    }
    int const size = static_cast<int>((cycle + 1) / 2);
    int const offset = (cycle & 1) != 0 ? -size : size;
    bool const stored = row >= 0 && row < static_cast<int>(rows_);
    LineSegment line;
    if (stored) {
        line = lines_[row];
    } else if (!CalcLineSegment(row, line)) {
        return false;
    }
    if (offset == 0) {
        segment = line;
        return true;
    }
    bool const diagonal = step_.dx != 0 && step_.dy != 0;
    auto distance = [diagonal](Point const& p, Point const& q) {
        return diagonal ? Geometry::CalcManhattanDistance(p, q) : Geometry::CalcChebyshevDistance(p, q);
    };
    int const neighbour = offset < 0 ? row - 1 : row + 1;
    unsigned long long d = 0;
    if (stored && neighbour >= 0 && neighbour < static_cast<int>(rows_)) {
        LineSegment const& other = lines_[neighbour];
        unsigned const d0 = distance(line.begin, other.begin);
        unsigned const d1 = distance(line.end, other.end);
        d = d0 > d1 ? d0 : d1;
    } else {
        unsigned const s0 = distance(corners_[0], corners_[3]);
        unsigned const s1 = distance(corners_[1], corners_[2]);
        d = (s0 > s1 ? s0 : s1) / rows_;
    }
    unsigned long long const half = offset < 0 ? (d + 2) >> 1 : (d + 1) >> 1;
    unsigned long long const reach = static_cast<unsigned long long>(size) * 256;
    if (reach >= half) {
        return false;  // the line would leave its row
    }
    // Whole steps, or half steps along both axes on a diagonal.
    int const unit = diagonal ? 128 : 256;
    Vector const shift{step_.dx * offset * unit, step_.dy * offset * unit};
    segment = LineSegment{{line.begin.x + shift.dx, line.begin.y + shift.dy},
                          {line.end.x + shift.dx, line.end.y + shift.dy}};
    return true;
}

}  // namespace DEC2DIvra
