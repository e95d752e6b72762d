#include "decoder/legacy/engine/legacy_rectangle_spares.h"

#include <climits>
#include <cstdlib>
#include <initializer_list>

#include "decoder/legacy/engine/legacy_point_spares.h"

namespace {

__extension__ typedef __int128 Wide;

constexpr long long kScale = 1024;
constexpr int kMaxScanSamples = 1280;
constexpr int kScreenMargin = 2;

int Narrow(Wide v) { return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : static_cast<int>(v); }

Wide RoundedHalf(Wide v) { return (v < 0 ? v - 1 : v + 1) / 2; }

Wide Cross(POINT_st o, POINT_st a, POINT_st b)
{
    return (static_cast<Wide>(a.x) - o.x) * (static_cast<Wide>(b.y) - o.y) -
           (static_cast<Wide>(a.y) - o.y) * (static_cast<Wide>(b.x) - o.x);
}

long long Major(POINT_st a, POINT_st b)
{
    long long const dx = std::llabs(static_cast<long long>(b.x) - a.x);
    long long const dy = std::llabs(static_cast<long long>(b.y) - a.y);
    return dx > dy ? dx : dy;
}

}  // namespace

int is_line_through_rectangle() { return 0; }

int move_rectangleEx() { return -1; }

int sqr_point2line_newEx() { return 0; }

int LimitToScreenTopRunlength() { return -1; }

int move_rectangle(POINT_st* out, POINT_st const* corners, int side, int amount)
{
    if (side < 0 || side > 3) {
        return -1;
    }
    int const k0 = side;
    int const k1 = (side + 1) & 3;
    int const before = (side + 3) & 3;
    int const after = (side + 2) & 3;
    POINT_st moved[4] = {corners[0], corners[1], corners[2], corners[3]};
    auto shift = [amount](POINT_st p, POINT_st from) {
        return POINT_st{Narrow(p.x + RoundedHalf(static_cast<Wide>(amount) * (static_cast<Wide>(p.x) - from.x))),
                        Narrow(p.y + RoundedHalf(static_cast<Wide>(amount) * (static_cast<Wide>(p.y) - from.y)))};
    };
    moved[k0] = shift(corners[k0], corners[before]);
    moved[k1] = shift(corners[k1], corners[after]);
    for (int i = 0; i < 4; ++i) {
        out[i] = moved[i];
    }
    return 0;
}

int COM_calc_rectangle_area(long long* area, POINT_st const* corners)
{
    if (corners[0].x == corners[1].x && corners[0].y == corners[1].y) {
        return -1;
    }
    // |base| times a distance is the magnitude of the cross product.
    Wide const c2 = Cross(corners[0], corners[1], corners[2]);
    Wide const c3 = Cross(corners[0], corners[1], corners[3]);
    Wide const sum = (c2 < 0 ? -c2 : c2) + (c3 < 0 ? -c3 : c3);
    *area = sum > LLONG_MAX ? LLONG_MAX : static_cast<long long>(sum);
    return 0;
}

int PointInArea(int x, int y, int const* xs, int const* ys, int shrink)
{
    int sx[4];
    int sy[4];
    for (int i = 0; i < 4; ++i) {
        int const next = (i + 1) & 3;
        int const prev = (i + 3) & 3;
        auto along = [shrink](long long from, long long a, long long b) {
            Wide const num = static_cast<Wide>(shrink) * ((a - from) + (b - from));
            return Narrow(from + (num < 0 ? num - 128 : num + 128) / 256);
        };
        sx[i] = along(xs[i], xs[next], xs[prev]);
        sy[i] = along(ys[i], ys[next], ys[prev]);
    }
    return point_in_area(x, y, sx, sy);
}

void calc_rectangle_centre(POINT_st* centre, POINT_st const* corners)
{
    long long sx = 0;
    long long sy = 0;
    for (int i = 0; i < 4; ++i) {
        sx += corners[i].x;
        sy += corners[i].y;
    }
    *centre = {static_cast<int>(sx / 4), static_cast<int>(sy / 4)};
}

void connect_rectangle(POINT_st* out, POINT_st const* a, POINT_st const* b)
{
    POINT_st ca{};
    POINT_st cb{};
    calc_rectangle_centre(&ca, a);
    calc_rectangle_centre(&cb, b);
    POINT_st const centre{static_cast<int>((static_cast<long long>(ca.x) + cb.x) / 2),
                          static_cast<int>((static_cast<long long>(ca.y) + cb.y) / 2)};
    POINT_st merged[4];
    for (int i = 0; i < 4; ++i) {
        merged[i] = calc_sqr_point_struct(b[i], centre) > calc_sqr_point_struct(a[i], centre) ? b[i] : a[i];
    }
    for (int i = 0; i < 4; ++i) {
        out[i] = merged[i];
    }
}

int IsSameRect(POINT_st const* a, POINT_st const* b)
{
    for (int i = 0; i < 4; ++i) {
        if (a[i].x != b[i].x || a[i].y != b[i].y) {
            return 0;
        }
    }
    return 1;
}

int BoundaryPoint2(Line_st const* line, POINT_st* out)
{
    long long const wm = static_cast<long long>(COM_screen_width()) - 1;
    long long const hm = static_cast<long long>(COM_screen_height()) - 1;
    if (wm < 0 || hm < 0 || (line->orientation != 0 && line->orientation != 1)) {
        return -1;
    }
    // Orientation 0 meets x = 0 and x = Wm at y = (slope x + offset) / S and
    // y = 0, y = Hm where slope x = S y - offset (none for slope 0); the
    // other orientation alike with x and y exchanged.
    bool const steep = line->orientation == 1;
    long long const freeLimit = steep ? hm : wm;
    long long const depLimit = steep ? wm : hm;
    POINT_st found[4];
    int n = 0;
    auto keep = [&](long long f, long long d) {
        if (f < 0 || f > freeLimit || d < 0 || d > depLimit) {
            return;
        }
        POINT_st const p{static_cast<int>(steep ? d : f), static_cast<int>(steep ? f : d)};
        for (int i = 0; i < n; ++i) {
            if (found[i].x == p.x && found[i].y == p.y) {
                return;
            }
        }
        found[n++] = p;
    };
    for (long long f : {0LL, freeLimit}) {
        keep(f, static_cast<long long>((static_cast<Wide>(line->slope) * f + line->offset) / kScale));
    }
    if (line->slope != 0) {
        for (long long d : {0LL, depLimit}) {
            keep(static_cast<long long>((static_cast<Wide>(kScale) * d - line->offset) / line->slope), d);
        }
    }
    if (n < 2) {
        return -1;
    }
    int far = 1;
    for (int i = 2; i < n; ++i) {
        if (calc_sqr_point_struct(found[i], found[0]) > calc_sqr_point_struct(found[far], found[0])) {
            far = i;
        }
    }
    out[0] = found[0];
    out[1] = found[far];
    return 2;
}

int GetRectangleInScreen(POINT_st* out)
{
    int const right = COM_screen_width() - 1 - kScreenMargin;
    int const bottom = COM_screen_height() - 1 - kScreenMargin;
    if (right < kScreenMargin || bottom < kScreenMargin) {
        return -1;
    }
    out[0] = {kScreenMargin, kScreenMargin};
    out[1] = {right, kScreenMargin};
    out[2] = {right, bottom};
    out[3] = {kScreenMargin, bottom};
    return 0;
}

int RectLimitToScreen(POINT_st* corners)
{
    POINT_st inside[4];
    if (GetRectangleInScreen(inside) != 0) {
        return -1;
    }
    int moved = 0;
    for (int i = 0; i < 4; ++i) {
        POINT_st const p = corners[i];
        corners[i].x = p.x < inside[0].x ? inside[0].x : p.x > inside[2].x ? inside[2].x : p.x;
        corners[i].y = p.y < inside[0].y ? inside[0].y : p.y > inside[2].y ? inside[2].y : p.y;
        moved += corners[i].x != p.x || corners[i].y != p.y ? 1 : 0;
    }
    return moved;
}

int LimitToScreenEx(int* count, POINT_st* a, POINT_st* b, int* lead)
{
    POINT_st const start = *a;
    POINT_st ca = *a;
    POINT_st cb = *b;
    if (LimitToScreen(&ca, &cb) != 0) {
        return -1;
    }
    if (Major(ca, cb) + 1 > kMaxScanSamples) {
        POINT_st drawn{};
        COM_move_point(&drawn, ca, cb.x - ca.x, cb.y - ca.y, kMaxScanSamples - 1);
        cb = drawn;
    }
    *a = ca;
    *b = cb;
    *count = static_cast<int>(Major(ca, cb) + 1);
    *lead = Narrow(static_cast<Wide>(Major(start, ca)) * 32);
    return 0;
}
