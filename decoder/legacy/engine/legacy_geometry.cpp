#include "decoder/legacy/engine/legacy_geometry.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "decoder/legacy/engine/legacy_arith.h"

namespace {

// Products of 32-bit values times 64-bit ones, never overflowing.
__extension__ typedef __int128 Wide;

struct Screen {
    int width = 0;
    int height = 0;
};

Screen screen;

// sin(k degrees) x 100000 rounded, k = 0 .. 90.
struct SineTable {
    int value[91];
    SineTable()
    {
        for (int k = 0; k <= 90; ++k) {
            value[k] = static_cast<int>(std::lround(std::sin(k * std::numbers::pi / 180.0) * 100000.0));
        }
    }
};

SineTable const& SIN104_33()
{
    static SineTable const table;
    return table;
}

// The sorted cosine table COM_calc_angle searches.
struct CosineTable {
    int angle[181];
    int cosine[181];
    CosineTable() { COM_generate_sorted_cosine_table(angle, cosine); }
};

CosineTable const& SortedCosines()
{
    static CosineTable const table;
    return table;
}

int Clamp(long long v) { return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : static_cast<int>(v); }

// num / den rounded half away from zero: adding half the divisor before a
// truncating division rounds positive quotients only.
Wide RoundedDivide(Wide num, Wide den)
{
    Wide const half = (den < 0 ? -den : den) / 2;
    return (num < 0 ? num - half : num + half) / den;
}

bool Inside(long long x, long long y) { return x >= 0 && x < screen.width && y >= 0 && y < screen.height; }

}  // namespace

int COM_screen_width() { return screen.width; }

int COM_screen_height() { return screen.height; }

void COM_set_screen_size(int width, int height)
{
    screen.width = width > 0 ? width : 0;
    screen.height = height > 0 ? height : 0;
}

int point_in_inner_frame(int x, int y, int margin)
{
    return margin <= x && x < screen.width - margin && margin <= y && y < screen.height - margin ? 1 : 0;
}

void copy_point_struct(POINT_st* p, POINT_st v) { *p = v; }

void add_point_struct(POINT_st* out, POINT_st a, POINT_st b) { *out = {a.x + b.x, a.y + b.y}; }

void subtract_point_struct(POINT_st* out, POINT_st a, POINT_st b) { *out = {a.x - b.x, a.y - b.y}; }

void substitute_point_struct(POINT_st* out, int const* xs, int const* ys, int n)
{
    for (int i = 0; i < n; ++i) {
        out[i] = {xs[i], ys[i]};
    }
}

void develop_point_struct(int* xs, int* ys, POINT_st const* in, int n)
{
    for (int i = 0; i < n; ++i) {
        xs[i] = in[i].x;
        ys[i] = in[i].y;
    }
}

int my_sin104_33(int degrees)
{
    int const* t = SIN104_33().value;
    int const a = static_cast<int>(std::llabs(static_cast<long long>(degrees)) % 360);
    int value;
    if (a <= 90) {
        value = t[a];
    } else if (a <= 180) {
        value = t[180 - a];
    } else if (a <= 270) {
        value = -t[a - 180];
    } else {
        value = -t[360 - a];
    }
    return degrees < 0 ? -value : value;
}

int my_cos104_33(int degrees)
{
    // 90 - |d| after reducing d, so that no degree count overflows.
    return my_sin104_33(90 - static_cast<int>(std::llabs(static_cast<long long>(degrees)) % 360));
}

int Rotate_Vector104_33(int degrees, int x, int y, int* rx, int* ry)
{
    long long const c = my_cos104_33(degrees);
    long long const s = my_sin104_33(degrees);
    // Rounded to the nearest whole pixel on either side of zero.
    auto rounded = [](long long v) { return Clamp(static_cast<long long>(RoundedDivide(v, 100000))); };
    *rx = rounded(x * c - y * s);
    *ry = rounded(x * s + y * c);
    return 0;
}

void COM_generate_sorted_cosine_table(int* angles, int* cosines)
{
    for (int j = 0; j <= 180; ++j) {
        angles[j] = 180 - j;
        cosines[j] = my_cos104_33(180 - j);
    }
}

int COM_calc_angle(int* degrees, int* fraction, int ax, int ay, int bx, int by)
{
    *degrees = 0;
    Wide const dot = static_cast<Wide>(ax) * bx + static_cast<Wide>(ay) * by;
    Wide const la = static_cast<Wide>(ax) * ax + static_cast<Wide>(ay) * ay;
    Wide const lb = static_cast<Wide>(bx) * bx + static_cast<Wide>(by) * by;
    if (la == 0 || lb == 0) {
        return -1;
    }
    // |cos| in 16 bits (cos^2 x 2^32 rounded, then its square root): with 8
    // bits, nearly parallel vectors would read as 5 degrees apart.
    Wide const product = la * lb;
    Wide const square = dot * 65536;
    Wide const cos2 = (square * square + product / 2) / product;
    long long const bounded = cos2 > (Wide{1} << 32) ? (1ll << 32) : static_cast<long long>(cos2);
    long long root = static_cast<long long>(std::sqrt(static_cast<double>(bounded)));
    while (root * root > bounded) {
        --root;
    }
    while ((root + 1) * (root + 1) <= bounded) {
        ++root;
    }
    int cosine = static_cast<int>((root * 100000 + 32768) / 65536);
    if (dot < 0) {
        cosine = -cosine;
    }

    CosineTable const& table = SortedCosines();
    int k0 = 0;
    COM_tree_search(&k0, table.cosine, table.angle, 181, cosine);
    // The search answers its last probe when the cosine is not in the table;
    // walk to the nearest entry.
    auto distance = [&](int k) { return std::abs(table.cosine[k] - cosine); };
    int k = k0;
    while (k > 0 && distance(k - 1) < distance(k)) {
        --k;
    }
    while (k < 180 && distance(k + 1) <= distance(k)) {
        ++k;
    }
    *degrees = table.angle[k];
    int lower = 0;
    int upper = 0;
    bool bracket = false;
    if (cosine < table.cosine[k]) {
        if (k > 0) {
            lower = table.cosine[k - 1];
            upper = table.cosine[k];
            bracket = true;
        }
    } else if (k < 180) {
        lower = table.cosine[k];
        upper = table.cosine[k + 1];
        bracket = true;
    }
    *fraction = bracket && upper != lower ? ((cosine - lower) * 256 + (upper - lower) / 2) / (upper - lower) : 0;
    return 0;
}

int COM_line_from_sums(int shift, int n, long long sx, long long sy, MULTIPREC_st const* sxx,
                       MULTIPREC_st const* syy, MULTIPREC_st const* sxy, Line_st* out, int mode)
{
    out->orientation = -1;
    if (n < 2 || shift < 1 || shift > 30) {
        return -1;
    }
    // C = n S.. - S. S., exact.
    auto central = [n](MULTIPREC_st* c, MULTIPREC_st const& sum, long long a, long long b) {
        MULTIPREC_st product{};
        multprec_mul(c, &sum, n);
        multprec_init64(&product, a);
        multprec_mul(&product, &product, static_cast<int>(b > INT_MAX ? INT_MAX : b < INT_MIN ? INT_MIN : b));
        multprec_sub(c, c, &product);
    };
    if (sx > INT_MAX || sx < INT_MIN || sy > INT_MAX || sy < INT_MIN) {
        return -1;
    }
    MULTIPREC_st cxx{}, cyy{}, cxy{}, limit{};
    central(&cxx, *sxx, sx, sx);
    central(&cyy, *syy, sy, sy);
    central(&cxy, *sxy, sx, sy);
    multprec_init(&limit, 1000000000);
    while (multprec_ucmp(&limit, &cxx) == 1 || multprec_ucmp(&limit, &cyy) == 1) {
        multprec_shift(&cxx, &cxx, -shift);
        multprec_shift(&cyy, &cyy, -shift);
        multprec_shift(&cxy, &cxy, -shift);
    }
    int vxx = 0;
    int vyy = 0;
    multprec_transform(&vxx, &cxx);
    multprec_transform(&vyy, &cyy);
    MULTIPREC_st scaled{};
    multprec_shift(&scaled, &cxy, shift);
    // x on y when y spreads more (mode 0 only), else y on x.
    bool const steep = mode == 0 && std::abs(vyy) >= std::abs(vxx);
    int const spread = steep ? vyy : vxx;
    if (spread == 0) {
        return -1;
    }
    int slope = 0;
    multprec_div(&scaled, &scaled, spread);
    multprec_transform(&slope, &scaled);
    long long const sumDependent = steep ? sx : sy;
    long long const sumFree = steep ? sy : sx;
    *out = {steep ? 1 : 0, slope, Clamp(((sumDependent << shift) - static_cast<long long>(slope) * sumFree) / n)};
    return 0;
}

int COM_Least_Sqr66(int shift, int const* xs, int const* ys, int n, Line_st* out, int mode)
{
    out->orientation = -1;
    if (n < 2) {
        return -1;
    }
    long long sx = 0;
    long long sy = 0;
    MULTIPREC_st sxx{}, syy{}, sxy{}, term{};
    multprec_init(&sxx, 0);
    multprec_init(&syy, 0);
    multprec_init(&sxy, 0);
    for (int i = 0; i < n; ++i) {
        sx += xs[i];
        sy += ys[i];
        // Products of two 32-bit values are formed in 64 bits before widening.
        multprec_init64(&term, static_cast<long long>(xs[i]) * xs[i]);
        multprec_add(&sxx, &sxx, &term);
        multprec_init64(&term, static_cast<long long>(ys[i]) * ys[i]);
        multprec_add(&syy, &syy, &term);
        multprec_init64(&term, static_cast<long long>(xs[i]) * ys[i]);
        multprec_add(&sxy, &sxy, &term);
    }
    return COM_line_from_sums(shift, n, sx, sy, &sxx, &syy, &sxy, out, mode);
}

int Least_Sqr66(int shift, int const* xs, int const* ys, int n, Line_st* out)
{
    return COM_Least_Sqr66(shift, xs, ys, n, out, 0);
}

int Simple_Least_Sqr66(int shift, int const* xs, int const* ys, int n, int* slope, int* offset)
{
    Line_st line{};
    if (COM_Least_Sqr66(shift, xs, ys, n, &line, 1) != 0) {
        return -1;
    }
    *slope = line.slope;
    *offset = line.offset;
    return 0;
}

int COM_points2line(int S, int x0, int y0, int x1, int y1, int* slope, int* offset)
{
    long long const dx = static_cast<long long>(x1) - x0;
    long long const dy = static_cast<long long>(y1) - y0;
    if (std::llabs(dx) > std::llabs(dy)) {
        *slope = Clamp(static_cast<long long>(RoundedDivide(static_cast<Wide>(S) * dy, dx)));
        *offset = Clamp((static_cast<Wide>(S) * dx * y0 - static_cast<Wide>(S) * dy * x0) / dx);
        return 0;
    }
    if (dy == 0) {
        return -1;
    }
    *slope = Clamp(static_cast<long long>(RoundedDivide(static_cast<Wide>(S) * dx, dy)));
    *offset = Clamp((static_cast<Wide>(S) * dy * x0 - static_cast<Wide>(S) * dx * y0) / dy);
    return 1;
}

int sqr_point2line(int orientation, int slope, int offset, int x, int y, int S)
{
    Wide const d = orientation == 0 ? static_cast<Wide>(S) * y - static_cast<Wide>(slope) * x - offset
                                        : static_cast<Wide>(S) * x - static_cast<Wide>(slope) * y - offset;
    Wide const q = static_cast<Wide>(slope) * slope + static_cast<Wide>(S) * S;
    if (q == 0) {
        return 0;
    }
    Wide const r = (d * d + q / 2) / q;
    return r > INT_MAX ? INT_MAX : static_cast<int>(r);
}

int COM_enlarge_vector(int* ox, int* oy, int x, int y, int length)
{
    long long const magnitude = std::llabs(static_cast<long long>(length));
    if (std::llabs(static_cast<long long>(x)) >= std::llabs(static_cast<long long>(y))) {
        if (x == 0) {
            return -1;
        }
        long long const major = (static_cast<long long>(length) * x < 0) ? -magnitude : magnitude;
        *ox = Clamp(major);
        *oy = Clamp(static_cast<long long>(y) * major / x);
        return 0;
    }
    long long const major = (static_cast<long long>(length) * y < 0) ? -magnitude : magnitude;
    *oy = Clamp(major);
    *ox = Clamp(static_cast<long long>(x) * major / y);
    return 0;
}

int COM_get_intermediate_point(int* ox, int* oy, int const* xs, int const* ys, int t, int T)
{
    if (T < 1) {
        return -1;
    }
    long long const rest = static_cast<long long>(T) - t;
    *ox = Clamp(static_cast<long long>(RoundedDivide(xs[0] * rest + static_cast<long long>(xs[1]) * t, T)));
    *oy = Clamp(static_cast<long long>(RoundedDivide(ys[0] * rest + static_cast<long long>(ys[1]) * t, T)));
    return 0;
}

namespace {

struct FixedLine {
    int orientation;
    long long slope;
    long long offset;
};

// Offsets of the point from two lines along one axis: between them when
// exactly one is positive. False when the second line cannot be solved for
// the first one's axis.
bool BetweenLines(FixedLine const& a, FixedLine const& b, long long x, long long y, bool* between)
{
    constexpr long long S = 1024;
    long long const dependent = a.orientation == 0 ? y : x;
    long long const other = a.orientation == 0 ? x : y;
    long long const offsetA = dependent - (a.slope * other + a.offset) / S;
    long long offsetB;
    if (b.orientation == a.orientation) {
        offsetB = dependent - (b.slope * other + b.offset) / S;
    } else {
        // b gives the first line's dependent coordinate through S d = ... solved for d.
        if (b.slope == 0) {
            return false;
        }
        offsetB = dependent - (S * other - b.offset) / b.slope;
    }
    *between = (offsetA > 0) != (offsetB > 0);
    return true;
}

}  // namespace

int point_in_area(int x, int y, int const* xs, int const* ys)
{
    constexpr int S = 1024;
    int const sides[4][2] = {{0, 1}, {2, 3}, {3, 0}, {1, 2}};
    FixedLine lines[4];
    for (int i = 0; i < 4; ++i) {
        int slope = 0;
        int offset = 0;
        int const p = sides[i][0];
        int const q = sides[i][1];
        int const orientation = COM_points2line(S, xs[p], ys[p], xs[q], ys[q], &slope, &offset);
        if (orientation < 0) {
            return 0;
        }
        lines[i] = {orientation, slope, offset};
    }
    bool first = false;
    bool second = false;
    if (!BetweenLines(lines[0], lines[1], x, y, &first) || !BetweenLines(lines[2], lines[3], x, y, &second)) {
        return 0;
    }
    return first && second ? 1 : 0;
}

int Calc_Intsec2High(int S, Line_st const* a, Line_st const* b, long long* x, long long* y)
{
    long long const s = S;
    int const orientationA = a->orientation;
    int const orientationB = b->orientation;
    long long const sa = a->slope;
    long long const sb = b->slope;
    long long const ba = a->offset;
    long long const bb = b->offset;
    if (s == 0) {
        return -1;
    }
    // Quotients are rounded by half their own divisor: half of S (as the
    // routine had it) shifts nearly parallel crossings by pixels.
    if (orientationA == orientationB && (orientationA == 0 || orientationA == 1)) {
        long long const den = sb - sa;
        if (den == 0) {
            return -1;
        }
        // The crossing's free coordinate, then the dependent one from line a.
        Wide const free = RoundedDivide(static_cast<Wide>(ba) - bb, den);
        Wide const dependent = RoundedDivide(ba + sa * free, s);
        *x = static_cast<long long>(orientationA == 0 ? free : dependent);
        *y = static_cast<long long>(orientationA == 0 ? dependent : free);
        return 0;
    }
    if ((orientationA == 0 && orientationB == 1) || (orientationA == 1 && orientationB == 0)) {
        // h: the line of orientation 0 (S y = sh x + bh); v: of orientation 1 (S x = sv y + bv).
        long long const sh = orientationA == 0 ? sa : sb;
        long long const bh = orientationA == 0 ? ba : bb;
        long long const sv = orientationA == 0 ? sb : sa;
        long long const bv = orientationA == 0 ? bb : ba;
        Wide const den = static_cast<Wide>(s) * s - static_cast<Wide>(sh) * sv;
        if (den == 0) {
            return -1;
        }
        Wide const yy = RoundedDivide(static_cast<Wide>(bv) * sh + static_cast<Wide>(s) * bh, den);
        Wide const xx = RoundedDivide(bv + yy * sv, s);
        *x = static_cast<long long>(xx);
        *y = static_cast<long long>(yy);
        return 0;
    }
    return -1;
}

int Calc_Intsec(int S, int orientationA, int slopeA, int offsetA, int orientationB, int slopeB, int offsetB, int* x,
                int* y)
{
    Line_st const a{orientationA, slopeA, offsetA};
    Line_st const b{orientationB, slopeB, offsetB};
    long long wx = 0;
    long long wy = 0;
    if (Calc_Intsec2High(S, &a, &b, &wx, &wy) != 0) {
        return -1;
    }
    *x = Clamp(wx);
    *y = Clamp(wy);
    return 0;
}

int Calc_Intsec2(int S, Line_st const* a, Line_st const* b, int* x, int* y)
{
    return Calc_Intsec(S, a->orientation, a->slope, a->offset, b->orientation, b->slope, b->offset, x, y);
}

int Calc_Intsec3(int shift, POINT_st* out, int const* segA, int const* segB)
{
    if (shift < 0 || shift > 30) {
        return -1;
    }
    long long const ax = segA[0];
    long long const ay = segA[1];
    long long const dax = static_cast<long long>(segA[2]) - ax;
    long long const day = static_cast<long long>(segA[3]) - ay;
    long long const bx = segB[0];
    long long const by = segB[1];
    long long const dbx = static_cast<long long>(segB[2]) - bx;
    long long const dby = static_cast<long long>(segB[3]) - by;
    Wide const den = static_cast<Wide>(dax) * dby - static_cast<Wide>(day) * dbx;
    if (den == 0) {
        return -1;
    }
    // A + t dA with t = ((B - A) x dB) / den, kept as a fraction.
    Wide const cross = static_cast<Wide>(bx - ax) * dby - static_cast<Wide>(by - ay) * dbx;
    Wide const numX = static_cast<Wide>(ax) * den + cross * dax;
    Wide const numY = static_cast<Wide>(ay) * den + cross * day;
    Wide const scale = static_cast<Wide>(1) << shift;
    out->x = Clamp(static_cast<long long>(RoundedDivide(numX * scale, den)));
    out->y = Clamp(static_cast<long long>(RoundedDivide(numY * scale, den)));
    return 0;
}

void parallel_move_line2(Line_st* out, Line_st const* in, int x, int y, int S)
{
    long long const offset = in->orientation == 0 ? static_cast<long long>(S) * y - static_cast<long long>(in->slope) * x
                                                   : static_cast<long long>(S) * x - static_cast<long long>(in->slope) * y;
    *out = {in->orientation, in->slope, Clamp(offset)};
}

namespace {

// An axis-parallel segment at fixed (0 .. fixedLimit): both running
// coordinates clamped to 0 .. limit. It misses the image when fixed is off it
// or both ends lie beyond the same border.
int ClampAlongAxis(long long fixed, long long fixedLimit, int* first, int* second, long long limit)
{
    long long const u = *first;
    long long const v = *second;
    if (fixed < 0 || fixed > fixedLimit || (u < 0 && v < 0) || (u > limit && v > limit)) {
        return -1;
    }
    *first = static_cast<int>(u < 0 ? 0 : u > limit ? limit : u);
    *second = static_cast<int>(v < 0 ? 0 : v > limit ? limit : v);
    return 0;
}

}  // namespace

int LimitToScreen(POINT_st* a, POINT_st* b)
{
    long long const wm = static_cast<long long>(screen.width) - 1;
    long long const hm = static_cast<long long>(screen.height) - 1;
    if (wm < 0 || hm < 0) {
        return -1;
    }
    long long const x0 = a->x;
    long long const y0 = a->y;
    long long const x1 = b->x;
    long long const y1 = b->y;
    if (Inside(x0, y0) && Inside(x1, y1)) {
        return 0;
    }
    if (x0 == x1) {
        return ClampAlongAxis(x0, wm, &a->y, &b->y, hm);
    }
    if (y0 == y1) {
        return ClampAlongAxis(y0, hm, &a->x, &b->x, wm);
    }
    long long const dx = x1 - x0;
    long long const dy = y1 - y0;
    long long ax = x0, ay = y0, bx = x1, by = y1;
    int crossings = 0;
    // Borders x = 0, x = Wm, y = 0, y = Hm in turn; a crossing on the border
    // replaces the end lying beyond it, end a first, one end per border.
    auto take = [&](long long cx, long long cy, bool aBeyond, bool bBeyond) {
        if (cx < 0 || cx > wm || cy < 0 || cy > hm) {
            return;
        }
        ++crossings;
        if (aBeyond) {
            ax = cx;
            ay = cy;
        } else if (bBeyond) {
            bx = cx;
            by = cy;
        }
    };
    take(0, y0 + (0 - x0) * dy / dx, x0 < 0, x1 < 0);
    take(wm, y0 + (wm - x0) * dy / dx, x0 > wm, x1 > wm);
    take(x0 + (0 - y0) * dx / dy, 0, y0 < 0, y1 < 0);
    take(x0 + (hm - y0) * dx / dy, hm, y0 > hm, y1 > hm);
    // A segment whose line crosses the image but which itself stays outside
    // keeps an end beyond the border: it misses the image.
    if (crossings < 2 || !Inside(ax, ay) || !Inside(bx, by)) {
        return -1;
    }
    *a = {static_cast<int>(ax), static_cast<int>(ay)};
    *b = {static_cast<int>(bx), static_cast<int>(by)};
    return 0;
}

int COM_calc_seg_len(int x0, int y0, int x1, int y1) { return g_pita(x1 - x0, y1 - y0); }
