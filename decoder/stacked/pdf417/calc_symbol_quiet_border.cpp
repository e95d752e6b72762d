// The outline's upper and lower edges: where the rows give way to the quiet
// zone above the first row and below the last.
#include <initializer_list>

#include "decoder/core/geometry/geometry.h"
#include "decoder/core/geometry/geometry_ex.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/sampling/calc_edge_point_subroutine.h"
#include "decoder/stacked/pdf417/calc_symbol_outline_subroutine.h"

namespace DEC2DIvra {

namespace {

constexpr int kOne = 256;
constexpr unsigned kMinStep = 768;   // 3 pixels
constexpr int kMinDifference = 32;   // grey levels between a module and the quiet zone
constexpr unsigned kModules = 17;

bool IsInner(GrayImage const& image, Point const& p)
{
    return p.x >= kOne && p.y >= kOne && p.x <= (image.GetWidth() - 2) * kOne && p.y <= (image.GetHeight() - 2) * kOne;
}

// The module centre k (0 .. 16) of a segment: (2k + 1) / 34 along it.
bool ModuleCentre(LineSegment const& s, unsigned k, Point& p)
{
    int const w = static_cast<int>(2 * k + 1);
    return Geometry::CalcDividingPoint(34 - w, s.begin, w, s.end, p);
}

// Bit k of a 17-module pattern, module 0 first.
bool Bit(unsigned pattern, unsigned k)
{
    return ((pattern >> (kModules - 1 - k)) & 1u) != 0;
}

}  // namespace

bool CalcSymbolOutlineSubroutine::CalcSymbolEdgeLuminanceData(GrayImage const& image, bool inverted,
                                                              LineSegment const& row, unsigned pattern,
                                                              Array<int, 15>& offset, unsigned short& threshold) const
{
    Array<unsigned short, 15> grey;
    unsigned short high = 0;
    unsigned short low = 0;
    if (!luminance_.Start(image, false, row, grey, high, low)) {
        return false;
    }
    threshold = static_cast<unsigned short>((high + low) / 2);
    int const contrast = inverted ? low - high : high - low;
    int const magnitude = contrast < 0 ? -contrast : contrast;
    int const d = magnitude < 33 ? contrast : contrast / 4;
    // The grey values carry modules 1 .. 15.
    for (unsigned i = 0; i < 15; ++i) {
        offset[i] = Bit(pattern, i + 1) ? -d : d;
    }
    return true;
}

bool CalcSymbolOutlineSubroutine::CalcSymbolOuterLuminanceData(GrayImage const& image, LineSegment const& probe,
                                                               Array<int, 15> const& offset, unsigned short threshold,
                                                               Array<unsigned short, 15>& measured,
                                                               Array<unsigned short, 15>& adjusted,
                                                               bool& mostlyDark) const
{
    unsigned short high = 0;
    unsigned short low = 0;
    if (!IsInner(image, probe.begin) || !IsInner(image, probe.end) ||
        !luminance_.Start(image, false, probe, measured, high, low)) {
        return false;
    }
    unsigned dark = 0;
    for (unsigned i = 0; i < 15; ++i) {
        int const value = static_cast<int>(measured[i]) + offset[i];
        adjusted[i] = static_cast<unsigned short>(value < 0 ? 0 : value > 65535 ? 65535 : value);
        dark += measured[i] < threshold ? 1 : 0;
    }
    mostlyDark = dark * 2 > 15;
    return true;
}

bool CalcSymbolOutlineSubroutine::CalcSymbolOuterSegment(GrayImage const& image, bool inverted, LineSegment const& row,
                                                         unsigned pattern, Vector const& rowStep,
                                                         LineSegment& outer) const
{
    Vector step = rowStep;
    if (step.dx == 0 && step.dy == 0) {
        return false;
    }
    while (Geometry::CalcChebyshevDistance(step) <= kMinStep) {
        step.dx *= 2;
        step.dy *= 2;
    }
    Array<int, 15> offset;
    unsigned short threshold = 0;
    if (!CalcSymbolEdgeLuminanceData(image, inverted, row, pattern, offset, threshold)) {
        return false;
    }
    unsigned const complement = ~pattern & ((1u << kModules) - 1);
    for (unsigned k = 1; k <= kOuterSteps; ++k) {
        long long const dx = static_cast<long long>(step.dx) * k / 3;
        long long const dy = static_cast<long long>(step.dy) * k / 3;
        LineSegment probe{Point{static_cast<int>(row.begin.x + dx), static_cast<int>(row.begin.y + dy)},
                          Point{static_cast<int>(row.end.x + dx), static_cast<int>(row.end.y + dy)}};
        Array<unsigned short, 15> measured;
        Array<unsigned short, 15> adjusted;
        bool mostlyDark = false;
        if (!CalcSymbolOuterLuminanceData(image, probe, offset, threshold, measured, adjusted, mostlyDark)) {
            return false;
        }
        unsigned short measuredHigh = 0;
        unsigned short measuredLow = 65535;
        unsigned short adjustedHigh = 0;
        unsigned short adjustedLow = 65535;
        for (unsigned i = 0; i < 15; ++i) {
            measuredHigh = measured[i] > measuredHigh ? measured[i] : measuredHigh;
            measuredLow = measured[i] < measuredLow ? measured[i] : measuredLow;
            adjustedHigh = adjusted[i] > adjustedHigh ? adjusted[i] : adjustedHigh;
            adjustedLow = adjusted[i] < adjustedLow ? adjusted[i] : adjustedLow;
        }
        unsigned short a = 0;
        unsigned short b = 0;
        score_.Start(measured, inverted, false, static_cast<unsigned short>((measuredHigh + measuredLow) / 2), pattern,
                     a);
        score_.Start(adjusted, inverted, false, static_cast<unsigned short>((adjustedHigh + adjustedLow) / 2),
                     complement, b);
        if (b > a) {
            outer = probe;
            return true;
        }
    }
    return false;
}

bool CalcSymbolOutlineSubroutine::CalcSymbolBorderSegment(GrayImage const& image, bool inverted,
                                                          LineSegment const& row, unsigned pattern,
                                                          LineSegment const& outer, LineSegment& border) const
{
    constexpr unsigned kMaxEdges = kModules;
    Point edges[kMaxEdges];
    unsigned count = 0;
    CalcEdgePointSubroutine calc;
    for (unsigned k = 0; k < kModules; ++k) {
        bool const change = k == 0 || k + 1 == kModules || Bit(pattern, k) != Bit(pattern, k - 1);
        if (!change) {
            continue;
        }
        Point inside;
        Point outside;
        if (!ModuleCentre(row, k, inside) || !ModuleCentre(outer, k, outside) || !IsInner(image, inside) ||
            !IsInner(image, outside)) {
            return false;
        }
        int const a = static_cast<int>(GeometryEx::GetLuminance(image, inside, 8));
        int const b = static_cast<int>(GeometryEx::GetLuminance(image, outside, 8));
        // The quiet zone is light (dark in reversed polarity): only a module
        // of the other colour shows the edge.
        int const difference = inverted ? a - b : b - a;
        if (difference <= kMinDifference) {
            continue;
        }
        Point edge;
        if (calc.Start(image, inside, outside, !inverted, 8, edge)) {
            edges[count++] = edge;
        }
    }
    if (count == 0) {
        return false;
    }
    Line edgeLine;
    if (count == 1) {
        // One edge point: the border runs along the row through it.
        Vector along;
        Geometry::CalcVector(row.begin, row.end, along);
        Point const other{edges[0].x + along.dx, edges[0].y + along.dy};
        if (!Geometry::CalcLine(edges[0], other, edgeLine)) {
            return false;
        }
    } else if (!Geometry::CalcLine<Point>(ArrayIterator<Point const>(edges, count), edgeLine, -1)) {
        return false;
    }
    Line first;
    Line second;
    LineSegment out;
    if (!Geometry::CalcLine(row.begin, outer.begin, first) || !Geometry::CalcLine(row.end, outer.end, second) ||
        !Geometry::CalcCrossPoint(edgeLine, first, out.begin) || !Geometry::CalcCrossPoint(edgeLine, second, out.end)) {
        return false;
    }
    border = out;
    return true;
}

bool CalcSymbolOutlineSubroutine::CalcQuietBorder(GrayImage const& image, bool inverted,
                                                  RowIndicatorStack& stack) const
{
    unsigned const rows = stack.rows;
    if (rows < 2) {
        return false;
    }
    for (bool top : {true, false}) {
        unsigned const row = top ? 0 : rows - 1;
        unsigned const inner = top ? 1 : rows - 2;
        Point from;
        Point to;
        Geometry::CalcCenterPoint(stack.segment[inner].begin, stack.segment[inner].end, from);
        Geometry::CalcCenterPoint(stack.segment[row].begin, stack.segment[row].end, to);
        Vector step;
        Geometry::CalcVector(from, to, step);
        LineSegment outer;
        if (!CalcSymbolOuterSegment(image, inverted, stack.segment[row], stack.expectedPattern[row], step, outer) ||
            !CalcSymbolBorderSegment(image, inverted, stack.segment[row], stack.expectedPattern[row], outer,
                                     stack.Boundary(top ? 0 : rows))) {
            return false;
        }
    }
    return true;
}

}  // namespace DEC2DIvra
