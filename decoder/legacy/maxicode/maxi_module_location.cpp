#include "decoder/legacy/maxicode/maxi_module_location.h"

#include <initializer_list>

#include "decoder/legacy/engine/legacy_arctan.h"
#include "decoder/legacy/engine/legacy_arith.h"
#include "decoder/legacy/engine/legacy_geometry.h"
#include "decoder/legacy/maxicode/maxi_centring.h"
#include "decoder/legacy/maxicode/maxi_cluster_search.h"
#include "decoder/legacy/maxicode/maxi_line_growth.h"
#include "decoder/legacy/maxicode/maxi_turned_grid.h"

MaxiPoint16 tCenter;
int RingEdge[360][6];
int Radii360[360];
int AVE_SPAN;
int HALFPB;
int Mx_Th[18];

namespace {

bool IsDark(int grey, int threshold) { return threshold >= grey; }

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
        long long const x = a.x + sx * k;
        long long const y = a.y + sy * k;
        tMod[line][first + k] = {static_cast<int>(x < -kMaxiReach ? -kMaxiReach : (x > kMaxiReach ? kMaxiReach : x)),
                                 static_cast<int>(y < -kMaxiReach ? -kMaxiReach : (y > kMaxiReach ? kMaxiReach : y))};
    }
}

namespace {

// What the search found for one bull's-eye of the current image: the
// centre, the ring radii and the orientation records do not change with the
// attempt, which changes only the thresholds of the sampling and the choice
// at crossings.
struct Found {
    bool valid;
    int key[6];  // centre and half-extents asked for
    MaxiPoint16 centre;
    int radii[360];
    int span;
    int halved;
    int threshold[18];
    int count;
    MaxiHexagon record[20];
};
Found g_found;

// The six cluster points: the weighted means over the records that agree
// with the best one within 5 degrees in every direction.
void ClusterPoints(MaxiPoint16 points[6], int* best)
{
    *best = 0;
    for (int n = 1; n < NumH2; ++n) {
        *best = Hexagon2[n].score > Hexagon2[*best].score ? n : *best;
    }
    MaxiHexagon const& b = Hexagon2[*best];
    for (int k = 0; k < 6; ++k) {
        long long x = 0;
        long long y = 0;
        long long w = 0;
        for (int n = 0; n < NumH2; ++n) {
            MaxiHexagon const& h = Hexagon2[n];
            int const off = ((h.direction[k] - b.direction[k]) % 360 + 540) % 360 - 180;
            if (off < -5 || off > 5) {
                continue;
            }
            x += static_cast<long long>(h.point[k].x) * h.score;
            y += static_cast<long long>(h.point[k].y) * h.score;
            w += h.score;
        }
        points[k] = w == 0 ? b.point[k] : MaxiPoint16{static_cast<int>(x / w), static_cast<int>(y / w)};
    }
}

}  // namespace

void ForgetModuleLocation()
{
    g_found.valid = false;
    ForgetTurnedGrid();
}

int ModuleLocation(int cx, int cy, int top, int bottom, int left, int right, int attempt)
{
    TH_SELECT = attempt & 1;
    METHOD1 = attempt < 2 ? 1 : 0;
    SetMaxiThreshold(cx, cy, top, bottom, left, right);
    THRESHOLD3 = THRESHOLD2;
    Found& found = g_found;
    int const key[6] = {cx, cy, top, bottom, left, right};
    bool same = found.valid;
    for (int i = 0; i < 6; ++i) {
        same = same && found.key[i] == key[i];
    }
    if (!same) {
        CenterRadii(cx, cy, top, bottom, left, right);
        if (PatternFind() == 0) {
            PatternSearch(attempt);
        }
        found.valid = true;
        for (int i = 0; i < 6; ++i) {
            found.key[i] = key[i];
        }
        found.centre = tCenter;
        for (int d = 0; d < 360; ++d) {
            found.radii[d] = Radii360[d];
        }
        found.span = AVE_SPAN;
        found.halved = HALFPB;
        for (int i = 0; i < 18; ++i) {
            found.threshold[i] = Mx_Th[i];
        }
        found.count = NumH2;
        for (int n = 0; n < NumH2; ++n) {
            found.record[n] = Hexagon2[n];
        }
    } else {
        tCenter = found.centre;
        for (int d = 0; d < 360; ++d) {
            Radii360[d] = found.radii[d];
        }
        AVE_SPAN = found.span;
        HALFPB = found.halved;
        for (int i = 0; i < 18; ++i) {
            Mx_Th[i] = found.threshold[i];
        }
        NumH2 = found.count;
        for (int n = 0; n < NumH2; ++n) {
            Hexagon2[n] = found.record[n];
        }
    }
    if (NumH2 == 0) {
        return 1;
    }
    MaxiPoint16 clusters[6];
    int best = 0;
    ClusterPoints(clusters, &best);
    MaxiHexagon const& middle = Hexagon2[NumH2 / 2];
    GrowReferenceLines(clusters, middle.direction[0], middle.direction[1], middle.direction[2]);
    SampleMaxiBands();
    return 0;
}
