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
    long long bestSide = -1;
    long long bestCosine = 65536 / 4;  // within about 15 degrees of a right angle
    RightTriangle best{};
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
                if (cosine < 0) {
                    continue;
                }
                long long const side = Length2(c, p) < Length2(c, q) ? Length2(c, p) : Length2(c, q);
                // Smaller triangles first (diagonal neighbours), then the squarer.
                bool const better = bestSide < 0 || side * 10 < bestSide * 8 ||
                                    (side * 8 <= bestSide * 10 && cosine < bestCosine);
                if (cosine < 65536 / 4 && better) {
                    bestSide = side;
                    bestCosine = cosine;
                    best = RightTriangle{{c, p, q}};
                }
            }
        }
    }
    if (bestSide < 0) {
        return false;
    }
    // Three diagonal neighbours or two steps along the axes: with the right
    // vectors every dot has ground on all four sides, with the other
    // reading its four sides are dot positions, about half of them dots.
    DotStepVectors readings[2];
    long long scores[2] = {-1, -1};
    for (unsigned r = 0; r < 2; ++r) {
        if (!CalcStepVectorsFromTriangle(best, r == 1, readings[r])) {
            continue;
        }
        long long sum = 0;
        for (unsigned i = 0; i < count; ++i) {
            int contrast = 0;
            if (CalcDotContrast(image, readings[r], dark, centres[i], contrast)) {
                sum += contrast;
            }
        }
        scores[r] = sum;
    }
    if (scores[0] < 0 && scores[1] < 0) {
        return false;
    }
    bool const legReading = scores[1] > scores[0];
    DotStepVectors const& first = readings[legReading ? 1 : 0];
    CalcDotCenterSubroutine const centring;
    RightTriangle refined = best;
    for (Point& corner : refined.corner) {
        if (!centring.Start(image, first, dark, 2, corner)) {
            return false;
        }
    }
    return CalcStepVectorsFromTriangle(refined, legReading, steps);
}

}  // namespace DEC2DIvra
