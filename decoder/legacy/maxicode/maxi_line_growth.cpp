#include <initializer_list>
#include "decoder/legacy/maxicode/maxi_line_growth.h"

#include "decoder/legacy/maxicode/maxi_centring.h"
#include "decoder/legacy/maxicode/maxi_cluster_search.h"
#include "decoder/legacy/maxicode/maxi_module_location.h"

int Mx_R0;
int Mx_R1;
int Mx_R2;
int Mx_R3;
int Mx_R4;
int Mx_R5;
long long Mx_Xc;
long long Mx_Yc;
long long Mx_Cxy;
int METHOD1 = 1;
int ADJPB = 1;

namespace {

struct Ref {
    int line;
    int record;
};

// The prediction table of Calc_P4: three known points, the weights (w, v) of
// the terms a, b, c (w Mx_Xc + v Mx_Yc), and the three records of the
// predicted cluster.
struct P4Row {
    Ref known[3];
    int weight[3][2];
    Ref target[3];
};
constexpr P4Row kP4[2] = {
    {{{0, 12}, {8, 15}, {1, 18}}, {{1, 1}, {1, 3}, {1, 2}}, {{0, 18}, {5, 12}, {6, 12}}},
    {{{3, 18}, {8, 15}, {4, 18}}, {{1, 1}, {3, 1}, {1, 0}}, {{3, 12}, {2, 12}, {6, 24}}},
};

// The records of each cluster on the lines through it.
constexpr Ref kClusterRecords[6][3] = {
    {{0, 18}, {5, 12}, {6, 12}}, {{0, 12}, {1, 12}, {7, 24}}, {{1, 18}, {2, 18}, {8, 9}},
    {{2, 12}, {3, 12}, {6, 24}}, {{3, 18}, {4, 12}, {7, 12}}, {{4, 18}, {5, 18}, {8, 21}},
};

// The cluster whose direction a line's records run in (one record = one
// pitch that way): rows east (cluster 5's side of the hexagon), the slanted
// lines toward the cluster at 240 (3), 120 (1) or 60 (0) and 300 (4) degrees.
constexpr int kLineHeading[14] = {5, 3, 1, 5, 0, 4, 3, 1, 5, -1, 5, 5, 5, 5};

int Radius(int degree) { return Radii360[((degree % 360) + 360) % 360]; }

MaxiPoint16& At(Ref r) { return tMod[r.line][r.record]; }

int Abs(int v) { return v < 0 ? -v : v; }

// Walks line `line` from record `from` toward the estimate at record `to`.
int Walk(int line, int from, int to)
{
    MaxiPoint16 const a = tMod[line][from];
    MaxiPoint16 const b = tMod[line][to];
    return AdjustXY36(a.x, a.y, b.x, b.y, line, from, to > from ? 1 : -1, Abs(to - from));
}

// Grey mid-range of nine samples along line segment `line` from..to.
void SegmentRange(int line, int from, int to, int* low, int* high)
{
    MaxiPoint16 const a = tMod[line][from];
    MaxiPoint16 const b = tMod[line][to];
    for (int i = 0; i < 9; ++i) {
        int const g = ImgValueAve(a.y + static_cast<int>((static_cast<long long>(b.y) - a.y) * i / 8),
                                  a.x + static_cast<int>((static_cast<long long>(b.x) - a.x) * i / 8));
        *low = g < *low ? g : *low;
        *high = g > *high ? g : *high;
    }
}

// The straightness penalty of point q on a segment from s toward e:
// 65536 sin^2 of the angle between s->q and s->e.
int Bend(MaxiPoint16 q, MaxiPoint16 s, MaxiPoint16 e) { return 65536 - PowCos2A(q.x - s.x, q.y - s.y, e.x - s.x, e.y - s.y); }

// Lines walked to one meeting module: the winner's point to every meeting
// record, each line respaced from its start.
void Cross(Ref const* start, Ref const* end, int n)
{
    if (ADJPB != 0 && TH_SELECT == 0) {
        int low = 1023;
        int high = 0;
        for (int i = 0; i < n; ++i) {
            SegmentRange(start[i].line, start[i].record, end[i].record, &low, &high);
        }
        if (high - low > 30) {
            THRESHOLD3 = (low + high) / 2;
        }
    }
    MaxiPoint16 s[3];
    MaxiPoint16 e[3];
    MaxiPoint16 q[3];
    int corrections[3];
    for (int i = 0; i < n; ++i) {
        s[i] = At(start[i]);
        e[i] = At(end[i]);
        corrections[i] = Walk(start[i].line, start[i].record, end[i].record);
        q[i] = At(end[i]);
    }
    int best = 0;
    int bestValue = 0;
    for (int i = 0; i < n; ++i) {
        int value = corrections[i];
        if (METHOD1 == 0) {
            // The candidate's worst bend against the lines: the least
            // squared cosine of its triangles.
            value = 0;
            for (int j = 0; j < n; ++j) {
                int const bend = Bend(q[i], s[j], e[j]);
                value = bend > value ? bend : value;
            }
        }
        if (i == 0 || value < bestValue) {
            best = i;
            bestValue = value;
        }
    }
    for (int i = 0; i < n; ++i) {
        At(end[i]) = q[best];
        int const from = start[i].record < end[i].record ? start[i].record : end[i].record;
        Average(start[i].line, from, 1, Abs(end[i].record - start[i].record), 1);
    }
}

void Set(int line, int record, MaxiPoint16 p) { tMod[line][record] = p; }

// Line `line` walked from record `from` out to record `to`, away from record
// `inner`: hops of at most six records, each spaced from the last segment.
void WalkOut(int line, int from, int inner, int to)
{
    while (from != to) {
        int const span = from > inner ? from - inner : inner - from;
        int const hop = (to > from ? to - from : from - to) < 6 ? (to > from ? to - from : from - to) : 6;
        if (to > from) {
            Average(line, inner, 0, span, hop);
        } else {
            Average(line, from, hop, span, 0);
        }
        int const next = to > from ? from + hop : from - hop;
        Walk(line, from, next);
        inner = from;
        from = next;
    }
}

// The clusters' new places on the lines through them, from lines 0..5.
void ShareClusters()
{
    for (auto const& records : kClusterRecords) {
        MaxiPoint16 const p = At(records[0]);
        for (Ref const& r : records) {
            At(r) = p;
        }
    }
}

// The neighbour offsets of each line: one pitch toward the clusters 60
// degrees either side of its heading.
void SetSides(MaxiPoint16 const clusters[6])
{
    MaxiPoint16 unit[6];
    for (int k = 0; k < 6; ++k) {
        unit[k] = {(clusters[k].x - tCenter.x) / 6, (clusters[k].y - tCenter.y) / 6};
    }
    for (int line = 0; line < kMaxiLines; ++line) {
        int const h = line < 14 ? kLineHeading[line] : -1;
        MaxiSide[line][0] = h < 0 ? tZeroXY : unit[CirShift[h]];
        MaxiSide[line][1] = h < 0 ? tZeroXY : unit[CirShift[6 * 4 + h]];
    }
    // Rows 0 and 32 have modules on one side only.
    MaxiSide[12][0] = tZeroXY;
    MaxiSide[13][1] = tZeroXY;
}

// A row line (an even module row) spaced through the records where the
// slanted lines cross it.
void SpaceRow(int line, int const* records, Ref const* from, int n)
{
    for (int i = 0; i < n; ++i) {
        Set(line, records[i], At(from[i]));
    }
    for (int i = 0; i + 1 < n; ++i) {
        int const before = i == 0 ? records[0] - 1 : 0;
        int const after = i + 2 == n ? kMaxiColumns - records[n - 1] : 0;
        Average(line, records[i], before, records[i + 1] - records[i], after);
    }
}

}  // namespace

void Point4_Calc(MaxiPoint16* out, int x1, int y1, int x2, int y2, int x3, int y3, long long a, long long b,
                 long long c)
{
    double const C = static_cast<double>(Mx_Cxy);
    double d = 2 * C + static_cast<double>(b);
    double const t = (static_cast<double>(a) + C) / (d == 0 ? 1 : d);
    double const px = x1 + (static_cast<double>(x2) - x1) * t;
    double const py = y1 + (static_cast<double>(y2) - y1) * t;
    d = C + static_cast<double>(c);
    double const u = (static_cast<double>(b) + C - static_cast<double>(c)) / (d == 0 ? 1 : d);
    double const ox = px + (px - x3) * u;
    double const oy = py + (py - y3) * u;
    // Terms that nearly cancel a denominator throw the point far off: kept
    // within 4096 pixels, so that steps and sums along the lines stay in 32
    // bits.
    double const limit = kMaxiReach;
    out->x = static_cast<int>(ox > limit ? limit : (ox < -limit ? -limit : ox));
    out->y = static_cast<int>(oy > limit ? limit : (oy < -limit ? -limit : oy));
}

void Calc_P4(int k, int row)
{
    P4Row const& r = kP4[row];
    long long term[3];
    for (int i = 0; i < 3; ++i) {
        term[i] = r.weight[i][0] * Mx_Xc + r.weight[i][1] * Mx_Yc;
    }
    MaxiPoint16 const p1 = At(r.known[0]);
    MaxiPoint16 const p2 = At(r.known[1]);
    MaxiPoint16 const p3 = At(r.known[2]);
    MaxiPoint16 out;
    Point4_Calc(&out, p1.x, p1.y, p2.x, p2.y, p3.x, p3.y, term[0], term[1], term[2]);
    for (Ref const& t : r.target) {
        At(t) = out;
    }
    tMod[9][k] = {tMod[9][k].x + out.x, tMod[9][k].y + out.y};
}

int PowCos2A(int ax, int ay, int bx, int by)
{
    double const dot = static_cast<double>(ax) * bx + static_cast<double>(ay) * by;
    double const aa = static_cast<double>(ax) * ax + static_cast<double>(ay) * ay;
    double const bb = static_cast<double>(bx) * bx + static_cast<double>(by) * by;
    if (aa == 0 || bb == 0) {
        return 65536;
    }
    return static_cast<int>(65536.0 * dot * dot / (aa * bb));
}

void SelectPoint(int a, int sa, int ea, int b, int sb, int eb)
{
    Ref const start[2] = {{a, sa}, {b, sb}};
    Ref const end[2] = {{a, ea}, {b, eb}};
    Cross(start, end, 2);
}

void SelectPoint3(int a, int sa, int ea, int b, int sb, int eb, int c, int sc, int ec)
{
    Ref const start[3] = {{a, sa}, {b, sb}, {c, sc}};
    Ref const end[3] = {{a, ea}, {b, eb}, {c, ec}};
    Cross(start, end, 3);
}

void GrowReferenceLines(MaxiPoint16 const clusters[6], int d0, int d1, int d2)
{
    for (int line = 0; line < kMaxiLines; ++line) {
        for (int r = 0; r < kMaxiLines; ++r) {
            tMod[line][r] = tZeroXY;
            tModL[line][r] = tZeroXY;
            tModR[line][r] = tZeroXY;
        }
    }
    for (int k = 0; k < 6; ++k) {
        for (Ref const& r : kClusterRecords[k]) {
            At(r) = clusters[k];
        }
    }
    Set(8, 15, tCenter);
    Set(6, 18, tCenter);
    Set(7, 18, tCenter);

    // The ellipse through the ring radii of the three cluster directions
    // and their opposites.
    Mx_R0 = Radius(d0);
    Mx_R3 = Radius(d0 + 180);
    Mx_R1 = Radius(d1);
    Mx_R4 = Radius(d1 + 180);
    Mx_R2 = Radius(d2);
    Mx_R5 = Radius(d2 + 180);
    long long const r1 = Mx_R1;
    long long const r2 = Mx_R2;
    long long const r4 = Mx_R4;
    long long const r5 = Mx_R5;
    Mx_Cxy = 2 * (2 * r1 * r5 - r2 * r4 + r5 * r4);
    Mx_Xc = (r2 - r5) * (r1 + r4);
    Mx_Yc = 2 * (r2 * r4 - r5 * r1);
    // Clusters 0 and 3 again from their neighbours and the centre.
    Calc_P4(0, 0);
    Calc_P4(3, 1);
    MaxiPoint16 placed[6];
    for (int k = 0; k < 6; ++k) {
        placed[k] = At(kClusterRecords[k][0]);
    }
    SetSides(placed);

    // The hexagon's sides settle the clusters.
    SelectPoint(0, 12, 18, 5, 18, 12);
    SelectPoint(2, 18, 12, 3, 18, 12);
    SelectPoint(4, 12, 18, 5, 12, 18);
    SelectPoint(3, 12, 18, 4, 18, 12);
    SelectPoint(2, 12, 18, 1, 12, 18);
    SelectPoint(0, 18, 12, 1, 18, 12);
    ShareClusters();
    // The three lines through the centre.
    SelectPoint3(6, 12, 18, 7, 12, 18, 8, 9, 15);
    Average(6, 18, 0, 6, 0);
    Average(7, 18, 0, 6, 0);
    Average(8, 15, 0, 6, 0);

    // Rows 10, 22 and 16 out to every column, six records at a time, each
    // hop spaced from the one walked before it (under perspective the pitch
    // changes along a row).
    for (int line : {0, 3}) {
        WalkOut(line, 12, 18, 1);
        WalkOut(line, 18, 12, kMaxiColumns);
    }
    WalkOut(8, 9, 15, 1);
    WalkOut(8, 21, 15, kMaxiColumns);

    // The slanted lines up to rows 4 and 0 ...
    Average(1, 12, 10, 6, 0);
    Average(5, 12, 10, 6, 0);
    SelectPoint(1, 12, 6, 5, 12, 6);  // row 4, column 14
    WalkOut(1, 6, 12, 2);
    WalkOut(5, 6, 12, 2);
    WalkOut(6, 12, 18, 2);
    WalkOut(7, 24, 18, 34);
    // ... and down to rows 28 and 32.
    Average(2, 12, 10, 6, 0);
    Average(4, 12, 10, 6, 0);
    SelectPoint(2, 12, 6, 4, 12, 6);  // row 28, column 14
    WalkOut(2, 6, 12, 2);
    WalkOut(4, 6, 12, 2);
    WalkOut(6, 24, 18, 34);
    WalkOut(7, 12, 18, 2);

    // Rows 4 and 28 through columns 8, 14 and 20, walked out to the ends.
    int const three[3] = {9, 15, 21};
    Ref const row4[3] = {{7, 30}, {1, 6}, {6, 6}};
    Ref const row28[3] = {{6, 30}, {2, 6}, {7, 6}};
    SpaceRow(10, three, row4, 3);
    WalkOut(10, 9, 15, 1);
    WalkOut(10, 21, 15, kMaxiColumns);
    SpaceRow(11, three, row28, 3);
    WalkOut(11, 9, 15, 1);
    WalkOut(11, 21, 15, kMaxiColumns);
    // Rows 0 and 32 through columns 6, 12, 16 and 22.
    int const four[4] = {7, 13, 17, 23};
    Ref const row0[4] = {{7, 34}, {5, 2}, {1, 2}, {6, 2}};
    Ref const row32[4] = {{6, 34}, {4, 2}, {2, 2}, {7, 2}};
    SpaceRow(12, four, row0, 4);
    SpaceRow(13, four, row32, 4);
    // Row 16 between its walked halves.
    Average(8, 9, 0, 12, 0);
}
