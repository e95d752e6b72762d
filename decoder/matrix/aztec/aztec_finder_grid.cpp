#include "decoder/matrix/aztec/aztec_finder_grid.h"

#include "decoder/core/geometry/geometry.h"

namespace DEC2DIvra {

bool CalcDiagonalCenterSubroutine::Start(Region const& region, Point& centre) const
{
    Line first;
    Line second;
    return Geometry::CalcLine(region[0], region[2], first) && Geometry::CalcLine(region[1], region[3], second) &&
           Geometry::CalcCrossPoint(first, second, centre);
}

Region AztecFinderGrid::GetInnerFrameCenterRegion() const
{
    int const part = compact_ ? 6 : 10;
    int const whole = compact_ ? 7 : 11;
    Region out{};
    for (unsigned k = 0; k < 4; ++k) {
        // (whole - part) parts of the centre and part of the corner.
        Geometry::CalcDividingPoint(part, outer_[k], whole - part, centre_, out[k]);
    }
    return out;
}

bool AztecFinderGrid::SetGrid(Region const& region, unsigned ring)
{
    Point centre{};
    if (!CalcDiagonalCenterSubroutine().Start(region, centre)) {
        return false;
    }
    bool const compact = compact_;
    Region const outer = outer_;
    Region const inner = inner_;
    Reset(centre);
    compact_ = compact;
    outer_ = outer;
    inner_ = inner;
    for (unsigned s = 0; s < 4; ++s) {
        Point middle{};
        Geometry::CalcCenterPoint(region[s], region[s + 1], middle);
        if (!ConfirmGrid(Vector{middle.x - centre.x, middle.y - centre.y}, s, static_cast<int>(ring))) {
            return false;
        }
    }
    return true;
}

bool AztecFinderGrid::SetGrid(Region const& region, unsigned const (&counts)[4])
{
    Vector reach[4];
    for (unsigned s = 0; s < 4; ++s) {
        Line side;
        Line axis;
        Point const toward{centre_.x + step_[s].dx, centre_.y + step_[s].dy};
        Point crossing{};
        if (!Geometry::CalcLine(region[s], region[s + 1], side) || !Geometry::CalcLine(centre_, toward, axis) ||
            !Geometry::CalcCrossPoint(side, axis, crossing)) {
            return false;
        }
        reach[s] = Vector{crossing.x - centre_.x, crossing.y - centre_.y};
    }
    for (unsigned s = 0; s < 4; ++s) {
        if (!ConfirmGrid(reach[s], s, static_cast<int>(counts[s]))) {
            return false;
        }
    }
    return true;
}

void AztecFinderGrid::SetRotatedGrid(AztecFinderGrid const& other, unsigned rotation, bool mirrored)
{
    // Where each unit step of this grid goes in the other's index plane:
    // mirrored swaps the axes, a quarter turn takes (x, y) to (-y, x).
    auto turn = [&](int x, int y, int& ox, int& oy) {
        if (mirrored) {
            int const t = x;
            x = y;
            y = t;
        }
        for (unsigned k = 0; k < (rotation & 3); ++k) {
            int const t = x;
            x = -y;
            y = t;
        }
        ox = x;
        oy = y;
    };
    *this = other;
    for (unsigned axis = 0; axis < 2; ++axis) {
        bool const horizontal = axis == 0;
        int ox = 0;
        int oy = 0;
        turn(horizontal ? 1 : 0, horizontal ? 0 : 1, ox, oy);
        bool const fromHorizontal = ox != 0;
        int const sign = fromHorizontal ? ox : oy;
        unsigned const from = fromHorizontal ? 0 : 1;
        int const low = sign > 0 ? other.low_[from] : -other.high_[from];
        int const high = sign > 0 ? other.high_[from] : -other.low_[from];
        for (int k = low; k <= high; ++k) {
            Entry(horizontal, k) = other.Entry(fromHorizontal, sign * k);
        }
        low_[axis] = low;
        high_[axis] = high;
        // The step of the positive direction of this axis and of the
        // negative one.
        unsigned const upOther = fromHorizontal ? (sign > 0 ? 1u : 3u) : (sign > 0 ? 0u : 2u);
        unsigned const up = horizontal ? 1u : 0u;
        step_[up] = other.step_[upOther];
        step_[up + 2] = other.step_[(upOther + 2) & 3];
    }
}

}  // namespace DEC2DIvra
