#include "decoder/matrix/dot_code_step_vectors.h"

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

bool CalcStepVectorSubroutine::CalcStepVectorsFromTriangle(RightTriangle const& t, bool legReading,
                                                           DotStepVectors& steps)
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

bool CalcStepVectorSubroutine::Start(GrayImage const& image, unsigned modeSize, bool dark, unsigned startIndex,
                                     Point const* centres, unsigned count, DotStepVectors& steps) const
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
            if (!CalcStepVectorsFromTriangle(kept[t], r == 1, first)) {
                continue;
            }
            RightTriangle refined = kept[t];
            bool centred = true;
            for (Point& corner : refined.corner) {
                centred = centred && centring.Start(image, first, dark, 2, corner);
            }
            DotStepVectors result;
            if (!centred || !CalcStepVectorsFromTriangle(refined, r == 1, result)) {
                continue;
            }
            // The axes of a dot grid are alike in pitch and square to each
            // other; print at a slant stays well within these bounds.
            Vector const& u = result.v[0];
            Vector const& w = result.v[1];
            long long const u2 = static_cast<long long>(u.dx) * u.dx + static_cast<long long>(u.dy) * u.dy;
            long long const w2 = static_cast<long long>(w.dx) * w.dx + static_cast<long long>(w.dy) * w.dy;
            long long const dot = static_cast<long long>(u.dx) * w.dx + static_cast<long long>(u.dy) * w.dy;
            if (u2 * 10 < w2 * 6 || w2 * 10 < u2 * 6 || dot * dot * 8 > u2 * w2) {
                continue;
            }
            long long score = 0;
            for (unsigned i = 0; i < count; ++i) {
                int contrast = 0;
                if (CalcDotContrast(image, result, dark, centres[i], contrast)) {
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

}  // namespace DEC2DIvra
