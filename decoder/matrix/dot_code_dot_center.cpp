#include "decoder/matrix/dot_code_dot_center.h"

#include "decoder/core/geometry/geometry_ex.h"
#include "decoder/core/sampling/calc_edge_point_subroutine.h"

namespace DEC2DIvra {

namespace {

constexpr int kBits = 8;
constexpr int kOne = 1 << kBits;

bool IsInner(GrayImage const& image, Point const& p)
{
    return p.x >= kOne && p.y >= kOne && p.x < (image.GetWidth() - 1) * kOne && p.y < (image.GetHeight() - 1) * kOne;
}

}  // namespace

bool CalcDotCenterSubroutine::Start(GrayImage const& image, DotStepVectors const& steps, bool dark, unsigned passes,
                                    Point& centre) const
{
    if (!IsInner(image, centre)) {
        return false;
    }
    CalcEdgePointSubroutine const edges;
    for (unsigned pass = 0; pass < passes * 2; ++pass) {
        Vector const& v = steps.v[pass % 2];
        Point const plus{centre.x + v.dx, centre.y + v.dy};
        Point const minus{centre.x - v.dx, centre.y - v.dy};
        Point a;
        Point b;
        if (!edges.Start(image, centre, plus, dark, kBits, a) || !edges.Start(image, centre, minus, dark, kBits, b)) {
            return false;
        }
        Point const moved{(a.x + b.x) / 2, (a.y + b.y) / 2};
        if (!IsInner(image, moved)) {
            return false;
        }
        centre = moved;
    }
    return true;
}

bool CalcDotContrast(GrayImage const& image, DotStepVectors const& steps, bool dark, Point const& centre,
                     int& contrast)
{
    if (!IsInner(image, centre)) {
        return false;
    }
    int const dot = static_cast<int>(GeometryEx::GetLuminance(image, centre, kBits));
    int sum = 0;
    int count = 0;
    for (Vector const& v : steps.v) {
        Point const p{centre.x + v.dx, centre.y + v.dy};
        if (!IsInner(image, p)) {
            continue;
        }
        int const ground = static_cast<int>(GeometryEx::GetLuminance(image, p, kBits));
        sum += dark ? ground - dot : dot - ground;
        ++count;
    }
    if (count == 0) {
        return false;
    }
    contrast = sum / count;
    return true;
}

}  // namespace DEC2DIvra
