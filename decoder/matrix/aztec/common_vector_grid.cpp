#include "decoder/matrix/aztec/common_vector_grid.h"

#include "decoder/core/geometry/geometry.h"
#include "decoder/core/geometry/geometry_ex.h"

namespace DEC2DIvra {

namespace {

// Direction of the positive and the negative indexes of each table.
constexpr unsigned kUp[2] = {1, 0};
constexpr unsigned kDown[2] = {3, 2};

int Divide(int value, int by) { return value / by; }

}  // namespace

void CommonVectorGrid::Reset(Point const& centre)
{
    *this = CommonVectorGrid{};
    centre_ = centre;
}

bool CommonVectorGrid::CalcTempVector(int index, bool horizontal, Vector& vector) const
{
    if (index < -kMaxIndex || index > kMaxIndex) {
        return false;
    }
    unsigned const t = horizontal ? 0 : 1;
    if (index > high_[t]) {
        Vector const& top = Entry(horizontal, high_[t]);
        Vector const& step = step_[kUp[t]];
        vector = Vector{top.dx + (index - high_[t]) * step.dx, top.dy + (index - high_[t]) * step.dy};
    } else if (index < low_[t]) {
        Vector const& bottom = Entry(horizontal, low_[t]);
        Vector const& step = step_[kDown[t]];
        vector = Vector{bottom.dx + (low_[t] - index) * step.dx, bottom.dy + (low_[t] - index) * step.dy};
    } else {
        vector = Entry(horizontal, index);
    }
    return true;
}

bool CommonVectorGrid::CalcTempVectorFromCrossPoint(int i, int j, Vector& vector) const
{
    Vector h{};
    Vector v{};
    if (!CalcTempHorizontalVector(i, h) || !CalcTempVerticalVector(j, v)) {
        return false;
    }
    vector = Vector{h.dx + v.dx, h.dy + v.dy};
    return true;
}

bool CommonVectorGrid::CalcVectorFromCrossPoint(int i, int j, Vector& vector) const
{
    if (i < low_[0] || i > high_[0] || j < low_[1] || j > high_[1]) {
        return false;
    }
    return CalcTempVectorFromCrossPoint(i, j, vector);
}

Point CommonVectorGrid::GetTempModuleCenter(int i, int j) const
{
    Vector v{};
    CalcTempVectorFromCrossPoint(i, j, v);
    return Point{centre_.x + v.dx, centre_.y + v.dy};
}

bool CommonVectorGrid::CalcTempModuleLuminance(GrayImage const& image, int i, int j, unsigned& value) const
{
    Vector v{};
    if (!CalcTempVectorFromCrossPoint(i, j, v)) {
        return false;
    }
    Point const p{centre_.x + v.dx, centre_.y + v.dy};
    int const x = p.x >> kFractionBits;
    int const y = p.y >> kFractionBits;
    if (x < 1 || y < 1 || x >= image.GetWidth() - 1 || y >= image.GetHeight() - 1) {
        return false;
    }
    value = GeometryEx::GetLuminance(image, p, kFractionBits);
    return true;
}

bool CommonVectorGrid::ConfirmGrid(Vector const& vector, unsigned direction, int index)
{
    if (index <= 0 || index > kMaxIndex) {
        return false;
    }
    direction &= 3;
    bool const horizontal = direction == 1 || direction == 3;
    unsigned const t = horizontal ? 0 : 1;
    bool const up = direction < 2;
    step_[direction] = Vector{Divide(vector.dx, index), Divide(vector.dy, index)};
    int const at = up ? index : -index;
    if (up) {
        for (int k = high_[t] + 1; k < at; ++k) {
            CalcTempVector(k, horizontal, Entry(horizontal, k));
        }
        Entry(horizontal, at) = vector;
        high_[t] = at > high_[t] ? at : high_[t];
    } else {
        for (int k = low_[t] - 1; k > at; --k) {
            CalcTempVector(k, horizontal, Entry(horizontal, k));
        }
        Entry(horizontal, at) = vector;
        low_[t] = at < low_[t] ? at : low_[t];
    }
    return true;
}

bool CommonVectorGrid::CalcCornerOfSymbolRegion(int n, unsigned corner, unsigned bits, Point& point) const
{
    int const x = RegionCornerCoord::X(corner);
    int const y = RegionCornerCoord::Y(corner);
    Vector inner{};
    Vector outer{};
    if (!CalcTempVectorFromCrossPoint(x * n, y * n, inner) ||
        !CalcTempVectorFromCrossPoint(x * (n + 1), y * (n + 1), outer)) {
        return false;
    }
    Point const a{centre_.x + inner.dx, centre_.y + inner.dy};
    Point const b{centre_.x + outer.dx, centre_.y + outer.dy};
    Point mid{};
    Geometry::CalcCenterPoint(a, b, mid);
    point = Point{mid.x >> bits, mid.y >> bits};
    return true;
}

}  // namespace DEC2DIvra
