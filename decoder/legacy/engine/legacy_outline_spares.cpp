#include "decoder/legacy/engine/legacy_outline_spares.h"

#include <cstdlib>

#include "decoder/legacy/engine/legacy_arctan.h"
#include "decoder/legacy/engine/legacy_line_spares.h"

namespace {

constexpr int kMaxPoints = 1000;

// The largest squared distance (rounded) of the n points from the chord of
// the first and the last; -1 when the two coincide.
template <class Point>
long long FarthestFromChord(Point const* points, int n, int* at)
{
    long long const ax = points[0].x;
    long long const ay = points[0].y;
    long long const dx = points[n - 1].x - ax;
    long long const dy = points[n - 1].y - ay;
    long long const q = dx * dx + dy * dy;
    if (q == 0) {
        return -1;
    }
    long long best = 0;
    *at = 0;
    for (int i = 0; i < n; ++i) {
        long long const c = (points[i].x - ax) * dy - (points[i].y - ay) * dx;
        long long const d = (c * c + q / 2) / q;
        if (d > best) {
            best = d;
            *at = i;
        }
    }
    return best;
}

template <class Point>
int Straight(Point const* points, int n, long long limit)
{
    if (points == nullptr || n < 2 || n > kMaxPoints) {
        return -1;
    }
    int at = 0;
    long long const d = FarthestFromChord(points, n, &at);
    return d < 0 ? -1 : (d <= limit ? 1 : 0);
}

// Twice the signed area; positive for clockwise corners on the image.
long long SignedArea(POINT_st const* c)
{
    long long s = 0;
    for (int i = 0; i < 4; ++i) {
        POINT_st const a = c[i];
        POINT_st const b = c[(i + 1) % 4];
        s += static_cast<long long>(a.x) * b.y - static_cast<long long>(b.x) * a.y;
    }
    return s;
}

int Fit(int const* xs, int const* ys, int n, Line_st* out)
{
    return n < 2 ? -1 : Least_Sqr66(10, xs, ys, n, out);
}

}  // namespace

int IsLineSimple(POINT_st const* points, int n, POINT_st* mean)
{
    int const r = Straight(points, n, 1);
    if (r < 0) {
        return -1;
    }
    int const m = n < 4 ? n : 4;
    long long sx = 0;
    long long sy = 0;
    for (int i = 0; i < m; ++i) {
        sx += points[i].x;
        sy += points[i].y;
    }
    mean->x = static_cast<int>(sx / m);
    mean->y = static_cast<int>(sy / m);
    return r;
}

int IsShortPointsNearLine(PointShort_st const* points, int n, int limit)
{
    return limit < 0 ? -1 : Straight(points, n, limit);
}

int GetBoundary3Point(POINT_st const* points, int n, POINT_st* out)
{
    if (points == nullptr || n < 2 || n > kMaxPoints) {
        return -1;
    }
    int at = 0;
    if (FarthestFromChord(points, n, &at) < 0) {
        at = 0;
    }
    out[0] = points[0];
    out[1] = points[at];
    out[2] = points[n - 1];
    return at;
}

int GetNearUpDownLine(POINT_st const* points, int n, Line_st* upper, Line_st* lower)
{
    upper->orientation = -1;
    lower->orientation = -1;
    if (points == nullptr || n < 2 || n > kMaxPoints) {
        return -1;
    }
    static int xs[3][kMaxPoints];
    static int ys[3][kMaxPoints];
    for (int i = 0; i < n; ++i) {
        xs[0][i] = points[i].x;
        ys[0][i] = points[i].y;
    }
    Line_st all{};
    if (Fit(xs[0], ys[0], n, &all) != 0) {
        return -1;
    }
    int counts[2] = {0, 0};
    for (int i = 0; i < n; ++i) {
        // Above: on the smaller side of the fitted line's dependent axis.
        int const side = COM_locate_point2line(points[i].x, points[i].y, 1024, &all);
        if (side == 0) {
            continue;
        }
        int const k = side < 0 ? 1 : 2;
        xs[k][counts[k - 1]] = points[i].x;
        ys[k][counts[k - 1]] = points[i].y;
        ++counts[k - 1];
    }
    return Fit(xs[1], ys[1], counts[0], upper) == 0 && Fit(xs[2], ys[2], counts[1], lower) == 0 ? 0 : -1;
}

int Check2LineHori(Line_st const* a, Line_st const* b)
{
    return a->orientation == 0 && b->orientation == 0 ? std::abs(a->slope - b->slope) : -1;
}

int Check2LineVert(Line_st const* a, Line_st const* b)
{
    return a->orientation == 1 && b->orientation == 1 ? std::abs(a->slope - b->slope) : -1;
}

int CorrectRectDire(POINT_st* corners)
{
    long long const area = SignedArea(corners);
    if (area == 0) {
        return -1;
    }
    if (area > 0) {
        return 0;
    }
    swap_point_struct(&corners[1], &corners[3]);
    return 1;
}

int CorrectRect(POINT_st* corners)
{
    POINT_st centre{};
    for (int i = 0; i < 4; ++i) {
        centre.x += corners[i].x;
        centre.y += corners[i].y;
    }
    // Angles about the centre at four times the scale, so that the centre
    // stays a whole point.
    int angle[4];
    for (int i = 0; i < 4; ++i) {
        angle[i] = rough_arctan(4 * corners[i].y - centre.y, 4 * corners[i].x - centre.x);
    }
    // Round from corner 0 by growing angle (insertion sort of three).
    for (int i = 1; i < 4; ++i) {
        angle[i] = (angle[i] - angle[0] + 360) % 360;
    }
    for (int i = 2; i < 4; ++i) {
        for (int j = i; j > 1 && angle[j] < angle[j - 1]; --j) {
            int const t = angle[j];
            angle[j] = angle[j - 1];
            angle[j - 1] = t;
            swap_point_struct(&corners[j], &corners[j - 1]);
        }
    }
    return CorrectRectDire(corners) < 0 ? -1 : 0;
}

int ParallelogramToRectangle(PointShort_st* corners)
{
    POINT_st const c2{corners[2].x, corners[2].y};
    POINT_st const c3{corners[3].x, corners[3].y};
    POINT_st foot2{};
    POINT_st foot3{};
    if (Pedal(c2, c3, POINT_st{corners[1].x, corners[1].y}, &foot2) != 0 ||
        Pedal(c2, c3, POINT_st{corners[0].x, corners[0].y}, &foot3) != 0) {
        return -1;
    }
    corners[2] = PointShort_st{static_cast<short>(foot2.x), static_cast<short>(foot2.y)};
    corners[3] = PointShort_st{static_cast<short>(foot3.x), static_cast<short>(foot3.y)};
    return 0;
}

int SortNewPoint(PointShort_st* extremes, int* count, PointShort_st p, int dx, int dy)
{
    if (dx == 0 && dy == 0) {
        return -1;
    }
    auto along = [dx, dy](PointShort_st q) { return static_cast<long long>(q.x) * dx + static_cast<long long>(q.y) * dy; };
    if (*count <= 0) {
        extremes[0] = p;
        extremes[1] = p;
    } else if (along(p) < along(extremes[0])) {
        extremes[0] = p;
    } else if (along(p) > along(extremes[1])) {
        extremes[1] = p;
    }
    *count = *count <= 0 ? 1 : *count + 1;
    return 0;
}
