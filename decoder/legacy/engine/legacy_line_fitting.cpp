#include "decoder/legacy/engine/legacy_line_fitting.h"

#include <climits>

#include "decoder/legacy/engine/legacy_arith.h"

namespace {

constexpr int kShift = 10;
constexpr int kMinPoints = 2;
constexpr int kMaxPoints = 1000;

// Running sums of the points, exact.
struct Sums {
    int n = 0;
    long long sx = 0;
    long long sy = 0;
    MULTIPREC_st sxx{};
    MULTIPREC_st syy{};
    MULTIPREC_st sxy{};
    Sums()
    {
        multprec_init(&sxx, 0);
        multprec_init(&syy, 0);
        multprec_init(&sxy, 0);
    }
    void Add(long long x, long long y)
    {
        MULTIPREC_st term{};
        ++n;
        sx += x;
        sy += y;
        multprec_init64(&term, x * x);
        multprec_add(&sxx, &sxx, &term);
        multprec_init64(&term, y * y);
        multprec_add(&syy, &syy, &term);
        multprec_init64(&term, x * y);
        multprec_add(&sxy, &sxy, &term);
    }
    int Fit(Line_st* line) const { return COM_line_from_sums(kShift, n, sx, sy, &sxx, &syy, &sxy, line, 0); }
};

bool Refused(int n, int shift, Line_st* line)
{
    line->orientation = -1;
    return n < kMinPoints || n > kMaxPoints || shift < 0 || shift > 31;
}

}  // namespace

int GetLineFromSum64(int n, long long sx, long long sy, long long sxy, long long sxx, long long syy, Line_st* line)
{
    if (Refused(n, 0, line)) {
        return -1;
    }
    MULTIPREC_st mxx{}, myy{}, mxy{};
    multprec_init64(&mxx, sxx);
    multprec_init64(&myy, syy);
    multprec_init64(&mxy, sxy);
    return COM_line_from_sums(kShift, n, sx, sy, &mxx, &myy, &mxy, line, 0);
}

int GetLineFromSum(int n, int sx, int sy, int sxy, int sxx, int syy, Line_st* line)
{
    return GetLineFromSum64(n, sx, sy, sxy, sxx, syy, line);
}

int GetNearLine64(long long const* xs, long long const* ys, int n, int shift, Line_st* line)
{
    if (Refused(n, shift, line)) {
        return -1;
    }
    Sums sums;
    for (int i = 0; i < n; ++i) {
        long long const x = xs[i] >> shift;
        long long const y = ys[i] >> shift;
        if (x > INT_MAX || x < INT_MIN || y > INT_MAX || y < INT_MIN) {
            return -1;
        }
        sums.Add(x, y);
    }
    return sums.Fit(line);
}

int GetNearLineXY(int const* xs, int const* ys, int n, int shift, Line_st* line)
{
    if (Refused(n, shift, line)) {
        return -1;
    }
    Sums sums;
    for (int i = 0; i < n; ++i) {
        sums.Add(xs[i] >> shift, ys[i] >> shift);
    }
    return sums.Fit(line);
}

int GetNearLine(POINT_st const* points, int n, int shift, Line_st* line)
{
    if (Refused(n, shift, line)) {
        return -1;
    }
    Sums sums;
    for (int i = 0; i < n; ++i) {
        sums.Add(points[i].x >> shift, points[i].y >> shift);
    }
    return sums.Fit(line);
}
