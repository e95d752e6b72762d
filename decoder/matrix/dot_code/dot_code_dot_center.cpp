#include "decoder/matrix/dot_code/dot_code_dot_center.h"

#include "decoder/core/geometry/geometry_ex.h"
#include "decoder/core/sampling/calc_edge_point_subroutine.h"
#include "decoder/matrix/dot_code/dot_code_sample_point.h"

namespace DEC2DIvra {

namespace {

constexpr int kBits = 8;

}  // namespace

// The centre of the dot's ink within half a pitch of the point: the grey
// values sampled on a 5 x 5 lattice of quarter steps, each weighed by how far
// it lies beyond the ground grey toward the dot colour; false without ink.
bool CalcInkCentroid(GrayImage const& image, DotStepVectors const& steps, bool dark, Point& centre)
{
    for (unsigned round = 0; round < 2; ++round) {
        int ground = 0;
        int groundCount = 0;
        for (Vector const& v : steps.v) {
            Point const p{centre.x + v.dx, centre.y + v.dy};
            if (IsInnerSamplePoint(image, p)) {
                ground += static_cast<int>(GeometryEx::GetLuminance(image, p, kBits));
                ++groundCount;
            }
        }
        if (groundCount == 0) {
            return false;
        }
        ground /= groundCount;
        long long sum = 0;
        long long sx = 0;
        long long sy = 0;
        Vector const& u = steps.v[0];
        Vector const& w = steps.v[1];
        for (int a = -2; a <= 2; ++a) {
            for (int b = -2; b <= 2; ++b) {
                Point const p{centre.x + (a * u.dx + b * w.dx) / 4, centre.y + (a * u.dy + b * w.dy) / 4};
                if (!IsInnerSamplePoint(image, p)) {
                    continue;
                }
                int const grey = static_cast<int>(GeometryEx::GetLuminance(image, p, kBits));
                int const ink = dark ? ground - grey : grey - ground;
                if (ink > 0) {
                    sum += ink;
                    sx += static_cast<long long>(ink) * p.x;
                    sy += static_cast<long long>(ink) * p.y;
                }
            }
        }
        if (sum == 0) {
            return false;
        }
        centre = Point{static_cast<int>(sx / sum), static_cast<int>(sy / sum)};
    }
    return IsInnerSamplePoint(image, centre);
}

bool CalcDotCenterSubroutine::Start(GrayImage const& image, DotStepVectors const& steps, bool dark, unsigned passes,
                                    Point& centre) const
{
    if (!IsInnerSamplePoint(image, centre)) {
        return false;
    }
    Point const start = centre;
    if (StartOnEdges(image, steps, dark, passes, centre)) {
        return true;
    }
    // Dots of two or three pixels show no edge to walk to from a point off
    // their middle: their ink still places them.
    centre = start;
    return CalcInkCentroid(image, steps, dark, centre);
}

bool CalcDotCenterSubroutine::StartOnEdges(GrayImage const& image, DotStepVectors const& steps, bool dark,
                                           unsigned passes, Point& centre) const
{
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
        if (!IsInnerSamplePoint(image, moved)) {
            return false;
        }
        centre = moved;
    }
    return true;
}

bool CalcMeanDotContrast(GrayImage const& image, DotStepVectors const& steps, bool dark, Point const& centre,
                     int& contrast)
{
    if (!IsInnerSamplePoint(image, centre)) {
        return false;
    }
    int const dot = static_cast<int>(GeometryEx::GetLuminance(image, centre, kBits));
    int sum = 0;
    int count = 0;
    for (Vector const& v : steps.v) {
        Point const p{centre.x + v.dx, centre.y + v.dy};
        if (!IsInnerSamplePoint(image, p)) {
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
