#include "decoder/legacy/engine/legacy_point_spares.h"

#include <climits>
#include <cstdlib>

namespace {

__extension__ typedef __int128 Wide;

int Narrow(Wide v) { return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : static_cast<int>(v); }

}  // namespace

void swap_point_struct(POINT_st* a, POINT_st* b)
{
    POINT_st const t = *a;
    *a = *b;
    *b = t;
}

long long calc_sqr_point_struct(POINT_st a, POINT_st b)
{
    Wide const dx = static_cast<Wide>(a.x) - b.x;
    Wide const dy = static_cast<Wide>(a.y) - b.y;
    Wide const sum = dx * dx + dy * dy;
    return sum > LLONG_MAX ? LLONG_MAX : static_cast<long long>(sum);
}

int divide_point_struct(POINT_st* out, POINT_st p, int d)
{
    if (d == 0) {
        return -1;
    }
    auto divide = [d](long long v) {
        long long const den = std::llabs(static_cast<long long>(d));
        long long const num = d < 0 ? -v : v;
        return Narrow((num < 0 ? num - den / 2 : num + den / 2) / den);
    };
    *out = {divide(p.x), divide(p.y)};
    return 0;
}

int COM_move_point(POINT_st* out, POINT_st p, int dx, int dy, int step)
{
    long long const ax = std::llabs(static_cast<long long>(dx));
    long long const ay = std::llabs(static_cast<long long>(dy));
    if (ax == 0 && ay == 0) {
        return -1;
    }
    if (ax >= ay) {
        *out = {Narrow(static_cast<Wide>(p.x) + (dx < 0 ? -step : step)),
                Narrow(p.y + static_cast<Wide>(step) * dy / static_cast<Wide>(ax))};
    } else {
        *out = {Narrow(p.x + static_cast<Wide>(step) * dx / static_cast<Wide>(ay)),
                Narrow(static_cast<Wide>(p.y) + (dy < 0 ? -step : step))};
    }
    return 0;
}

int AcrossAngle(POINT_st v, int* major, int* minor)
{
    long long const ax = std::llabs(static_cast<long long>(v.x));
    long long const ay = std::llabs(static_cast<long long>(v.y));
    *major = Narrow(ax >= ay ? ax : ay);
    *minor = Narrow(ax >= ay ? ay : ax);
    return ax >= ay ? 0 : 1;
}

int COM_check_angle(int ax, int ay, int bx, int by, int limit)
{
    // limit |a| |b| > 100 dot, compared through squares with the signs kept.
    Wide const dot = static_cast<Wide>(ax) * bx + static_cast<Wide>(ay) * by;
    Wide const aa = static_cast<Wide>(ax) * ax + static_cast<Wide>(ay) * ay;
    Wide const bb = static_cast<Wide>(bx) * bx + static_cast<Wide>(by) * by;
    Wide const left2 = static_cast<Wide>(limit) * limit * aa * bb;
    Wide const right2 = 10000 * dot * dot;
    int const leftSign = limit > 0 && aa != 0 && bb != 0 ? 1 : (limit < 0 && aa != 0 && bb != 0 ? -1 : 0);
    int const rightSign = dot > 0 ? 1 : dot < 0 ? -1 : 0;
    bool wider = false;
    if (leftSign != rightSign) {
        wider = leftSign > rightSign;
    } else if (leftSign > 0) {
        wider = left2 > right2;
    } else if (leftSign < 0) {
        wider = left2 < right2;
    }
    return wider ? -1 : 0;
}

int IsPointOnLine(PointShort_st a, PointShort_st b, PointShort_st p)
{
    long long const cross = static_cast<long long>(b.x - a.x) * (p.y - a.y) - static_cast<long long>(b.y - a.y) * (p.x - a.x);
    if (a.x == b.x && a.y == b.y) {
        return p.x == a.x && p.y == a.y ? 1 : 0;
    }
    return cross == 0 ? 1 : 0;
}

int extend_line_fix(POINT_st* a, POINT_st* b, int length)
{
    int const dx = b->x - a->x;
    int const dy = b->y - a->y;
    POINT_st na{};
    POINT_st nb{};
    if (COM_move_point(&nb, *b, dx, dy, length) != 0 || COM_move_point(&na, *a, -dx, -dy, length) != 0) {
        return -1;
    }
    *a = na;
    *b = nb;
    return 0;
}
