#include "decoder/core/sampling/common_code_grid.h"

#include <climits>

#include "decoder/core/geometry/geometry.h"

namespace DEC2DIvra {

namespace {

// Two weights halved together until both fit an int.
void FitWeights(long long& a, long long& b)
{
    while (a > INT_MAX || a < -INT_MAX || b > INT_MAX || b < -INT_MAX) {
        a /= 2;
        b /= 2;
    }
}

// The line through the points dividing first-second and third-fourth, both
// with weights lengthA (count - index) and lengthB index.
bool CalcDividingLine(Point const& first, Point const& second, Point const& third, Point const& fourth,
                      long long lengthA, long long lengthB, int count, int index, Line& line)
{
    long long a = lengthA * (static_cast<long long>(count) - index);
    long long b = lengthB * index;
    FitWeights(a, b);
    if (a + b <= 0) {
        return false;
    }
    Point begin;
    Point end;
    return Geometry::CalcDividingPoint(static_cast<int>(a), first, static_cast<int>(b), second, begin) &&
           Geometry::CalcDividingPoint(static_cast<int>(a), third, static_cast<int>(b), fourth, end) &&
           Geometry::CalcLine(begin, end, line);
}

// Weights sum linearly with the index, so positive sums at both ends of the
// range mean positive sums everywhere between.
bool HasPositiveWeights(long long lengthA, long long lengthB, int count, int index)
{
    return lengthA * (static_cast<long long>(count) - index) + lengthB * index > 0;
}

}  // namespace

bool CommonCodeGrid::SetForShogiban(GrayImage const& /*image*/, Region const& corners, Rectangle const& range,
                                    int shift, int columns, int rows)
{
    range_ = Rectangle{0, 0, -1, -1};
    if (columns <= 0 || rows <= 0 || shift < 0 || shift > kMaxShift || range.left > range.right ||
        range.top > range.bottom) {
        return false;
    }
    long long const xCount = static_cast<long long>(range.right) - range.left + 1;
    long long const yCount = static_cast<long long>(range.bottom) - range.top + 1;
    if (xCount > columnLines_.GetCount() || yCount > rowLines_.GetCount()) {
        return false;
    }
    Point const& p0 = corners[0];
    Point const& p1 = corners[1];
    Point const& p2 = corners[2];
    Point const& p3 = corners[3];
    long long const top = Geometry::CalcEuclideanDistance(p0, p1);
    long long const right = Geometry::CalcEuclideanDistance(p1, p2);
    long long const bottom = Geometry::CalcEuclideanDistance(p3, p2);
    long long const left = Geometry::CalcEuclideanDistance(p0, p3);
    if (top == 0 || right == 0 || bottom == 0 || left == 0 ||
        !HasPositiveWeights(right, left, columns, range.left) ||
        !HasPositiveWeights(right, left, columns, range.right) ||
        !HasPositiveWeights(bottom, top, rows, range.top) || !HasPositiveWeights(bottom, top, rows, range.bottom)) {
        return false;
    }
    for (int x = range.left; x <= range.right; ++x) {
        if (!CalcDividingLine(p0, p1, p3, p2, right, left, columns, x,
                              columnLines_[static_cast<unsigned>(x - range.left)])) {
            return false;
        }
    }
    for (int y = range.top; y <= range.bottom; ++y) {
        if (!CalcDividingLine(p0, p3, p1, p2, bottom, top, rows, y, rowLines_[static_cast<unsigned>(y - range.top)])) {
            return false;
        }
    }
    range_ = range;
    shift_ = shift;
    return true;
}

bool CommonCodeGrid::CalcMesh(GrayImage const& image, Vector const& offset, CommonCodeMesh& mesh) const
{
    if (IsEmpty() || image.GetPixels() == nullptr || mesh.GetFractionBits() != static_cast<unsigned>(shift_)) {
        return false;
    }
    long long const firstColumn = static_cast<long long>(range_.left) + offset.dx;
    long long const firstRow = static_cast<long long>(range_.top) + offset.dy;
    long long const lastColumn = static_cast<long long>(range_.right) + offset.dx;
    long long const lastRow = static_cast<long long>(range_.bottom) + offset.dy;
    if (firstColumn < 0 || firstRow < 0 || lastColumn >= mesh.GetWidth() || lastRow >= mesh.GetHeight()) {
        return false;
    }
    // Inside the image less one pixel: 1 <= floor(p) <= size - 2 in pixels.
    long long const one = 1LL << shift_;
    long long const maxX = static_cast<long long>(image.GetWidth() - 1) * one;
    long long const maxY = static_cast<long long>(image.GetHeight() - 1) * one;
    unsigned const columns = static_cast<unsigned>(range_.right - range_.left + 1);
    unsigned const rows = static_cast<unsigned>(range_.bottom - range_.top + 1);
    // Every crossing is checked before the first is stored, so that a failed
    // call leaves the caller's mesh as it was.
    for (unsigned pass = 0; pass < 2; ++pass) {
        for (unsigned y = 0; y < rows; ++y) {
            for (unsigned x = 0; x < columns; ++x) {
                Point p;
                if (!Geometry::CalcCrossPoint(rowLines_[y], columnLines_[x], p)) {
                    return false;
                }
                if (pass == 0) {
                    if (p.x < one || p.y < one || p.x >= maxX || p.y >= maxY) {
                        return false;
                    }
                } else {
                    mesh.At(static_cast<unsigned>(firstColumn) + x, static_cast<unsigned>(firstRow) + y) = p;
                }
            }
        }
    }
    return true;
}

bool CommonCodeGrid::GetColumnLine(int x, Line& line) const
{
    if (IsEmpty() || x < range_.left || x > range_.right) {
        return false;
    }
    line = columnLines_[static_cast<unsigned>(x - range_.left)];
    return true;
}

bool CommonCodeGrid::GetRowLine(int y, Line& line) const
{
    if (IsEmpty() || y < range_.top || y > range_.bottom) {
        return false;
    }
    line = rowLines_[static_cast<unsigned>(y - range_.top)];
    return true;
}

}  // namespace DEC2DIvra
