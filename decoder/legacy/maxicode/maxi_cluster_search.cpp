#include "decoder/legacy/maxicode/maxi_cluster_search.h"

#include "decoder/legacy/engine/legacy_arctan.h"
#include "decoder/legacy/engine/legacy_arith.h"
#include "decoder/legacy/engine/legacy_geometry.h"
#include "decoder/legacy/maxicode/maxi_module_location.h"

MaxiPoint16 const tZeroXY = {0, 0};
MaxiPoint16W const tZeroXYZ = {0, 0, 0};
MaxiOrien Orien1[360];
MaxiHexagon Hexagon1[20];
MaxiHexagon* HexP = Hexagon1;
MaxiHexagon Hexagon2[20];
int NumH2;
unsigned char const CirShift[36] = {
    1, 2, 3, 4, 5, 0,  // one step on
    2, 3, 4, 5, 0, 1,  // two
    3, 4, 5, 0, 1, 2,  // three: the opposite cluster
    4, 5, 0, 1, 2, 3,  // four
    5, 0, 1, 2, 3, 4,  // five: one step back
    0, 0, 0, 0, 0, 0,
};
int Lmax;
int Lcur;
int const MaxiOrientationDark[11][2] = {
    {9, 10}, {9, 11}, {10, 11}, {15, 7}, {16, 8}, {16, 20}, {17, 20}, {22, 10}, {22, 17}, {23, 10}, {23, 17},
};
int const MaxiOrientationLight[6][2] = {{10, 17}, {10, 18}, {16, 7}, {16, 21}, {22, 11}, {23, 16}};

namespace {

// The outer dark ring's middle lies 4.121 module pitches from the centre and
// the radius table counts 280.25 units a pixel of it; scale 61 is the nominal
// pitch (scales 55..67 allow for rings printed fat or thin).
constexpr int kNominalScale = 61;

// A module of a cluster: its turn from the cluster's corner direction
// (degrees), its distance (1/1000 pitch) and its colour.
struct ClusterModule {
    int turn;
    int distance;
    bool dark;
};
struct ClusterShape {
    ClusterModule module[4];
    int count;
};
ClusterShape g_shape[6];

void BuildShapes()
{
    for (auto& s : g_shape) {
        s.count = 0;
    }
    for (int i = 0; i < 17; ++i) {
        bool const dark = i < 11;
        int const row = dark ? MaxiOrientationDark[i][0] : MaxiOrientationLight[i - 11][0];
        int const column = dark ? MaxiOrientationDark[i][1] : MaxiOrientationLight[i - 11][1];
        // Odd rows sit half a pitch to the right; rows are sqrt(3)/2 apart.
        int const u = 1000 * (2 * column + (row & 1) - 28) / 2;
        int const v = -866 * (row - 16);  // up
        int const angle = rough_arctan(v, u);
        int const k = ((angle + 30) / 60 + 5) % 6;  // nearest corner 60 (k + 1)
        ClusterShape& s = g_shape[k];
        if (s.count < 4) {
            s.module[s.count++] = {angle - 60 * (k + 1), int_sqrt33(u * u + v * v), dark};
        }
    }
}

int Wrap(int degree) { return ((degree % 360) + 360) % 360; }

int Opposite(int degree) { return degree < 181 ? degree + 180 : degree - 180; }

// Cyclic distance of two directions.
int Apart(int a, int b)
{
    int const d = Wrap(a - b);
    return d > 180 ? 360 - d : d;
}

// The scale in the circle test's terms: its expected length is
// scale * 6 * R / 65536 pixels.
int CircleScale(int scale) { return static_cast<int>(262144LL * scale / 281797); }

// Whether the module at the point shows `dark`: against the sector
// threshold, or (strict) only when all four pixels of its cell agree.
bool Shows(MaxiPoint16 p, int degree, bool dark, bool strict)
{
    if (strict) {
        int grey = 0;
        int const same = ImgSame4(p.y, p.x, degree, &grey);
        return same == (dark ? 1 : 0);
    }
    int isDark = 0;
    ImgValueTH(p.y, p.x, degree, &isDark);
    return (isDark != 0) == dark;
}

// Cluster k seen with its corner in direction d: its modules and the
// opposite cluster's on the opposite ray.
bool DegreeMatches(int d, int k, int scale, bool strict)
{
    for (int side = 0; side < 2; ++side) {
        int const c = side == 0 ? k : CirShift[6 * 2 + k];
        int const corner = side == 0 ? d : d + 180;
        ClusterShape const& s = g_shape[c];
        for (int m = 0; m < s.count; ++m) {
            int const degree = Wrap(corner + s.module[m].turn);
            if (!Shows(MaxiRayPoint(degree, s.module[m].distance, scale), degree, s.module[m].dark, strict)) {
                return false;
            }
        }
    }
    return true;
}

// Candidates of each cluster: the middles of the runs of matching degrees.
constexpr int kCandidates = 8;
struct Candidate {
    int direction;
    int length;
    MaxiPoint16 point;
};
Candidate g_candidate[6][kCandidates];
int g_candidates[6];

// A recorded pair of cluster c: the directions of clusters c + 1, c and
// c - 1, the points measured of them (weight 0 where none) and its score.
constexpr int kPairs = 3;
struct Pair {
    int direction[3];
    MaxiPoint16W point[3];
    int score;
};
Pair g_pair[6][kPairs];
int g_pairs[6];
int g_scale;

void Record(int c, Pair const& p)
{
    int n = g_pairs[c];
    if (n == kPairs && g_pair[c][kPairs - 1].score >= p.score) {
        return;
    }
    int at = n < kPairs ? n : kPairs - 1;
    while (at > 0 && g_pair[c][at - 1].score < p.score) {
        g_pair[c][at] = g_pair[c][at - 1];
        --at;
    }
    g_pair[c][at] = p;
    g_pairs[c] = n < kPairs ? n + 1 : kPairs;
}

// Whether cluster c has a candidate opposite `direction` (171..189 degrees).
int HasOpposite(int c, int direction)
{
    for (int n = 0; n < g_candidates[c]; ++n) {
        if (Apart(g_candidate[c][n].direction, direction) >= 171) {
            return 1;
        }
    }
    return 0;
}

void FindCandidates(int scale, bool strict)
{
    for (int d = 0; d < 360; ++d) {
        MaxiOrien& o = Orien1[d];
        MaxiPoint16 const near = MaxiRayPoint(d, 6000, scale);
        MaxiPoint16 const far = MaxiRayPoint(d + 180, 6000, scale);
        o.x[0] = near.x;
        o.y[0] = near.y;
        o.x[1] = far.x;
        o.y[1] = far.y;
        o.x[2] = tCenter.x;
        o.y[2] = tCenter.y;
        o.scale = scale;
        o.grey = ImgValueAve(near.y, near.x);
        o.clusters = 0;
        for (int k = 0; k < 6; ++k) {
            o.clusters |= DegreeMatches(d, k, scale, strict) ? 1 << k : 0;
        }
    }
    for (int k = 0; k < 6; ++k) {
        g_candidates[k] = 0;
        int start = -1;
        for (int d = 0; d < 360; ++d) {
            if ((Orien1[d].clusters >> k & 1) == 0) {
                start = d;
                break;
            }
        }
        if (start < 0) {
            continue;  // every degree: a ring, not a cluster
        }
        int run = 0;
        for (int i = 1; i <= 360; ++i) {
            int const d = (start + i) % 360;
            if ((Orien1[d].clusters >> k & 1) != 0) {
                ++run;
                continue;
            }
            if (run > 0 && run <= 46 && g_candidates[k] < kCandidates) {
                int const middle = Wrap(d - 1 - (run - 1) / 2);
                g_candidate[k][g_candidates[k]++] = {middle, run, MaxiRayPoint(middle, 6000, scale)};
            }
            run = 0;
        }
    }
}

}  // namespace

void SectorThresholds(int scale)
{
    int low[6];
    int high[6];
    for (int i = 0; i < 6; ++i) {
        low[i] = 1023;
        high[i] = 0;
    }
    for (int d = 0; d < 360; ++d) {
        MaxiPoint16 const p = MaxiRayPoint(d, 6000, scale);
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

namespace {

// Six directions from one pair of cluster i: set when nothing is fixed yet,
// else taken only when all three lie within 5 degrees of those fixed.
void Ang2to6(int* mask, int i, Pair const& pair, int directions[6], int* score, int* deviation)
{
    int const next = CirShift[i];
    int const previous = CirShift[6 * 4 + i];
    int const at[3] = {next, i, previous};
    if (*mask == 0) {
        for (int n = 0; n < 3; ++n) {
            directions[at[n]] = pair.direction[n];
        }
        directions[CirShift[6 * 2 + i]] = Opposite(directions[i]);
        directions[CirShift[6 * 1 + i]] = Opposite(directions[previous]);
        directions[CirShift[6 * 3 + i]] = Opposite(directions[next]);
        *score = pair.score + 256;
        *mask = 1 << i;
        return;
    }
    int sum = 0;
    for (int n = 0; n < 3; ++n) {
        int const off = Apart(pair.direction[n], directions[at[n]]);
        if (off > 5) {
            return;
        }
        sum += off;
    }
    *score += pair.score + 256;
    *deviation += sum;
    *mask |= 1 << i;
}

void AddPositions(MaxiHexagon& h, int const chosen[6], int mask)
{
    for (int i = 0; i < 6; ++i) {
        if ((mask >> i & 1) == 0) {
            continue;
        }
        Pair const& pair = g_pair[i][chosen[i]];
        int const at[3] = {CirShift[i], i, CirShift[6 * 4 + i]};
        for (int n = 0; n < 3; ++n) {
            MaxiPoint16W const& p = pair.point[n];
            if (p.weight == 0) {
                continue;
            }
            h.sum[at[n]].x += p.x / 64;
            h.sum[at[n]].y += p.y / 64;
            h.sum[at[n]].weight += 1;
        }
    }
}

int BitCount(int v)
{
    int n = 0;
    for (; v != 0; v &= v - 1) {
        ++n;
    }
    return n;
}

// One pass at one scale: candidates, pairs, the best combination; the
// record into Hexagon2 when at least three pairs agree.
bool Pass(int scale, bool strict)
{
    g_scale = scale;
    FindCandidates(scale, strict);
    for (int i = 0; i < 6; ++i) {
        g_pairs[i] = 0;
    }
    for (int i = 0; i < 6; ++i) {
        ScreenPattern(i);
        if (strict) {
            ScreenPattern1(i);
        }
    }
    Probability();
    if (BitCount(Lcur) < 3 || NumH2 >= 20) {
        return false;
    }
    MaxiHexagon& h = Hexagon2[NumH2++];
    h = *HexP;
    h.scale = scale;
    h.score = Lmax;
    for (int k = 0; k < 6; ++k) {
        MaxiPoint16W const& s = h.sum[k];
        h.point[k] = s.weight == 0 ? MaxiRayPoint(h.direction[k], 6000, scale)
                                   : MaxiPoint16{s.x / s.weight * 64, s.y / s.weight * 64};
    }
    return true;
}

int Search(bool strict, bool global)
{
    NumH2 = 0;
    for (int scale = 55; scale <= 67; ++scale) {
        if (!global) {
            SectorThresholds(scale);
        }
        if (!Pass(scale, strict) && NumH2 > 0) {
            break;  // past the scales that fit
        }
    }
    return NumH2;
}

}  // namespace

int MaxiPitch(int degree, int scale)
{
    long long const ring = Radii360[Wrap(degree)];  // 280.25 a pixel
    return static_cast<int>(ring * scale * 4 * 65536 / (1121LL * 4121 * kNominalScale / 1000));
}

MaxiPoint16 MaxiRayPoint(int degree, int distance, int scale)
{
    degree = Wrap(degree);
    long long const reach = static_cast<long long>(MaxiPitch(degree, scale)) * distance / 1000;
    return {tCenter.x + static_cast<int>(reach * my_cos104_33(degree) / 100000),
            tCenter.y - static_cast<int>(reach * my_sin104_33(degree) / 100000)};
}

int OnCircle(int* out, int dx, int dy, int scale, int tolerance)
{
    int const ax = dx < 0 ? -dx : dx;
    int const ay = dy < 0 ? -dy : dy;
    int const large = ax > ay ? ax : ay;
    int const small = ax > ay ? ay : ax;
    // The base angle from the ratio of the smaller to the larger coordinate.
    int const ratio = large == 0 ? 0 : static_cast<int>(65530LL * small / large);
    int const low = search_arctan(ratio);
    int const b = ax >= ay ? low : 90 - low;  // from the x axis, 0..90
    // Mirrored by the signs; y points down, angles count counter-clockwise.
    int a = b;
    if (dx < 0 && dy <= 0) {
        a = 180 - b;
    } else if (dx < 0 && dy > 0) {
        a = 180 + b;
    } else if (dx >= 0 && dy > 0) {
        a = Wrap(360 - b);
    }
    long long const r = Radii360[a];
    long long const s = static_cast<long long>(my_sin104_33(b)) * 65536 / 100000;
    long long const c = static_cast<long long>(my_cos104_33(b)) * 65536 / 100000;
    long long const e = static_cast<long long>(scale) * 6 * ((s * r) / 65536 + (c * r) / 65536) / 256;
    long long const length = ax / 256 + ay / 256;
    *out = static_cast<int>(length > e ? length - e : e - length);
    if (length < e * (256 - tolerance) / 256 || length > e * (256 + tolerance) / 256) {
        return -1;
    }
    return a;
}

int ImgSame4(int y, int x, int degree, int* grey)
{
    int const i = x >> 16;
    int const j = y >> 16;
    int const threshold = Mx_Th[degree < 0 ? 0 : (degree / 64 > 17 ? 17 : degree / 64)];
    int const g[4] = {ImgValue0(i, j), ImgValue0(i + 1, j), ImgValue0(i, j + 1), ImgValue0(i + 1, j + 1)};
    *grey = g[0];
    int dark = 0;
    for (int v : g) {
        dark += threshold > v ? 1 : 0;
    }
    return dark == 4 ? 1 : (dark == 0 ? 0 : -1);
}

void ScreenPattern(int i)
{
    int const j = CirShift[i];
    for (int n = 0; n < g_candidates[i]; ++n) {
        Candidate const& a = g_candidate[i][n];
        for (int m = 0; m < g_candidates[j]; ++m) {
            Candidate const& b = g_candidate[j][m];
            int const turn = Wrap(b.direction - a.direction);
            if (turn < 15 || turn > 105) {
                continue;
            }
            int deviation = 0;
            int const angle =
                OnCircle(&deviation, b.point.x - a.point.x, b.point.y - a.point.y, CircleScale(g_scale), 20);
            if (angle < 0) {
                continue;
            }
            // The side from cluster i to i + 1 runs opposite cluster i - 1.
            int const previous = Opposite(angle);
            Pair p;
            p.direction[0] = b.direction;
            p.direction[1] = a.direction;
            p.direction[2] = previous;
            p.point[0] = {b.point.x, b.point.y, 1};
            p.point[1] = {a.point.x, a.point.y, 1};
            p.point[2] = tZeroXYZ;
            p.score = 1 + HasOpposite(CirShift[6 * 2 + i], a.direction) + HasOpposite(CirShift[6 * 2 + j], b.direction) +
                      HasOpposite(CirShift[6 * 4 + i], previous);
            Record(i, p);
        }
    }
}

void ScreenPattern1(int i)
{
    int const j = CirShift[6 + i];
    int const middle = CirShift[i];
    for (int n = 0; n < g_candidates[i]; ++n) {
        Candidate const& a = g_candidate[i][n];
        for (int m = 0; m < g_candidates[j]; ++m) {
            Candidate const& b = g_candidate[j][m];
            int const turn = Wrap(b.direction - a.direction);
            if (turn < 75 || turn > 165) {
                continue;
            }
            // The corner between two others of a hexagon lies at their sum
            // about the centre: it must lie on the circle too.
            int const mx = a.point.x - tCenter.x + b.point.x - tCenter.x;
            int const my = a.point.y - tCenter.y + b.point.y - tCenter.y;
            int deviation = 0;
            int const angle = OnCircle(&deviation, mx, my, CircleScale(g_scale), 20);
            if (angle < 0) {
                continue;
            }
            Pair p;
            p.direction[0] = b.direction;
            p.direction[1] = angle;
            p.direction[2] = a.direction;
            p.point[0] = {b.point.x, b.point.y, 1};
            p.point[1] = tZeroXYZ;
            p.point[2] = {a.point.x, a.point.y, 1};
            p.score = 1 + HasOpposite(CirShift[6 * 2 + i], a.direction) + HasOpposite(CirShift[6 * 2 + j], b.direction);
            Record(middle, p);
        }
    }
}

void Probability()
{
    Lmax = 0;
    Lcur = 0;
    HexP = &Hexagon1[0];
    int options[6];
    long long combinations = 1;
    for (int i = 0; i < 6; ++i) {
        options[i] = g_pairs[i] + 1;  // or no pair of cluster i
        combinations *= options[i];
    }
    int bestDeviation = 0;
    for (long long n = 0; n < combinations; ++n) {
        int chosen[6];
        long long rest = n;
        for (int i = 0; i < 6; ++i) {
            chosen[i] = static_cast<int>(rest % options[i]) - 1;
            rest /= options[i];
        }
        int mask = 0;
        int score = 0;
        int deviation = 0;
        int directions[6] = {0, 0, 0, 0, 0, 0};
        for (int i = 0; i < 6; ++i) {
            if (chosen[i] >= 0) {
                Ang2to6(&mask, i, g_pair[i][chosen[i]], directions, &score, &deviation);
            }
        }
        if (mask == 0) {
            continue;
        }
        bool const better = score > Lmax || (score == Lmax && mask == Lcur && deviation < bestDeviation);
        bool const same = score == Lmax && mask == Lcur && deviation == bestDeviation;
        if (better) {
            MaxiHexagon& h = *HexP;
            for (int k = 0; k < 6; ++k) {
                h.direction[k] = directions[k];
                h.sum[k] = tZeroXYZ;
            }
            Lmax = score;
            Lcur = mask;
            bestDeviation = deviation;
        }
        // A combination counts once: with no pair outside its mask.
        bool canonical = true;
        for (int i = 0; i < 6; ++i) {
            canonical = canonical && (chosen[i] < 0 || (mask >> i & 1) != 0);
        }
        if ((better || same) && canonical) {
            AddPositions(*HexP, chosen, mask);
        }
    }
}

int PatternFind()
{
    static bool const built = (BuildShapes(), true);
    (void)built;
    return Search(false, false);
}

int PatternSearch(int attempt)
{
    static bool const built = (BuildShapes(), true);
    (void)built;
    // Cut at the bull's-eye's own threshold on the attempts that use it.
    bool const global = (attempt & 1) != 0;
    for (int i = 0; i < 18 && global; ++i) {
        Mx_Th[i] = THRESHOLD2;
    }
    return Search(true, global);
}
