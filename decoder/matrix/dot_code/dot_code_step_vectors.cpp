#include "decoder/matrix/dot_code/dot_code_step_vectors.h"

#include "decoder/core/geometry/geometry_ex.h"
#include "decoder/matrix/dot_code/dot_code_sample_point.h"

namespace DEC2DIvra {

namespace {

long long Abs(long long v) { return v < 0 ? -v : v; }

long long Length2(Point const& a, Point const& b)
{
    long long const dx = static_cast<long long>(b.x) - a.x;
    long long const dy = static_cast<long long>(b.y) - a.y;
    return dx * dx + dy * dy;
}

unsigned SquareRoot(unsigned long long v)
{
    unsigned long long r = 0;
    unsigned long long bit = 1ull << 62;
    while (bit > v) {
        bit >>= 2;
    }
    while (bit != 0) {
        if (v >= r + bit) {
            v -= r + bit;
            r = (r >> 1) + bit;
        } else {
            r >>= 1;
        }
        bit >>= 2;
    }
    return static_cast<unsigned>(r);
}

// Cosine of the angle at `at` in 1/65536, as an absolute value; legs alike
// within 2 : 3 or -1.
long long CornerCosine(Point const& at, Point const& p, Point const& q)
{
    long long const a2 = Length2(at, p);
    long long const b2 = Length2(at, q);
    if (a2 == 0 || b2 == 0 || 4 * a2 > 9 * b2 || 4 * b2 > 9 * a2) {
        return -1;
    }
    long long const dot = (static_cast<long long>(p.x) - at.x) * (q.x - at.x) +
                          (static_cast<long long>(p.y) - at.y) * (q.y - at.y);
    unsigned long long const lengths = static_cast<unsigned long long>(SquareRoot(static_cast<unsigned long long>(a2))) *
                                       SquareRoot(static_cast<unsigned long long>(b2));
    return lengths == 0 ? -1 : Abs(dot) * 65536 / static_cast<long long>(lengths);
}

}  // namespace

bool CalcStepVectorSubroutine::FormStepVectors(RightTriangle const& t, bool legReading, DotStepVectors& steps)
{
    Vector first;
    Vector second;
    if (legReading) {
        first = Vector{t.corner[1].x - t.corner[0].x, t.corner[1].y - t.corner[0].y};
        second = Vector{t.corner[2].x - t.corner[0].x, t.corner[2].y - t.corner[0].y};
    } else {
        first = Vector{t.corner[2].x - t.corner[1].x, t.corner[2].y - t.corner[1].y};
        second = Vector{t.corner[1].x + t.corner[2].x - 2 * t.corner[0].x,
                        t.corner[1].y + t.corner[2].y - 2 * t.corner[0].y};
    }
    bool const firstIsU = Abs(first.dx) > Abs(first.dy);
    Vector const& a = firstIsU ? first : second;
    Vector const& b = firstIsU ? second : first;
    Vector const u{static_cast<int>(Abs(a.dx) / 2), a.dx < 0 ? -a.dy / 2 : a.dy / 2};
    Vector const w{b.dy < 0 ? -b.dx / 2 : b.dx / 2, static_cast<int>(Abs(b.dy) / 2)};
    if ((u.dx == 0 && u.dy == 0) || (w.dx == 0 && w.dy == 0)) {
        return false;
    }
    steps.Set(u, w);
    return true;
}

bool CalcStepVectorSubroutine::StartByScoredTriangles(GrayImage const& image, unsigned modeSize, bool dark,
                                                      unsigned startIndex, Point const* centres, unsigned count,
                                                      DotStepVectors& steps) const
{
    if (modeSize == 0 || count < 3) {
        return false;
    }
    // Diagonal neighbours lie about 1.4 pitches apart, and a dot is under a
    // pitch wide: look well beyond the dot size.
    long long const reach = static_cast<long long>(modeSize) * 256 * 5 / 2;
    // The smallest right triangles with alike legs, smallest first.
    constexpr unsigned kKept = 6;
    RightTriangle kept[kKept];
    long long keptSide[kKept];
    unsigned keptCount = 0;
    constexpr unsigned kMaxNeighbours = 16;
    unsigned near[kMaxNeighbours];
    for (unsigned i = 0; i < count; ++i) {
        Point const& c = centres[i];
        unsigned n = 0;
        for (unsigned j = 0; j < count && n < kMaxNeighbours; ++j) {
            Point const& p = centres[j];
            if (j == i || (p.x == c.x && p.y == c.y) || Abs(static_cast<long long>(p.x) - c.x) > reach ||
                Abs(static_cast<long long>(p.y) - c.y) > reach) {
                continue;
            }
            near[n++] = j;
        }
        for (unsigned a = 0; a < n; ++a) {
            for (unsigned b = a + 1; b < n; ++b) {
                Point const& p = centres[near[a]];
                Point const& q = centres[near[b]];
                // A triangle seen before has no new corner.
                if ((p.x == q.x && p.y == q.y) || (i < startIndex && near[a] < startIndex && near[b] < startIndex)) {
                    continue;
                }
                long long const cosine = CornerCosine(c, p, q);
                if (cosine < 0 || cosine >= 65536 / 4) {
                    continue;
                }
                long long const side = Length2(c, p) < Length2(c, q) ? Length2(c, p) : Length2(c, q);
                unsigned at = keptCount;
                while (at > 0 && keptSide[at - 1] > side) {
                    --at;
                }
                if (at >= kKept) {
                    continue;
                }
                unsigned const last = keptCount < kKept ? keptCount : kKept - 1;
                for (unsigned k = last; k > at; --k) {
                    kept[k] = kept[k - 1];
                    keptSide[k] = keptSide[k - 1];
                }
                kept[at] = RightTriangle{{c, p, q}};
                keptSide[at] = side;
                keptCount = keptCount < kKept ? keptCount + 1 : kKept;
            }
        }
    }
    // Each triangle in both readings (three diagonal neighbours, or two
    // steps along the axes), its corners re-centred: with the right vectors
    // every dot has ground on all four sides, with wrong ones some of its
    // sides are dots; the vectors that leave the candidates standing out
    // most win.
    CalcDotCenterSubroutine const centring;
    long long bestScore = -1;
    for (unsigned t = 0; t < keptCount; ++t) {
        for (unsigned r = 0; r < 2; ++r) {
            DotStepVectors first;
            if (!FormStepVectors(kept[t], r == 1, first)) {
                continue;
            }
            RightTriangle refined = kept[t];
            bool centred = true;
            for (Point& corner : refined.corner) {
                centred = centred && centring.Start(image, first, dark, 2, corner);
            }
            DotStepVectors result;
            if (!centred || !FormStepVectors(refined, r == 1, result)) {
                continue;
            }
            if (!IsLikeDotGrid(result.v[0], result.v[1])) {
                continue;
            }
            long long score = 0;
            for (unsigned i = 0; i < count; ++i) {
                int contrast = 0;
                if (CalcMeanDotContrast(image, result, dark, centres[i], contrast)) {
                    score += contrast;
                }
            }
            if (score > bestScore) {
                bestScore = score;
                steps = result;
            }
        }
    }
    return bestScore > 0;
}

bool IsLikeDotGrid(Vector const& u, Vector const& w)
{
    long long const u2 = static_cast<long long>(u.dx) * u.dx + static_cast<long long>(u.dy) * u.dy;
    long long const w2 = static_cast<long long>(w.dx) * w.dx + static_cast<long long>(w.dy) * w.dy;
    long long const dot = static_cast<long long>(u.dx) * w.dx + static_cast<long long>(u.dy) * w.dy;
    return u2 != 0 && w2 != 0 && u2 * 10 >= w2 * 6 && w2 * 10 >= u2 * 6 && dot * dot * 8 <= u2 * w2;
}

bool CorrectDetachedPoints(GrayImage const& image, bool dark, Point& a, Point& b)
{
    Vector const half{(b.x - a.x) / 2, (b.y - a.y) / 2};
    DotStepVectors steps;
    steps.Set(half, Vector{-half.dy, half.dx});
    CalcDotCenterSubroutine const centring;
    return centring.Start(image, steps, dark, 1, a) && centring.Start(image, steps, dark, 1, b);
}

bool CalcStepVectorSubroutine::CalcStepVectorFromContrast(GrayImage const& image, bool dark, Vector const& direction,
                                                          Point* centres, unsigned& count, unsigned capacity,
                                                          unsigned first, int threshold, Vector& found, int& contrast)
{
    Vector const half{direction.dx / 2, direction.dy / 2};
    if (half.dx == 0 && half.dy == 0) {
        return false;
    }
    unsigned const candidates = count;
    for (int k = 1; k <= 5; ++k) {
        for (unsigned i = first; i < candidates; ++i) {
            for (int sign = 1; sign >= -1; sign -= 2) {
                Vector const v{sign * k * half.dx, sign * k * half.dy};
                Point const ground{centres[i].x + v.dx, centres[i].y + v.dy};
                Point dot{centres[i].x + 2 * v.dx, centres[i].y + 2 * v.dy};
                // A candidate near the edge of the image is passed over: the
                // others may still find the axis.
                if (!IsInnerSamplePoint(image, ground) || !IsInnerSamplePoint(image, dot)) {
                    continue;
                }
                int const difference =
                    dark ? SampleGrey(image, ground) - SampleGrey(image, dot) : SampleGrey(image, dot) - SampleGrey(image, ground);
                Point from = centres[i];
                if (difference <= threshold || !CorrectDetachedPoints(image, dark, from, dot)) {
                    continue;
                }
                // A dot two pitches away across ground, as the detached pairs.
                found = Vector{sign * (dot.x - from.x) / 2, sign * (dot.y - from.y) / 2};
                contrast = difference;
                if (found.dx == 0 && found.dy == 0) {
                    return false;
                }
                centres[i] = from;
                if (count < capacity) {
                    centres[count++] = dot;
                }
                return true;
            }
        }
    }
    return false;
}

bool CalcStepVectorSubroutine::CalcStepVectorsFromCandidatePairs(GrayImage const& image, unsigned modeSize,
                                                                  bool dark, Point const* given, unsigned count,
                                                                  DotStepVectors& steps)
{
    // The probes re-centre candidates in place: on a copy.
    constexpr unsigned kMaxCandidates = 128;
    Point centres[kMaxCandidates];
    count = count < kMaxCandidates ? count : kMaxCandidates;
    for (unsigned i = 0; i < count; ++i) {
        centres[i] = given[i];
    }
    long long const reach = static_cast<long long>(modeSize) * 256 * 5 / 2;
    long long const nearest = static_cast<long long>(modeSize) * 128;
    // Pairs with ground between them, the best contrast first kept: a pair
    // at under half the best is across a dot or off the grid.
    long long sum[2][2] = {{0, 0}, {0, 0}};
    long long members[2] = {0, 0};
    int best = 0;
    constexpr unsigned kMaxPairs = 64;
    struct Pair {
        Vector v;
        int contrast;
    } pairs[kMaxPairs];
    unsigned pairCount = 0;
    bool lowContrast = false;
    for (unsigned i = 0; i < count; ++i) {
        for (unsigned j = i + 1; j < count; ++j) {
            Point a = centres[i];
            Point b = centres[j];
            long long const dx = Abs(static_cast<long long>(b.x) - a.x);
            long long const dy = Abs(static_cast<long long>(b.y) - a.y);
            if ((dx < nearest && dy < nearest) || dx > reach || dy > reach) {
                continue;
            }
            Point const middle{(a.x + b.x) / 2, (a.y + b.y) / 2};
            if (!IsInnerSamplePoint(image, a) || !IsInnerSamplePoint(image, b) || !IsInnerSamplePoint(image, middle)) {
                continue;
            }
            int const ground = SampleGrey(image, middle);
            int const ca = dark ? ground - SampleGrey(image, a) : SampleGrey(image, a) - ground;
            int const cb = dark ? ground - SampleGrey(image, b) : SampleGrey(image, b) - ground;
            int const contrast = ca > cb ? ca : cb;
            if (contrast * 2 <= best) {
                lowContrast = lowContrast || contrast < 128;
                continue;
            }
            if (contrast > best) {
                best = contrast;
                unsigned kept = 0;
                for (unsigned p = 0; p < pairCount; ++p) {
                    if (pairs[p].contrast * 2 > best) {
                        pairs[kept++] = pairs[p];
                    }
                }
                pairCount = kept;
            }
            if (pairCount >= kMaxPairs || !CorrectDetachedPoints(image, dark, a, b)) {
                continue;
            }
            Vector v{(b.x - a.x) / 2, (b.y - a.y) / 2};
            if (v.dx < 0 || (v.dx == 0 && v.dy < 0)) {
                v = Vector{-v.dx, -v.dy};
            }
            pairs[pairCount++] = Pair{v, contrast};
        }
    }
    int strongest = 128;
    for (unsigned p = 0; p < pairCount; ++p) {
        Vector v = pairs[p].v;
        unsigned const cls = Abs(v.dy) < v.dx ? 0u : 1u;
        if (cls == 1 && v.dy < 0) {
            v = Vector{-v.dx, -v.dy};
        }
        sum[cls][0] += v.dx;
        sum[cls][1] += v.dy;
        ++members[cls];
        strongest = pairs[p].contrast > strongest ? pairs[p].contrast : strongest;
    }
    Vector u{0, 0};
    Vector w{0, 0};
    if (members[0] != 0) {
        u = Vector{static_cast<int>(sum[0][0] / members[0]), static_cast<int>(sum[0][1] / members[0])};
    }
    if (members[1] != 0) {
        w = Vector{static_cast<int>(sum[1][0] / members[1]), static_cast<int>(sum[1][1] / members[1])};
    }
    int contrast = 0;
    // A dot across the other axis stands out as the pairs' dots do; beyond
    // half the best of them, as a pair is kept.
    strongest /= 2;
    if (pairCount != 0) {
        if (members[1] == 0 &&
            !CalcStepVectorFromContrast(image, dark, Vector{-u.dy, u.dx}, centres, count, count, 0, strongest, w,
                                            contrast)) {
            return false;
        }
        if (members[0] == 0 &&
            !CalcStepVectorFromContrast(image, dark, Vector{w.dy, -w.dx}, centres, count, count, 0, strongest, u,
                                            contrast)) {
            return false;
        }
    } else {
        // Faint dots give no pair at all: probe along the image axes.
        int const length = static_cast<int>(nearest);
        if (!lowContrast) {
            return false;
        }
        if (CalcStepVectorFromContrast(image, dark, Vector{length, 0}, centres, count, count, 0, 128, u, contrast)) {
            if (!CalcStepVectorFromContrast(image, dark, Vector{-u.dy, u.dx}, centres, count, count, 0, 2 * contrast / 3, w,
                                            contrast)) {
                return false;
            }
        } else if (!CalcStepVectorFromContrast(image, dark, Vector{0, length}, centres, count, count, 0, 128, w, contrast) ||
                   !CalcStepVectorFromContrast(image, dark, Vector{w.dy, -w.dx}, centres, count, count, 0, 2 * contrast / 3, u,
                                               contrast)) {
            return false;
        }
    }
    // Turned as the triangles' vectors are.
    if (u.dx < 0 || (u.dx == 0 && u.dy < 0)) {
        u = Vector{-u.dx, -u.dy};
    }
    if (w.dy < 0 || (w.dy == 0 && w.dx < 0)) {
        w = Vector{-w.dx, -w.dy};
    }
    if (!IsLikeDotGrid(u, w)) {
        return false;
    }
    // With the right vectors every candidate has ground on its four sides;
    // vectors from a mix of axis and diagonal pairs put dots there.
    DotStepVectors result;
    result.Set(u, w);
    unsigned standing = 0;
    for (unsigned i = 0; i < count; ++i) {
        int c = 0;
        standing += CalcMeanDotContrast(image, result, dark, centres[i], c) && c * 2 > strongest ? 1u : 0u;
    }
    if (standing * 4 < count * 3) {
        return false;
    }
    steps = result;
    return true;
}

}  // namespace DEC2DIvra
