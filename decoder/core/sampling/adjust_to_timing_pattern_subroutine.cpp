#include "decoder/core/sampling/adjust_to_timing_pattern_subroutine.h"

#include "decoder/core/sampling/calc_edge_point_subroutine.h"
#include "decoder/core/geometry/geometry.h"
#include "decoder/core/geometry/vector.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kMaxMesh = 177 + 2;  // version 40 and its ring
constexpr unsigned kFinder = 7;
constexpr unsigned kFirstTiming = 8;    // module index

// The symbol's colour of mesh index k (module k - 1) along a timing line.
bool IsDarkModule(unsigned k, unsigned side, bool micro)
{
    if (k == 0 || k > side) {
        return false;  // the quiet-zone ring
    }
    unsigned const m = k - 1;
    unsigned const lastTiming = micro ? side - 1 : side - 9;
    if (m < kFinder) {
        return true;
    }
    if (m >= kFirstTiming && m <= lastTiming) {
        return (m - kFirstTiming) % 2 == 0;
    }
    return !micro && m >= side - kFinder;  // the far finder's edge
}

Vector Interpolate(Vector const& a, int wa, Vector const& b, int wb)
{
    Point p;
    Geometry::CalcDividingPoint(wa, Point{a.dx, a.dy}, wb, Point{b.dx, b.dy}, p);
    return Vector{p.x, p.y};
}

// The shift of every mesh column (alongRow) or row measured along the timing
// line; false when too few timing modules could be measured.
bool CalcShifts(GrayImage const& image, bool polarity, bool micro, CommonCodeMesh const& mesh, bool alongRow,
                Vector* shifts)
{
    unsigned const size = mesh.GetWidth();
    unsigned const side = size - 2;
    unsigned const line = micro ? 1 : 7;
    auto point = [&](unsigned k) { return alongRow ? mesh.At(k, line) : mesh.At(line, k); };

    // Boundary k lies between mesh indexes k and k + 1.
    CalcEdgePointSubroutine const calc;
    Point boundaries[kMaxMesh];
    bool found[kMaxMesh] = {};
    for (unsigned k = 0; k + 1 < size; ++k) {
        bool const dark = IsDarkModule(k, side, micro);
        if (dark == IsDarkModule(k + 1, side, micro)) {
            continue;
        }
        // Where the module beside either end has the same colour (or is the
        // quiet zone), the walk starts (ends) half a module further out, so
        // that it sees that run's full level even when the mesh is off.
        Point from = point(k);
        Point to = point(k + 1);
        Vector const step{to.x - from.x, to.y - from.y};
        if (k == 0 || IsDarkModule(k - 1, side, micro) == dark) {
            from = Point{from.x - step.dx / 2, from.y - step.dy / 2};
        }
        if (k + 2 >= size || IsDarkModule(k + 2, side, micro) != dark) {
            to = Point{to.x + step.dx / 2, to.y + step.dy / 2};
        }
        found[k] = calc.Start(image, from, to, dark != polarity, mesh.GetFractionBits(), boundaries[k]);
    }
    // Each run between two found boundaries spreads its modules evenly.
    bool measured[kMaxMesh] = {};
    unsigned timing = 0;
    unsigned const firstTiming = kFirstTiming + 1;
    unsigned const lastTiming = micro ? side : side - 8;
    unsigned start = 0;
    while (start < size) {
        unsigned end = start;
        while (end + 1 < size && IsDarkModule(end + 1, side, micro) == IsDarkModule(start, side, micro)) {
            ++end;
        }
        if (start > 0 && end + 1 < size && found[start - 1] && found[end]) {
            Point const& left = boundaries[start - 1];
            Point const& right = boundaries[end];
            int const n = static_cast<int>(end - start + 1);
            for (unsigned k = start; k <= end; ++k) {
                int const i = static_cast<int>(k - start);
                Point centre;
                Geometry::CalcDividingPoint(2 * (n - i) - 1, left, 2 * i + 1, right, centre);
                Point const p = point(k);
                shifts[k] = Vector{centre.x - p.x, centre.y - p.y};
                measured[k] = true;
                timing += (k >= firstTiming && k <= lastTiming) ? 1 : 0;
            }
        }
        start = end + 1;
    }
    unsigned const timingModules = lastTiming - firstTiming + 1;
    if (timing == 0 || 2 * timing < timingModules) {
        return false;
    }
    // Bridge gaps linearly; beyond the measured modules the shift holds.
    int previous = -1;
    for (unsigned k = 0; k < size; ++k) {
        if (!measured[k]) {
            continue;
        }
        unsigned const from = previous < 0 ? 0 : static_cast<unsigned>(previous) + 1;
        for (unsigned m = from; m < k; ++m) {
            shifts[m] = previous < 0 ? shifts[k]
                                     : Interpolate(shifts[previous], static_cast<int>(k - m), shifts[k],
                                                   static_cast<int>(m - static_cast<unsigned>(previous)));
        }
        previous = static_cast<int>(k);
    }
    for (unsigned m = static_cast<unsigned>(previous) + 1; m < size; ++m) {
        shifts[m] = shifts[previous];
    }
    return true;
}

bool IsQRSide(unsigned side, bool micro)
{
    if (micro) {
        return side >= 11 && side <= 17 && side % 2 == 1;
    }
    return side >= 21 && side <= 177 && (side - 17) % 4 == 0;
}

}  // namespace

bool AdjustToTimingPatternSubroutine::Start(GrayImage const& image, bool polarity, bool micro,
                                            CommonCodeMesh& mesh) const
{
    unsigned const size = mesh.GetWidth();
    if (image.GetPixels() == nullptr || size != mesh.GetHeight() || size < 2 || !IsQRSide(size - 2, micro)) {
        return false;
    }
    Vector columns[kMaxMesh];
    Vector rows[kMaxMesh];
    if (!CalcShifts(image, polarity, micro, mesh, true, columns) ||
        !CalcShifts(image, polarity, micro, mesh, false, rows)) {
        return false;
    }
    for (unsigned y = 0; y < size; ++y) {
        for (unsigned x = 0; x < size; ++x) {
            Point& p = mesh.At(x, y);
            p.x += columns[x].dx + rows[y].dx;
            p.y += columns[x].dy + rows[y].dy;
        }
    }
    return true;
}

}  // namespace DEC2DIvra
