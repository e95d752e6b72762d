#include "decoder/legacy/engine/legacy_line_spares.h"

#include <cmath>
#include <cstdlib>

namespace {

__extension__ typedef __int128 Wide;

constexpr long long kScale = 1024;

bool Valid(Line_st const* line) { return line->orientation == 0 || line->orientation == 1; }

int Sign(Wide v) { return v > 0 ? 1 : v < 0 ? -1 : 0; }

Wide RoundedDivide(Wide num, Wide den)
{
    if (den < 0) {
        num = -num;
        den = -den;
    }
    return (num < 0 ? num - den / 2 : num + den / 2) / den;
}

int Narrow(Wide v) { return v > 2147483647 ? 2147483647 : v < -2147483647 - 1 ? -2147483647 - 1 : static_cast<int>(v); }

// The line of scale S through (px, py) with direction (dx, dy): y on x when
// |dx| >= |dy|, slope rounded. -1 for a zero direction.
int LineThrough(Line_st* out, long long S, long long px, long long py, Wide dx, Wide dy)
{
    if (dx == 0 && dy == 0) {
        return -1;
    }
    Wide const ax = dx < 0 ? -dx : dx;
    Wide const ay = dy < 0 ? -dy : dy;
    if (ax >= ay) {
        int const slope = Narrow(RoundedDivide(dy * S, dx));
        *out = {0, slope, Narrow(static_cast<Wide>(S) * py - static_cast<Wide>(slope) * px)};
    } else {
        int const slope = Narrow(RoundedDivide(dx * S, dy));
        *out = {1, slope, Narrow(static_cast<Wide>(S) * px - static_cast<Wide>(slope) * py)};
    }
    return out->orientation;
}

// The direction of a line: (S, slope) for orientation 0, (slope, S) for 1.
void Direction(Line_st const* line, long long S, long long* dx, long long* dy)
{
    *dx = line->orientation == 0 ? S : line->slope;
    *dy = line->orientation == 0 ? line->slope : S;
}

// S y - slope x - offset or S x - slope y - offset.
Wide Residual(Line_st const* line, long long S, long long x, long long y)
{
    return line->orientation == 0 ? static_cast<Wide>(S) * y - static_cast<Wide>(line->slope) * x - line->offset
                                  : static_cast<Wide>(S) * x - static_cast<Wide>(line->slope) * y - line->offset;
}

}  // namespace

int COM_locate_point2line(int x, int y, int S, Line_st const* line)
{
    return Valid(line) ? Sign(Residual(line, S, x, y)) : 0;
}

int sqr_point2line_new(int orientation, int slope, int offset, int x, int y, int shift)
{
    if (shift < 0 || shift > 30 || (orientation != 0 && orientation != 1)) {
        return 0;
    }
    Line_st const line{orientation, slope, offset};
    long long const S = 1LL << shift;
    // d / S squared, then times S^2 / (slope^2 + S^2).
    Wide const d = RoundedDivide(Residual(&line, S, x, y), S);
    Wide const q = static_cast<Wide>(slope) * slope + static_cast<Wide>(S) * S;
    return Narrow(RoundedDivide(d * d * S * S, q));
}

int COM_points2lineB(int S, POINT_st p0, POINT_st p1, Line_st* line)
{
    int slope = 0;
    int offset = 0;
    int const orientation = COM_points2line(S, p0.x, p0.y, p1.x, p1.y, &slope, &offset);
    *line = {orientation, orientation < 0 ? line->slope : slope, orientation < 0 ? line->offset : offset};
    return orientation;
}

int PointsToLine(Line_st* out, POINT_st p0, POINT_st p1)
{
    return LineThrough(out, kScale, p0.x, p0.y, static_cast<Wide>(p1.x) - p0.x, static_cast<Wide>(p1.y) - p0.y);
}

int Calc_Line(int x0, int y0, int x1, int y1, int* orientation, int* slope, int* offset)
{
    Line_st line{};
    if (PointsToLine(&line, {x0, y0}, {x1, y1}) < 0) {
        return -1;
    }
    *orientation = line.orientation;
    *slope = line.slope;
    *offset = line.offset;
    return line.orientation;
}

int parallel_move_line(int orientation, int slope, int x, int y, int S)
{
    Line_st const through{orientation, slope, 0};
    return Narrow(Residual(&through, S, x, y));
}

void parallel_shift_line(Line_st* out, Line_st const* in, POINT_st p, int S)
{
    *out = {in->orientation, in->slope, parallel_move_line(in->orientation, in->slope, p.x, p.y, S)};
}

int GetVerLine(Line_st* out, Line_st const* in, POINT_st p)
{
    if (!Valid(in)) {
        return -1;
    }
    long long dx = 0;
    long long dy = 0;
    Direction(in, kScale, &dx, &dy);
    return LineThrough(out, kScale, p.x, p.y, -dy, dx) < 0 ? -1 : 0;
}

int ShiftLine(Line_st* out, Line_st const* in, int d)
{
    if (!Valid(in)) {
        return -1;
    }
    double const norm = std::sqrt(static_cast<double>(in->slope) * in->slope + static_cast<double>(kScale * kScale));
    *out = {in->orientation, in->slope, Narrow(in->offset + static_cast<Wide>(std::llround(d * norm)))};
    return 0;
}

int ShiftVerLine(Line_st* out, Line_st const* in, POINT_st p, int d)
{
    if (!Valid(in)) {
        return -1;
    }
    long long dx = 0;
    long long dy = 0;
    Direction(in, kScale, &dx, &dy);
    double const norm = std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy);
    POINT_st const moved{Narrow(p.x + static_cast<Wide>(std::llround(d * dx / norm))),
                         Narrow(p.y + static_cast<Wide>(std::llround(d * dy / norm)))};
    return GetVerLine(out, in, moved);
}

int Pedal(POINT_st a, POINT_st b, POINT_st p, POINT_st* out)
{
    Wide const dx = static_cast<Wide>(b.x) - a.x;
    Wide const dy = static_cast<Wide>(b.y) - a.y;
    Wide const len2 = dx * dx + dy * dy;
    if (len2 == 0) {
        return -1;
    }
    Wide const t = (static_cast<Wide>(p.x) - a.x) * dx + (static_cast<Wide>(p.y) - a.y) * dy;
    *out = {Narrow(a.x + RoundedDivide(t * dx, len2)), Narrow(a.y + RoundedDivide(t * dy, len2))};
    return 0;
}

int PedalPointLine(POINT_st p, Line_st const* line, POINT_st* out)
{
    if (!Valid(line)) {
        return -1;
    }
    // The normal of S y - m x - c = 0 is (-m, S); of S x - m y - c = 0, (S, -m).
    Wide const f = Residual(line, kScale, p.x, p.y);
    Wide const nx = line->orientation == 0 ? -line->slope : kScale;
    Wide const ny = line->orientation == 0 ? kScale : -line->slope;
    Wide const n2 = nx * nx + ny * ny;
    *out = {Narrow(p.x - RoundedDivide(f * nx, n2)), Narrow(p.y - RoundedDivide(f * ny, n2))};
    return 0;
}

int GetRotatedLine(Line_st* out, Line_st const* in, POINT_st p, int degrees)
{
    POINT_st foot{};
    if (PedalPointLine(p, in, &foot) != 0) {
        return -1;
    }
    long long dx = 0;
    long long dy = 0;
    Direction(in, kScale, &dx, &dy);
    long long const c = my_cos104_33(degrees);
    long long const s = my_sin104_33(degrees);
    // The foot turned about p, and the turned direction (x 100000).
    int fx = 0;
    int fy = 0;
    Rotate_Vector104_33(degrees, foot.x - p.x, foot.y - p.y, &fx, &fy);
    return LineThrough(out, kScale, static_cast<long long>(p.x) + fx, static_cast<long long>(p.y) + fy,
                       static_cast<Wide>(dx) * c - static_cast<Wide>(dy) * s,
                       static_cast<Wide>(dx) * s + static_cast<Wide>(dy) * c) < 0
               ? -1
               : 0;
}

int LineCross4side(Line_st const* line, int const* xs, int const* ys, int* signs)
{
    bool below = false;
    bool above = false;
    for (int i = 0; i < 4; ++i) {
        signs[i] = COM_locate_point2line(xs[i], ys[i], kScale, line);
        below = below || signs[i] < 0;
        above = above || signs[i] > 0;
    }
    return below && above ? 1 : 0;
}

int IsPointsSameSideToLine(Line_st const* line, POINT_st const* points, int n)
{
    if (n < 1) {
        return -1;
    }
    bool below = false;
    bool above = false;
    for (int i = 0; i < n; ++i) {
        int const side = COM_locate_point2line(points[i].x, points[i].y, kScale, line);
        below = below || side < 0;
        above = above || side > 0;
    }
    return below && above ? 0 : 1;
}

int Calc_Intsec3xy(int shift, int* x, int* y, int x0, int y0, int x1, int y1, int x2, int y2, int x3, int y3)
{
    int const segA[4] = {x0, y0, x1, y1};
    int const segB[4] = {x2, y2, x3, y3};
    POINT_st crossing{};
    if (Calc_Intsec3(shift < 0 ? 0 : shift, &crossing, segA, segB) != 0) {
        return -1;
    }
    *x = crossing.x;
    *y = crossing.y;
    return 0;
}
