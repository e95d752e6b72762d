#include "decoder/legacy/maxicode/maxi_turned_grid.h"

#include <initializer_list>

#include "decoder/legacy/engine/legacy_arctan.h"
#include "decoder/legacy/engine/legacy_arith.h"
#include "decoder/legacy/maxicode/maxi_centring.h"
#include "decoder/legacy/maxicode/maxi_cluster_search.h"
#include "decoder/legacy/maxicode/maxi_module_location.h"
#include "decoder/legacy/maxicode/maxi_projective_fit.h"

namespace {

MaxiHexagon g_turned;

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
        MaxiPoint16 const p = MaxiRayPoint(degree, m.distance, scale);
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
        MaxiPoint16 const p = MaxiRayPoint(degree, m.distance, scale);
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
        h.point[k] = MaxiRayPoint(h.direction[k], 6000, scale);
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
        h.point[k] = MaxiRayPoint(h.direction[k], 6000, bestScale);
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
    MaxiHexagon& h = g_turned;
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


// The whole orientation pattern matched at every turn and scale: 1 when all
// but two of its 17 modules show their colour.
int MatchOrientation()
{
    Polar* const dark = g_dark;
    Polar* const light = g_light;
    for (int i = 0; i < 11; ++i) {
        dark[i] = ModulePolar(MaxiOrientationDark[i][0], MaxiOrientationDark[i][1]);
    }
    for (int i = 0; i < 6; ++i) {
        light[i] = ModulePolar(MaxiOrientationLight[i][0], MaxiOrientationLight[i][1]);
    }
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
    MaxiHexagon& h = g_turned;
    SetClusters(h, bestTurn, bestScale);
    h.score = best;
    return 1;
}

}  // namespace

void ForgetTurnedGrid() { g_search.valid = false; }

int LocateTurnedGrid(int cx, int cy, int top, int bottom, int left, int right, int attempt)
{
    TH_SELECT = attempt & 1;
    SetMaxiThreshold(cx, cy, top, bottom, left, right);
    THRESHOLD3 = THRESHOLD2;
    for (auto& side : MaxiSide) {
        side[0] = tZeroXY;
        side[1] = tZeroXY;
    }
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
        found.clusters = MatchOrientation();
        if (found.clusters != 0) {
            SettleTurnAndScale(found);
        }
    }
    if (found.clusters == 0) {
        return 1;
    }
    MaxiHexagon& h = g_turned;
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
