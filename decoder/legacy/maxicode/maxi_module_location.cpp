#include "decoder/legacy/maxicode/maxi_module_location.h"

#include <initializer_list>

#include "decoder/legacy/engine/legacy_arctan.h"
#include "decoder/legacy/engine/legacy_arith.h"
#include "decoder/legacy/engine/legacy_geometry.h"
#include "decoder/legacy/maxicode/maxi_centring.h"
#include "decoder/legacy/maxicode/maxi_projective_fit.h"

MaxiPoint16 tCenter;
int RingEdge[360][6];
int Radii360[360];
int AVE_SPAN;
int HALFPB;
int Mx_Th[18];
MaxiHexagon Hexagon2[20];
int NumH2;

namespace {

// Radius table units a pixel of the outer dark ring's middle radius.
constexpr int kRadiusUnit = 1121 * 128 / 512;  // 280.25, kept as 1121 / 4
// The outer dark ring's middle lies 4.121 module pitches from the centre;
// the clusters six pitches out: scale 61 puts the ring's radius at 61 / 41.9
// of it (6 / 4.121 = 1.456).
constexpr int kNominalScale = 61;

bool IsDark(int grey, int threshold) { return threshold >= grey; }

// The fixed orientation modules (row, column) beside the bull's-eye, dark
// and light; each cluster of three sits at a corner of the hexagon six
// module pitches about the centre.
constexpr int kDarkModules[11][2] = {
    {9, 10}, {9, 11}, {10, 11}, {15, 7}, {16, 8}, {16, 20}, {17, 20}, {22, 10}, {22, 17}, {23, 10}, {23, 17},
};
constexpr int kLightModules[6][2] = {{10, 17}, {10, 18}, {16, 7}, {16, 21}, {22, 11}, {23, 16}};

// A module's place about the centre: distance in 1/1000 pitch and the
// symbol angle (degrees, counter-clockwise, row 0 at the top).
struct Polar {
    int distance;
    int angle;
};

Polar ModulePolar(int row, int column)
{
    // Odd rows sit half a pitch to the right; rows are sqrt(3)/2 apart.
    int const u = 1000 * (2 * column + (row & 1) - 28) / 2;
    int const v = -866 * (row - 16);  // up
    return {int_sqrt33(u * u + v * v), rough_arctan(v, u)};
}

// The image point (16.16) at `distance` (1/1000 pitch) on the ray of image
// direction `degree`, the pitch taken from the ring radius there.
MaxiPoint16 RayPoint(int degree, int distance, int scale)
{
    degree = ((degree % 360) + 360) % 360;
    // pixels = distance / 1000 * pitch, pitch = ring radius / 4.121 * scale / 61
    long long const ring = Radii360[degree];  // 280.25 a pixel
    long long const reach = ring * distance * scale * 4 * 65536 / (1121LL * 4121 * kNominalScale);
    MaxiPoint16 p;
    p.x = tCenter.x + static_cast<int>(reach * my_cos104_33(degree) / 100000);
    p.y = tCenter.y - static_cast<int>(reach * my_sin104_33(degree) / 100000);
    return p;
}

// Sums of the light centre spot and the first dark ring in one quadrant,
// row by row outward from the centre row.
void Quadrant(int cx, int cy, int sx, int sy, int ex, int ey, long long sums[3])
{
    bool previousDark = false;
    for (int j = 0; j <= ey; ++j) {
        int const y = cy + sy * j;
        bool const firstDark = IsDark(ImgValue0(cx, y), THRESHOLD2);
        if (!firstDark && previousDark) {
            return;  // past the first ring
        }
        previousDark = firstDark;
        bool dark = firstDark;
        for (int i = 0; i <= ex; ++i) {
            int const x = cx + sx * i;
            bool const d = IsDark(ImgValue0(x, y), THRESHOLD2);
            if (dark && !d) {
                break;
            }
            dark = d;
            sums[0] += x;
            sums[1] += y;
            ++sums[2];
        }
    }
}

// Edges on the ray of `degree` from the centre, unit steps; the edge
// distance interpolated where the grey crosses the threshold.
int RayEdges(int degree, int reach, int minRun, int edges[6])
{
    int const c = my_cos104_33(degree);
    int const s = my_sin104_33(degree);
    int found = 0;
    int previous = ImgValueAve(tCenter.y, tCenter.x);
    bool dark = IsDark(previous, THRESHOLD2);
    int run = 0;
    for (int k = 1; k <= reach && found < 6; ++k) {
        int const x = tCenter.x + static_cast<int>(static_cast<long long>(k) * 65536 * c / 100000);
        int const y = tCenter.y - static_cast<int>(static_cast<long long>(k) * 65536 * s / 100000);
        int const grey = ImgValueAve(y, x);
        bool const d = IsDark(grey, THRESHOLD2);
        if (d != dark && run >= minRun) {
            int const span = grey - previous;
            int const part = span == 0 ? 32768 : static_cast<int>(65536LL * (THRESHOLD2 - previous) / span);
            edges[found++] = ((k - 1) << 16) + (part < 0 ? 0 : (part > 65536 ? 65536 : part));
            run = 0;
            dark = d;
        } else if (d != dark) {
            dark = d;  // a speck shorter than a ring: no edge
            run = 0;
        }
        ++run;
        previous = grey;
    }
    return found;
}

// Per-sector thresholds from the grey on the circle of the clusters.
void SectorThresholds(int scale)
{
    int low[6];
    int high[6];
    for (int i = 0; i < 6; ++i) {
        low[i] = 1023;
        high[i] = 0;
    }
    for (int d = 0; d < 360; ++d) {
        MaxiPoint16 const p = RayPoint(d, 6000, scale);
        int const g = ImgValueAve(p.y, p.x);
        low[d / 64] = g < low[d / 64] ? g : low[d / 64];
        high[d / 64] = g > high[d / 64] ? g : high[d / 64];
    }
    for (int i = 0; i < 18; ++i) {
        Mx_Th[i] = THRESHOLD2;
    }
    for (int i = 0; i < 6; ++i) {
        if (high[i] - low[i] > 30) {
            Mx_Th[i] = (low[i] + high[i]) / 2;
        }
    }
}

// How well the orientation modules of the hexagon turned by `turn` fit:
// the grey margins past the sector thresholds, dark below and light above.
int TurnScore(int turn, int scale, Polar const* dark, Polar const* light, int* agree)
{
    int score = 0;
    *agree = 0;
    for (int i = 0; i < 17; ++i) {
        bool const wantDark = i < 11;
        Polar const& m = wantDark ? dark[i] : light[i - 11];
        int const degree = (m.angle + turn) % 360;
        MaxiPoint16 const p = RayPoint(degree, m.distance, scale);
        int isDark = 0;
        int const grey = ImgValueTH(p.y, p.x, degree, &isDark);
        int const margin = Mx_Th[degree / 64] - grey;
        score += wantDark ? margin : -margin;
        // Against the sector threshold whatever the attempt's, so the
        // orientation found holds for every attempt.
        *agree += (margin >= 0) == wantDark ? 1 : 0;
    }
    return score;
}

// Points of the six clusters; cluster k lies at symbol angle 60 (k + 1).
// The orientation modules about the centre, as distance and symbol angle.
Polar g_dark[11];
Polar g_light[6];

// How well the orientation modules of cluster k fit where the hexagon
// turned by `turn` at `scale` puts them.
int ClusterScore(int k, int turn, int scale)
{
    int score = 0;
    for (int i = 0; i < 17; ++i) {
        bool const wantDark = i < 11;
        Polar const& m = wantDark ? g_dark[i] : g_light[i - 11];
        int const off = ((m.angle - 60 * (k + 1)) % 360 + 540) % 360 - 180;
        if (off < -30 || off >= 30) {
            continue;
        }
        int const degree = (m.angle + turn + 360) % 360;
        MaxiPoint16 const p = RayPoint(degree, m.distance, scale);
        int isDark = 0;
        int const margin = Mx_Th[degree / 64] - ImgValueTH(p.y, p.x, degree, &isDark);
        score += wantDark ? margin : -margin;
    }
    return score;
}

void SetClusters(MaxiHexagon& h, int turn, int scale)
{
    for (int k = 0; k < 6; ++k) {
        h.direction[k] = (60 * (k + 1) + turn) % 360;
        h.point[k] = RayPoint(h.direction[k], 6000, scale);
    }
    h.scale = scale;
}

// Each cluster found on its own about where the hexagon puts it: under
// perspective the six lie at turns and distances of their own.
void RefineClusters(MaxiHexagon& h, int turn, int scale)
{
    for (int k = 0; k < 6; ++k) {
        int best = ClusterScore(k, turn, scale);
        int bestTurn = turn;
        int bestScale = scale;
        for (int t = turn - 3; t <= turn + 3; ++t) {
            for (int sc = scale - 5; sc <= scale + 5; ++sc) {
                int const score = ClusterScore(k, t, sc);
                if (score > best) {
                    best = score;
                    bestTurn = t;
                    bestScale = sc;
                }
            }
        }
        h.direction[k] = (60 * (k + 1) + bestTurn + 360) % 360;
        h.point[k] = RayPoint(h.direction[k], 6000, bestScale);
    }
}

void Set(int line, int record, MaxiPoint16 p) { tMod[line][record] = p; }

// Reference line `target` (an even module row) beyond `near` away from
// `far` by num / den of their spacing, at records 12 and 18.
void Extend(int target, int nearLine, int farLine, int num, int den)
{
    for (int record : {12, 18}) {
        MaxiPoint16 const n = tMod[nearLine][record];
        MaxiPoint16 const f = tMod[farLine][record];
        tMod[target][record] = {n.x + static_cast<int>(static_cast<long long>(n.x - f.x) * num / den),
                                n.y + static_cast<int>(static_cast<long long>(n.y - f.y) * num / den)};
    }
    Average(target, 12, 11, 6, 12);
}

// The reference lines from the cluster points: line 0 (row 10) holds
// clusters 1 and 0 at columns 11 and 17, line 8 (row 16) cluster 2, the
// centre and cluster 5 at columns 8, 14 and 20, line 3 (row 22) clusters 3
// and 4 at columns 11 and 17; the rest is spaced from them.
void PlaceLines(MaxiHexagon const& h)
{
    Set(0, 18, h.point[0]);
    Set(0, 12, h.point[1]);
    Set(8, 9, h.point[2]);
    Set(3, 12, h.point[3]);
    Set(3, 18, h.point[4]);
    Set(8, 21, h.point[5]);
    Set(8, 15, tCenter);
    // Lines 0, 3 and 8 through every column, then rows 4 and 0 beyond row
    // 10, rows 28 and 32 beyond row 22.
    Average(0, 12, 11, 6, 12);
    Average(3, 12, 11, 6, 12);
    Average(8, 9, 8, 12, 9);
    Extend(10, 0, 8, 1, 1);
    Extend(12, 0, 8, 10, 6);
    Extend(11, 3, 8, 1, 1);
    Extend(13, 3, 8, 10, 6);
}

// How far the grey of the reference rows' modules lies from the global
// threshold: largest where the rows run through the module centres.
long long LineContrast()
{
    long long sum = 0;
    for (int line : {12, 10, 0, 8, 3, 11, 13}) {
        for (int k = 1; k <= kMaxiColumns; ++k) {
            int const g = ImgValueAve(tMod[line][k].y, tMod[line][k].x) - THRESHOLD2;
            sum += g < 0 ? -g : g;
        }
    }
    return sum;
}

// Walks line `line` with centring from record `from` toward record `to`.
void Walk(int line, int from, int to)
{
    MaxiPoint16 const a = tMod[line][from];
    MaxiPoint16 const b = tMod[line][to];
    AdjustXY36(a.x, a.y, b.x, b.y, line, from, to > from ? 1 : -1, to > from ? to - from : from - to);
}

// Line `target` (an even row) record by record beyond `near` away from
// `far` by num / den of their spacing, then walked out from its middle.
void ExtendWalked(int target, int nearLine, int farLine, int num, int den)
{
    for (int k = 1; k <= kMaxiColumns; ++k) {
        MaxiPoint16 const n = tMod[nearLine][k];
        MaxiPoint16 const f = tMod[farLine][k];
        tMod[target][k] = {n.x + static_cast<int>(static_cast<long long>(n.x - f.x) * num / den),
                           n.y + static_cast<int>(static_cast<long long>(n.y - f.y) * num / den)};
    }
    Walk(target, 15, 1);
    Walk(target, 15, kMaxiColumns);
}

// The placed lines grown with centring: lines 0, 3 and 8 walked out from
// their cluster points, then rows 4, 0, 28 and 32 from them.
void GrowLines()
{
    Walk(0, 12, 1);
    Walk(0, 18, kMaxiColumns);
    Walk(3, 12, 1);
    Walk(3, 18, kMaxiColumns);
    Walk(8, 9, 1);
    Walk(8, 21, kMaxiColumns);
    ExtendWalked(10, 0, 8, 1, 1);
    ExtendWalked(12, 0, 8, 10, 6);
    ExtendWalked(11, 3, 8, 1, 1);
    ExtendWalked(13, 3, 8, 10, 6);
}

// Under perspective the lines are no longer evenly spaced: the reference
// lines from the projective map through the six cluster points and the
// centre. False when the points give no map.
bool PlaceLinesProjective(MaxiHexagon const& h)
{
    // Cluster k sits at module (row, column) of the hexagon's corners.
    constexpr int kCorner[6][2] = {{10, 17}, {10, 11}, {16, 8}, {22, 11}, {22, 17}, {16, 20}};
    MaxiAnchorPair pairs[7];
    for (int k = 0; k < 7; ++k) {
        int const row = k < 6 ? kCorner[k][0] : 16;
        int const column = k < 6 ? kCorner[k][1] : 14;
        MaxiPoint16 const p = k < 6 ? h.point[k] : tCenter;
        pairs[k] = {static_cast<float>(2 * column + (row & 1) - 28) / 2, static_cast<float>(row - 16) * 0.8660254f,
                    static_cast<float>(p.x) / 65536, static_cast<float>(p.y) / 65536, 1};
    }
    double m[8];
    if (!FitMaxiProjective(pairs, 7, m)) {
        return false;
    }
    constexpr int kLines[7][2] = {{12, 0}, {10, 4}, {0, 10}, {8, 16}, {3, 22}, {11, 28}, {13, 32}};
    for (auto const& line : kLines) {
        for (int c = 0; c < kMaxiColumns; ++c) {
            double const u = c - 14;
            double const v = (line[1] - 16) * 0.8660254;
            double const w = 1 + m[6] * u + m[7] * v;
            if (!(w > 0.05)) {
                return false;
            }
            double const x = m[2] + (m[0] * u + m[1] * v) / w;
            double const y = m[5] + (m[3] * u + m[4] * v) / w;
            if (!(x > -4096 && x < 4096 && y > -4096 && y < 4096)) {
                return false;
            }
            tMod[line[0]][c + 1] = {static_cast<int>(x * 65536), static_cast<int>(y * 65536)};
        }
    }
    return true;
}

// What the search found for one bull's-eye of the current image.
struct Search {
    bool valid;
    int key[6];  // centre and half-extents asked for
    int clusters;
    int turn;
    int scale;
};
Search g_search;

// The orientation fixes the turn to a degree; the pitch the rings give is
// only as good as their print. Turn and scale are settled on the sharpness
// of the reference rows they place.
void SettleTurnAndScale(Search& found)
{
    MaxiHexagon& h = Hexagon2[0];
    int const foundTurn = (h.direction[0] + 300) % 360;
    found.turn = foundTurn;
    found.scale = h.scale;
    long long best = -1;
    for (int turn = foundTurn - 2; turn <= foundTurn + 2; ++turn) {
        for (int scale = 55; scale <= 67; ++scale) {
            SetClusters(h, (turn + 360) % 360, scale);
            PlaceLines(h);
            long long const sharpness = LineContrast();
            if (sharpness > best) {
                best = sharpness;
                found.turn = (turn + 360) % 360;
                found.scale = scale;
            }
        }
    }
}

}  // namespace

int ImgValueTH(int y, int x, int degree, int* dark)
{
    if (TH_SELECT == 1) {
        int const grey = ImgValueAve(y, x);
        *dark = IsDark(grey, THRESHOLD2) ? 1 : 0;
        return grey;
    }
    int const grey = ImgValueAve(y, x);
    int const sector = degree < 0 ? 0 : (degree / 64 > 17 ? 17 : degree / 64);
    *dark = Mx_Th[sector] >= grey ? 1 : 0;
    return grey;
}

void CenterRadii(int cx, int cy, int top, int bottom, int left, int right)
{
    long long sums[3] = {0, 0, 0};
    Quadrant(cx, cy, 1, -1, right, top, sums);
    Quadrant(cx, cy, -1, -1, left, top, sums);
    Quadrant(cx, cy, -1, 1, left, bottom, sums);
    Quadrant(cx, cy, 1, 1, right, bottom, sums);
    tCenter = sums[2] == 0 ? MaxiPoint16{cx << 16, cy << 16}
                           : MaxiPoint16{static_cast<int>((sums[0] << 16) / sums[2]),
                                         static_cast<int>((sums[1] << 16) / sums[2])};

    int largest = top;
    int smallest = top;
    for (int e : {bottom, left, right}) {
        largest = e > largest ? e : largest;
        smallest = e < smallest ? e : smallest;
    }
    int const reach = largest * 5 / 4;
    int const minRun = (smallest * 8636) >> 16;
    static int value[360];
    static bool valid[360];
    for (int d = 0; d < 360; ++d) {
        int* const edges = RingEdge[d];
        for (int i = 0; i < 6; ++i) {
            edges[i] = 0;
        }
        int const found = RayEdges(d, reach, minRun > 0 ? minRun : 1, edges);
        valid[d] = found == 6;
        value[d] = valid[d] ? 1121 * ((edges[4] + edges[5]) >> 10) : 0;
    }
    HALFPB = 8 * smallest > 7 * largest ? 0 : 1;
    AVE_SPAN = HALFPB != 0 ? 16 : 32;
    for (int d = 0; d < 360; ++d) {
        long long sum = 0;
        int n = 0;
        for (int k = -AVE_SPAN / 2; k < AVE_SPAN / 2; ++k) {
            int const e = (d + k + 360) % 360;
            if (valid[e]) {
                sum += value[e];
                ++n;
            }
        }
        int const r = n == 0 ? 0 : static_cast<int>((sum / n) >> 9);
        Radii360[d] = r == 0 ? 512 : r;
    }
}

int PatternFind()
{
    Polar* const dark = g_dark;
    Polar* const light = g_light;
    for (int i = 0; i < 11; ++i) {
        dark[i] = ModulePolar(kDarkModules[i][0], kDarkModules[i][1]);
    }
    for (int i = 0; i < 6; ++i) {
        light[i] = ModulePolar(kLightModules[i][0], kLightModules[i][1]);
    }
    NumH2 = 0;
    int best = -1 << 30;
    int bestTurn = 0;
    int bestScale = 0;
    int bestAgree = 0;
    for (int scale = 55; scale <= 67; ++scale) {
        SectorThresholds(scale);
        for (int turn = 0; turn < 360; ++turn) {
            int agree = 0;
            int const score = TurnScore(turn, scale, dark, light, &agree);
            if (score > best) {
                best = score;
                bestTurn = turn;
                bestScale = scale;
                bestAgree = agree;
            }
        }
    }
    // All but two of the 17 orientation modules must show their colour.
    if (bestAgree < 15) {
        return 0;
    }
    SectorThresholds(bestScale);
    MaxiHexagon& h = Hexagon2[0];
    SetClusters(h, bestTurn, bestScale);
    h.score = best;
    NumH2 = 1;
    return NumH2;
}

void Average(int line, int first, int before, int span, int after)
{
    if (span <= 0 || first - before < 0 || first + span + after >= kMaxiLines) {
        return;
    }
    MaxiPoint16 const a = tMod[line][first];
    MaxiPoint16 const b = tMod[line][first + span];
    // The step in 4096ths of the reciprocal, as the band sampling does.
    int const reciprocal = 4096 / span;
    long long const sx = static_cast<long long>(b.x - a.x) * reciprocal / 4096;
    long long const sy = static_cast<long long>(b.y - a.y) * reciprocal / 4096;
    for (int k = -before; k <= span + after; ++k) {
        tMod[line][first + k] = {static_cast<int>(a.x + sx * k), static_cast<int>(a.y + sy * k)};
    }
}

void ForgetModuleLocation() { g_search.valid = false; }

int ModuleLocation(int cx, int cy, int top, int bottom, int left, int right, int attempt)
{
    TH_SELECT = attempt & 1;
    SetMaxiThreshold(cx, cy, top, bottom, left, right);
    THRESHOLD3 = THRESHOLD2;
    // The centre, the rings and the orientation do not change with the
    // attempt: found once per bull's-eye and image.
    Search& found = g_search;
    int const key[6] = {cx, cy, top, bottom, left, right};
    bool same = found.valid;
    for (int i = 0; i < 6; ++i) {
        same = same && found.key[i] == key[i];
    }
    if (!same) {
        found.valid = true;
        for (int i = 0; i < 6; ++i) {
            found.key[i] = key[i];
        }
        CenterRadii(cx, cy, top, bottom, left, right);
        found.clusters = PatternFind();
        if (found.clusters != 0) {
            SettleTurnAndScale(found);
        }
    }
    NumH2 = found.clusters;
    if (found.clusters == 0) {
        return 1;
    }
    MaxiHexagon& h = Hexagon2[0];
    int const bestTurn = found.turn;
    int const bestScale = found.scale;
    SetClusters(h, bestTurn, bestScale);
    if (attempt >= 2) {
        // Each cluster on its own; attempt 2 through the projective map,
        // attempt 3 (or when there is no map) walked out with centring.
        RefineClusters(h, bestTurn, bestScale);
        if (attempt == 3 || !PlaceLinesProjective(h)) {
            PlaceLines(h);
            GrowLines();
        }
    } else {
        PlaceLines(h);
    }
    SampleMaxiBands();
    return 0;
}
