// The bull's-eye check in integer arithmetic on the engine's line routines:
// runs across the candidate and at right angles to it, four turned lines,
// the horizontal once more through the centre found, and the outer ring's
// outline in 36 directions. Positions are kept in 1/256 pixel, runs in 1/32.
#include "decoder/legacy/maxicode/maxi_finder_check.h"

#include "decoder/legacy/engine/legacy_arith.h"
#include "decoder/legacy/engine/legacy_geometry.h"
#include "decoder/legacy/engine/legacy_result.h"
#include "decoder/legacy/engine/legacy_run_length.h"
#include "decoder/legacy/engine/legacy_run_length_utilities.h"
#include "decoder/legacy/maxicode/maxi_finder.h"

int MX_Bg32lenbarA[kMaxiCheckRuns];
int MX_Bg32lenbayB[kMaxiCheckRuns];
int MX_Bg32lenbayA[kMaxiCheckRuns];
int MX_start_SIRO_lenbar;
int line_try_cnt_MX;
int MX_try_cnt;
MaxiPattern MX_pattern;
MaxiCheckState finder_check_MX;
int MX_colour_mode = 2;

namespace {

// The run-length maker's records and the buffers behind them.
struct LineRecords {
    MAKETH_INFO th{};
    PICLINE_INFO line{};
    FILTER_INFO a{};
    FILTER_INFO b{};
    RUNLEN_INFO ra{};
    RUNLEN_INFO rb{};
    RUNLEN_OUT oa{};
    RUNLEN_OUT ob{};
};

LineRecords g_records;
unsigned short g_lineBuffer[2 * kLegacyLineSamples];
unsigned short g_grey[kLegacyLineSamples];
unsigned short g_thresholds[kLegacyLineSamples];
unsigned short g_filteredA[kLegacyLineSamples];
unsigned short g_filteredB[kLegacyLineSamples];
unsigned short g_runsA[kLegacyRunCapacity];
unsigned short g_runsB[kLegacyRunCapacity];
unsigned short g_black[kLegacyRunCapacity + 2];

// The filter width of the current candidate (threshold window, samples).
int g_filter = 16;

int Abs(int v) { return v < 0 ? -v : v; }

// The first run whose middle lies nearest `target` (a position along the
// line in 1/32 pixel), stepping `step` runs from `from`: the search ends at
// the first increase of the distance. -1 when there is none.
int NearestRun(int const* runs, int count, int lead, int target, int from, int step)
{
    long long best = -1;
    int at = -1;
    int start = lead;
    for (int i = 0; i < from && i < count; ++i) {
        start += runs[i];
    }
    for (int i = from; i < count; i += step) {
        long long const middle = start + runs[i] / 2;
        long long const d = (middle - target) * (middle - target);
        if (best >= 0 && d > best) {
            break;
        }
        best = d;
        at = i;
        for (int k = 0; k < step && i + k < count; ++k) {
            start += runs[i + k];
        }
    }
    return at;
}

// Position (1/32 pixel along the line) of the start of run i.
int RunStart(int const* runs, int lead, int i)
{
    int p = lead;
    for (int k = 0; k < i; ++k) {
        p += runs[k];
    }
    return p;
}

// A line by its two ends, pixels.
struct Line {
    int x0;
    int y0;
    int x1;
    int y1;
};

// The coordinate (1/256 pixel) at position p (1/32 pixel along the major
// axis) of the line.
void PointAt(Line const& l, int p, int* x256, int* y256)
{
    int const dx = l.x1 - l.x0;
    int const dy = l.y1 - l.y0;
    int const major = Abs(dx) > Abs(dy) ? Abs(dx) : Abs(dy);
    if (major == 0) {
        *x256 = l.x0 * 256;
        *y256 = l.y0 * 256;
        return;
    }
    *x256 = l.x0 * 256 + static_cast<int>(static_cast<long long>(8) * p * dx / major);
    *y256 = l.y0 * 256 + static_cast<int>(static_cast<long long>(8) * p * dy / major);
}

// A line of length 40 ring widths through (cx, cy) at `angle` degrees
// (clipped): false when it misses the image.
bool TurnedLine(int cx, int cy, int half, int angle, Line* l)
{
    int rx = 0;
    int ry = 0;
    Rotate_Vector104_33(angle, half, 0, &rx, &ry);
    l->x0 = cx - rx;
    l->y0 = cy - ry;
    l->x1 = cx + rx;
    l->y1 = cy + ry;
    return COM_clip_xy(&l->x0, &l->y0, &l->x1, &l->y1) == 0;
}

// Whether the window of 11 runs from `start` has the rings' proportions:
// ring runs within [l, u], the centre run within [2l, 2u].
bool WindowFits(int const* w, int T, int widen)
{
    int l = T * 1192 >> 16;
    int u = T >= 1760 ? T * 8940 >> 16 : T * 11920 >> 16;
    if (widen != 0) {
        l = l * 9 / 10;
        u = u * 11 / 10;
    }
    int passed = 0;
    for (int i = 1; i <= 9; ++i) {
        int const lo = i == 5 ? 2 * l : l;
        int const hi = i == 5 ? 2 * u : u;
        passed += w[i] >= lo && w[i] <= hi ? 1 : 0;
    }
    return passed == 9 ? true : (passed == 8 && widen == 0 ? WindowFits(w, T, 1) : false);
}


// Sets the pattern's values along a line from the window of runs
// [c - 5, c + 5] about centre run c: outer near edge, centre run ends, outer
// far edge, in 1/256 pixel of the coordinate the line runs along.
void WindowEdges(Line const& l, int const* runs, int lead, int c, bool vertical, int* out)
{
    int const positions[4] = {RunStart(runs, lead, c - 5 < 0 ? 0 : c - 5), RunStart(runs, lead, c),
                              RunStart(runs, lead, c + 1), RunStart(runs, lead, c + 6)};
    for (int k = 0; k < 4; ++k) {
        int x = 0;
        int y = 0;
        PointAt(l, positions[k], &x, &y);
        out[k] = vertical ? y : x;
    }
}

// Sets the pattern's y values and top and bottom half-extents from the
// window about centre run c of the vertical line v: the centre, 1/256 pixel.
int SetRows(Line const& v, int const* runs, int lead, int c)
{
    MaxiPattern& p = MX_pattern;
    int edges[4];
    WindowEdges(v, runs, lead, c, true, edges);
    for (int k = 0; k < 4; ++k) {
        p.y[k] = edges[k];
    }
    int const centre = (edges[1] + edges[2]) / 2;
    p.halfTop = centre - edges[0];
    p.halfBottom = edges[3] - centre;
    return centre;
}

}  // namespace

int MaxiRingWindowFits(int const* runs, int c)
{
    int T = 0;
    for (int i = c - 5; i <= c + 5; ++i) {
        T += runs[i];
    }
    int const l = T * 1192 >> 16;
    int const u = T * 11920 >> 16;
    for (int i = c - 5; i <= c + 5; ++i) {
        int const lo = i == c ? 2 * l : l;
        int const hi = i == c ? 2 * u : u;
        if (runs[i] < lo || runs[i] > hi) {
            return 0;
        }
    }
    return 1;
}

int line_runlength_MX(int x0, int y0, int x1, int y1, int step, int limit, int* out, int* count, int filter)
{
    (void)step;  // the maker samples 32 sub-steps a pixel
    *count = 0;
    LineRecords& r = g_records;
    set_runlength_pointer(&r.th, &r.line, &r.a, &r.b, &r.oa, &r.ob, g_thresholds, g_lineBuffer, g_grey, g_filteredA,
                          g_filteredB, g_runsA, g_runsB);
    r.th.mode = 0;
    r.th.minContrast = 16;
    r.th.windowSize = filter < 6 ? 6 : filter;
    r.th.smoothExponent = 1;
    set_PicLineInfo_param(&r.line, 0, 1, 1, x0, y0, x1, y1);
    set_Filter_param(&r.a, 0, 0, 0);
    // The second filter only where the line's contrast is asked for.
    set_Filter_param(&r.b, MX_colour_mode == 3 ? 1 : 0, 0, 0);
    // Start mode 1 gives the first run an extra 32, which the -32 below takes off.
    set_RunlenInfo_param(&r.ra, 0, 1, 0, 1, 0, 0);
    set_RunlenInfo_param(&r.rb, 0, 0, 0, 0, 0, 0);
    if (BC_make_runlength4(&r.th, &r.line, &r.a, &r.b, &r.ra, &r.rb, &r.oa, &r.ob) != 0) {
        return -1;
    }
    if (MX_colour_mode == 3 && r.line.maxValue - r.line.minValue < limit) {
        return -1;
    }
    int n = 0;
    int lead = 0;
    int const runs = r.oa.count < kLegacyRunCapacity ? r.oa.count : kLegacyRunCapacity - 2;
    start_from_black_unified(r.oa.firstColour != 0 ? 1 : 0, -32, runs, &n, &lead, g_runsA, g_black);
    n = n < kMaxiCheckRuns ? n : kMaxiCheckRuns;
    memcpy_usho2int(out, g_black, n);
    *count = n;
    MX_start_SIRO_lenbar = lead < 0 ? 0 : lead;
    return 0;
}

namespace {

// The runs of the line through the centre turned by `angle`, judged against
// the perpendicular half-extents.
bool TurnedLinePasses(int cx, int cy, int r, int angle)
{
    Line l{};
    if (!TurnedLine(cx, cy, 20 * r, angle, &l)) {
        return false;
    }
    int n = 0;
    if (line_runlength_MX(l.x0, l.y0, l.x1, l.y1, 32, 200, MX_Bg32lenbayA, &n, g_filter) != 0) {
        return false;
    }
    int const line[4] = {l.x0, l.y0, l.x1, l.y1};
    return check_rotated_runs_MX(MX_Bg32lenbayA, n, line, cx, cy, angle, MX_pattern.halfTop,
                                 MX_pattern.halfBottom) == 0;
}

}  // namespace

int check_rotated_runs_MX(int const* runs, int n, int const* line, int cx, int cy, int angle, int h1, int h2)
{
    if (n < 11) {
        return -1;
    }
    Line const l{line[0], line[1], line[2], line[3]};
    int const dx = l.x1 - l.x0;
    int const dy = l.y1 - l.y0;
    bool const alongX = Abs(dx) >= Abs(dy);
    int const major = alongX ? Abs(dx) : Abs(dy);
    if (major == 0) {
        return -1;
    }
    // The centre's position along the major axis, 1/32 pixel.
    int const target = alongX ? (cx - l.x0) * 32 * (dx < 0 ? -1 : 1) : (cy - l.y0) * 32 * (dy < 0 ? -1 : 1);
    int const c = NearestRun(runs, n, MX_start_SIRO_lenbar, target, 1, 2);
    if (c < 4 || c + 4 >= n) {
        return -1;
    }
    long long L = runs[c] / 2;
    long long R = runs[c] / 2;
    for (int k = 1; k <= 4; ++k) {
        L += runs[c - k];
        R += runs[c + k];
    }
    int const cosine = Abs(my_cos104_33(angle));
    if (cosine == 0 || R == 0) {
        return -1;
    }
    L = L * 100000 / cosine;
    R = R * 100000 / cosine;
    long long const e1 = 10LL * h1 / 12;
    long long const e2 = 10LL * h2 / 12;
    if (e2 == 0) {
        return -1;
    }
    long long const E = e1 + e2;
    long long const P = 100 * e1 / e2;
    long long const S = 8 * (L + R);
    long long const Q = 100 * L / R;
    bool const sFits = 10 * S > 8 * E && 10 * S < 12 * E;
    bool const qFits = 10 * Q > 8 * P && 10 * Q < 12 * P;
    bool const sLoose = 100 * S > 72 * E && 10 * S < 12 * E;
    bool const qLoose = 100 * Q > 72 * P && 100 * Q < 132 * P;
    return (sFits && qFits) || (qFits && sLoose) || (sFits && qLoose) ? 0 : -1;
}

int measure_horizontal_MX(int cx, int cy, int r)
{
    Line l{cx - 20 * r, cy, cx + 20 * r, cy};
    if (COM_clip_xy(&l.x0, &l.y0, &l.x1, &l.y1) != 0) {
        return -1;
    }
    int n = 0;
    if (line_runlength_MX(l.x0, l.y0, l.x1, l.y1, 32, 200, MX_Bg32lenbarA, &n, g_filter) != 0 || n < 11) {
        return -1;
    }
    int const c = NearestRun(MX_Bg32lenbarA, n, MX_start_SIRO_lenbar, (cx - l.x0) * 32, 1, 2);
    if (c < 5 || c + 5 >= n || MaxiRingWindowFits(MX_Bg32lenbarA, c) == 0) {
        return -1;
    }
    int edges[4];
    WindowEdges(l, MX_Bg32lenbarA, MX_start_SIRO_lenbar, c, false, edges);
    for (int k = 0; k < 4; ++k) {
        MX_pattern.x[k] = edges[k];
    }
    int const centre = (edges[1] + edges[2]) / 2;
    MX_pattern.halfLeft = centre - edges[0];
    MX_pattern.halfRight = edges[3] - centre;
    return 0;
}

int check_finder_cross_MX(int level, int selector)
{
    if (get_target_multiple_label_count() < 2) {
        ++line_try_cnt_MX;
    }
    MaxiPattern& p = MX_pattern;
    int const r = static_cast<int>(static_cast<long long>(p.x[3] - p.x[0]) * 5958 >> 24);
    // The levels index the windows' back steps below.
    if (level < 1 || level > 4 || r < 1) {
        return -1;
    }
    g_filter = ((p.x[3] - p.x[0]) / 11 / 8 + 2) / 4;
    int const cx = (p.x[1] + p.x[2] + 256) >> 9;
    int const cy = p.y[0] >> 8;
    Line v{cx, cy - 20 * r, cx, cy + 20 * r};
    if (COM_clip_xy(&v.x0, &v.y0, &v.x1, &v.y1) != 0) {
        return -1;
    }
    int const mode = MX_colour_mode;
    MX_colour_mode = mode == 2 ? 3 : mode;
    int n = 0;
    int const made = line_runlength_MX(v.x0, v.y0, v.x1, v.y1, 32, 200, MX_Bg32lenbayB, &n, g_filter);
    MX_colour_mode = mode;
    if (made != 0 || n < 11) {
        return -1;
    }
    int const lead = MX_start_SIRO_lenbar;
    int const target = (cy - v.y0) * 32;
    int const turns[4] = {15, -15, 30, -30};
    if (level == 1) {
        int const c = NearestRun(MX_Bg32lenbayB, n, lead, target, 0, 1);
        if (c < 5 || c + 5 >= n || MaxiRingWindowFits(MX_Bg32lenbayB, c) == 0) {
            return -1;
        }
        int const centre = SetRows(v, MX_Bg32lenbayB, lead, c);
        for (int angle : turns) {
            if (!TurnedLinePasses(cx, centre >> 8, r, angle)) {
                return -1;
            }
        }
        return measure_horizontal_MX(cx, centre >> 8, r);
    }
    // Part of the rings: the boundary nearest the scan line, then windows of
    // 11 runs two runs apart further back.
    static constexpr int kBack[2][4] = {{4, 6, 6, 8}, {4, 4, 2, 2}};
    int b = 0;
    long long best = -1;
    for (int i = 0, at = lead; i < n; at += MX_Bg32lenbayB[i], ++i) {
        long long const d = static_cast<long long>(at - target) * (at - target);
        if (best >= 0 && d > best) {
            break;
        }
        best = d;
        b = i;
    }
    int const start = b - (kBack[selector == 2 ? 0 : 1][level - 1] + 2);
    for (int window = 0; window < 3; ++window) {
        int const s = start - 2 * window;
        if (s < 0 || s + 10 >= n) {
            break;
        }
        int const* w = MX_Bg32lenbayB + s;
        int T = 0;
        for (int i = 0; i < 11; ++i) {
            T += w[i];
        }
        if (!WindowFits(w, T, 0)) {
            continue;
        }
        // The window's own extents, replaced below.
        int const centre = SetRows(v, MX_Bg32lenbayB, lead, s + 5);
        // Six ring widths from five: 1.2 times four runs and half the centre.
        int const up = 8 * (w[1] + w[2] + w[3] + w[4]) + 4 * w[5];
        int const down = 8 * (w[6] + w[7] + w[8] + w[9]) + 4 * w[5];
        p.halfTop = up * 12 / 10;
        p.halfBottom = down * 12 / 10;
        int passed = 0;
        for (int angle : turns) {
            passed += TurnedLinePasses(cx, centre >> 8, r, angle) ? 1 : 0;
        }
        if (passed >= 3 && measure_horizontal_MX(cx, centre >> 8, r) == 0) {
            return 0;
        }
    }
    return -1;
}

int ring_radius_MX(int* ox, int* oy, int* contrast, int angle)
{
    MaxiCheckState const& f = finder_check_MX;
    int const length = (MX_pattern.y[3] - MX_pattern.y[0]) * 3 / 4 >> 8;
    int rx = 0;
    int ry = 0;
    Rotate_Vector104_33(angle, length, 0, &rx, &ry);
    Line l{f.centreX, f.centreY, f.centreX + rx, f.centreY - ry};
    if (COM_clip_xy(&l.x0, &l.y0, &l.x1, &l.y1) != 0) {
        return -1;
    }
    if (*contrast < 0 && get_contrast(l.x0, l.y0, l.x1, l.y1, contrast) != 0) {
        return -1;
    }
    int const mode = MX_colour_mode;
    MX_colour_mode = 3;
    int n = 0;
    int const made = line_runlength_MX(l.x0, l.y0, l.x1, l.y1, 32, *contrast / 4, MX_Bg32lenbayA, &n, g_filter);
    MX_colour_mode = mode;
    if (made != 0 || n < 4) {
        return -1;
    }
    int x = 0;
    int y = 0;
    PointAt(l, RunStart(MX_Bg32lenbayA, MX_start_SIRO_lenbar, 4), &x, &y);
    *ox = x;
    *oy = y;
    int const ddx = (x >> 4) - (f.centreX << 4);
    int const ddy = (y >> 4) - (f.centreY << 4);
    return int_sqrt33(ddx * ddx + ddy * ddy);  // 1/16 pixel
}

int check_finder_ring_MX()
{
    MaxiPattern const& p = MX_pattern;
    MaxiCheckState& f = finder_check_MX;
    int const cx = (p.x[1] + p.x[2]) >> 9;
    int const cy = (p.y[1] + p.y[2]) >> 9;
    int const rx = static_cast<int>(static_cast<long long>(p.x[3] - p.x[0]) * 5958 >> 24);
    int const ry = static_cast<int>(static_cast<long long>(p.y[3] - p.y[0]) * 5958 >> 24);
    if (MX_try_cnt > 0 && Abs(cx - f.centreX) < f.ringX && Abs(cy - f.centreY) < f.ringY) {
        return -1;
    }
    ++MX_try_cnt;
    f.centreX = cx;
    f.centreY = cy;
    f.ringX = rx;
    f.ringY = ry;
    f.ringX256 = static_cast<int>(static_cast<long long>(p.x[3] - p.x[0]) * 5958 >> 16);
    f.failed = 0;
    f.complete = 0;
    int contrast = -1;
    int x = 0;
    int y = 0;
    int last = ring_radius_MX(&x, &y, &contrast, 0);
    int failures = 0;
    int px[36];
    int py[36];
    for (int d = 0; d < 36; ++d) {
        int const radius = ring_radius_MX(&x, &y, &contrast, 10 * d);
        bool const fits =
            radius > 0 && (last <= 0 || (100 * radius >= 80 * last && 100 * radius <= 120 * last));
        f.radii[d] = fits ? radius : -1;
        px[d] = x;
        py[d] = y;
        if (fits) {
            last = radius;
        } else if (++failures >= 5) {
            return -1;
        }
    }
    // Chords of four consecutive outline points turn by at most 69 degrees.
    for (int k = 0; k < 36; ++k) {
        int const i[4] = {(k + 34) % 36, (k + 35) % 36, k, (k + 1) % 36};
        if (f.radii[i[0]] < 0 || f.radii[i[1]] < 0 || f.radii[i[2]] < 0 || f.radii[i[3]] < 0) {
            continue;
        }
        int degrees = 0;
        int fraction = 0;
        if (COM_calc_angle(&degrees, &fraction, (px[i[1]] - px[i[0]]) >> 4, (py[i[1]] - py[i[0]]) >> 4,
                           (px[i[3]] - px[i[2]]) >> 4, (py[i[3]] - py[i[2]]) >> 4) >= 0 &&
            degrees > 69) {
            f.failed = 1;
            return -1;
        }
    }
    f.complete = 1;
    int const centreX256 = (p.x[1] + p.x[2]) / 2;
    int const centreY256 = (p.y[1] + p.y[2]) / 2;
    for (int k = 0; k < 4; ++k) {
        int const along = (k == 0 || k == 3) ? 3 * (p.x[3] - centreX256) : -3 * (centreX256 - p.x[0]);
        int const down = k < 2 ? 3 * (p.y[3] - centreY256) : -3 * (centreY256 - p.y[0]);
        f.cornerX[k] = (centreX256 + along) >> 8;
        f.cornerY[k] = (centreY256 + down) >> 8;
    }
    return 0;
}

int MX_check_finderH3(int* runs, int count, POINT_st* first, POINT_st* last, int colour, int selector,
                      int convention)
{
    int level = 0;
    int const counts[2][4] = {{11, 9, 7, 5}, {9, 7, 5, 3}};
    for (int k = 0; k < 4; ++k) {
        level = counts[convention == 1 ? 1 : 0][k] == count ? k + 1 : level;
    }
    if (level == 0 || runs == nullptr || first == nullptr || last == nullptr) {
        return kLegacyNothing;
    }
    MX_colour_mode = colour == 3 ? 3 : 2;
    int const middle = count / 2;
    int before = 0;
    int after = 0;
    for (int i = 0; i < count; ++i) {
        before += i < middle ? runs[i] : 0;
        after += i > middle ? runs[i] : 0;
    }
    MaxiPattern& p = MX_pattern;
    int const origin = first->x * 256;
    p.x[0] = origin - (convention == 1 ? 8 * runs[0] : 0);
    p.x[1] = origin + 8 * before;
    p.x[2] = p.x[1] + 8 * runs[middle];
    p.x[3] = p.x[2] + 8 * after + (convention == 1 ? 8 * runs[count - 1] : 0);
    for (int k = 0; k < 4; ++k) {
        p.y[k] = first->y * 256;
    }
    if (check_finder_cross_MX(level, selector) == 0 && check_finder_ring_MX() == 0) {
        PublishMaxiFinderCheck();
        return kLegacyMaxiCode;
    }
    // What the integer check does not take (light rings on dark, blur that
    // merges the rings, a line off the candidate) the ellipse check measures.
    return CheckBullsEyeByEllipse(runs, count, first, last, convention);
}
