#include "decoder/core/geometry/geometry.h"
#include "decoder/core/geometry/geometry_ex.h"
#include "decoder/matrix/dot_code/dot_code_step_vectors.h"
#include "decoder/matrix/dot_code/dot_code_sample_point.h"

namespace DEC2DIvra {

namespace {

long long Abs(long long v) { return v < 0 ? -v : v; }

unsigned long long Length(Point const& a, Point const& b) { return Geometry::CalcEuclideanDistance(a, b); }

// |cos| of the angle at `at` in 1/65536 when its two sides are alike within
// 2 : 3, else -1.
long long CornerCosine(Point const& at, Point const& p, Point const& q)
{
    unsigned long long const a = Length(at, p);
    unsigned long long const b = Length(at, q);
    if (a == 0 || b == 0 || 3 * a < 2 * b || 2 * a > 3 * b) {
        return -1;
    }
    long long const dot = (static_cast<long long>(p.x) - at.x) * (static_cast<long long>(q.x) - at.x) +
                          (static_cast<long long>(p.y) - at.y) * (static_cast<long long>(q.y) - at.y);
    return Abs(dot) * 65536 / static_cast<long long>(a * b);
}

// The Euclidean lengths of the two sides at the right angle.
unsigned long long LegSum(RightTriangle const& t)
{
    return Length(t.corner[0], t.corner[1]) + Length(t.corner[0], t.corner[2]);
}

}  // namespace

void CalcStepVectorSubroutine::Reset()
{
    bestSize_ = ~0ull;
    bestContrast_ = 256;
    vectorCount_ = 0;
    hasTriangle_ = false;
    lowContrast_ = false;
}

bool CalcStepVectorSubroutine::Start(GrayImage const& image, unsigned modeSize, bool dark, unsigned startIndex,
                                     Point* centres, unsigned& count, unsigned capacity, DotStepVectors& steps)
{
    if (startIndex == 0) {
        Reset();
    }
    if (modeSize == 0 || image.GetPixels() == nullptr) {
        return false;
    }
    bestCosine_ = 65536;
    unsigned near[kMaxNear];
    for (unsigned i = startIndex; i < count; ++i) {
        unsigned const n = CalcIndexStack(centres, count, i, modeSize, near);
        SearchSmallestTriangle(image, modeSize, dark, centres, i, near, n);
    }
    fromTriangle_ = hasTriangle_ && CalcStepVectorsFromTriangle(image, dark, steps);
    if (fromTriangle_) {
        return true;
    }
    return CalcStepVectorsFromDetachedVectors(image, modeSize, dark, startIndex, centres, count, capacity, steps);
}

unsigned CalcStepVectorSubroutine::CalcIndexStack(Point const* centres, unsigned count, unsigned index,
                                                  unsigned modeSize, unsigned* near) const
{
    // Within a square of half-width 1.5 mode sizes. A candidate within
    // half a mode size is the same dot seen twice (the locator's parts of
    // one blurred dot): no corner of a triangle of neighbours.
    long long const reach = static_cast<long long>(modeSize) * 384;
    long long const same = static_cast<long long>(modeSize) * 128;
    Point const& c = centres[index];
    unsigned n = 0;
    for (unsigned j = 0; j < count && n < kMaxNear; ++j) {
        Point const& p = centres[j];
        long long const dx = Abs(static_cast<long long>(p.x) - c.x);
        long long const dy = Abs(static_cast<long long>(p.y) - c.y);
        if (j == index || p == c || dx > reach || dy > reach || (dx < same && dy < same)) {
            continue;
        }
        near[n++] = j;
    }
    return n;
}

void CalcStepVectorSubroutine::SearchSmallestTriangle(GrayImage const& image, unsigned modeSize, bool dark,
                                                      Point const* centres, unsigned index, unsigned const* near,
                                                      unsigned n)
{
    for (unsigned a = 0; a < n; ++a) {
        PushVectorStack(image, modeSize, dark, centres[index], centres[near[a]]);
        SearchNewSmallestTriangle(centres, index, a, near, n);
    }
}

void CalcStepVectorSubroutine::SearchNewSmallestTriangle(Point const* centres, unsigned index, unsigned second,
                                                         unsigned const* near, unsigned n)
{
    for (unsigned b = second + 1; b < n; ++b) {
        Point const& third = centres[near[b]];
        if (third == centres[near[second]]) {
            continue;
        }
        SearchRightTriangle(centres[index], centres[near[second]], third);
    }
}

void CalcStepVectorSubroutine::SearchRightTriangle(Point const& candidate, Point const& second, Point const& third)
{
    unsigned long long const sides[3] = {Length(candidate, second), Length(second, third), Length(third, candidate)};
    unsigned long long const shortest =
        sides[0] < sides[1] ? (sides[0] < sides[2] ? sides[0] : sides[2]) : (sides[1] < sides[2] ? sides[1] : sides[2]);
    if (shortest >= bestSize_ || sides[0] >= bestSize_) {
        return;
    }
    Point const corners[3] = {candidate, second, third};
    long long cosine = -1;
    unsigned at = 0;
    for (unsigned k = 0; k < 3; ++k) {
        long long const c = CornerCosine(corners[k], corners[(k + 1) % 3], corners[(k + 2) % 3]);
        if (c >= 0 && (cosine < 0 || c < cosine)) {
            cosine = c;
            at = k;
        }
    }
    if (cosine < 0 || cosine >= bestCosine_) {
        return;
    }
    bestCosine_ = cosine;
    bestSize_ = sides[0];
    best_ = RightTriangle{{corners[at], corners[(at + 1) % 3], corners[(at + 2) % 3]}};
    hasTriangle_ = true;
}

void CalcStepVectorSubroutine::PushVectorStack(GrayImage const& image, unsigned modeSize, bool dark, Point const& a,
                                               Point const& b)
{
    Point const middle{static_cast<int>((static_cast<long long>(a.x) + b.x) / 2),
                       static_cast<int>((static_cast<long long>(a.y) + b.y) / 2)};
    if (!IsInnerSamplePoint(image, a) || !IsInnerSamplePoint(image, b) || !IsInnerSamplePoint(image, middle)) {
        return;
    }
    int const ground = SampleGrey(image, middle);
    int const ca = dark ? ground - SampleGrey(image, a) : SampleGrey(image, a) - ground;
    int const cb = dark ? ground - SampleGrey(image, b) : SampleGrey(image, b) - ground;
    int const contrast = ca > cb ? ca : cb;
    if (contrast * 2 <= bestContrast_) {
        lowContrast_ = lowContrast_ || contrast < 128;
        return;
    }
    if (contrast > bestContrast_) {
        bestContrast_ = contrast;
        ResetVectorStack();
    }
    if (Geometry::CalcChebyshevDistance(a, b) < modeSize * 128) {
        return;
    }
    Point p = a;
    Point q = b;
    if (!CorrectDetachedPoints(image, dark, p, q)) {
        return;
    }
    Vector v{(q.x - p.x) / 2, (q.y - p.y) / 2};
    if (v.dx < 0 || (v.dx == 0 && v.dy < 0)) {
        v = Vector{-v.dx, -v.dy};
    }
    PushNearDotVector(v, contrast);
}

void CalcStepVectorSubroutine::ResetVectorStack()
{
    unsigned kept = 0;
    for (unsigned i = 0; i < vectorCount_; ++i) {
        if (vectors_[i].contrast * 2 > bestContrast_) {
            vectors_[kept++] = vectors_[i];
        }
    }
    vectorCount_ = kept;
}

bool CalcStepVectorSubroutine::PushNearDotVector(Vector const& v, int contrast)
{
    if (vectorCount_ >= kMaxVectors) {
        return false;
    }
    vectors_[vectorCount_++] = NearDotVector{v, contrast};
    return true;
}

bool CalcStepVectorSubroutine::CalcStepVectorsFromTriangle(GrayImage const& image, bool dark,
                                                           DotStepVectors& steps) const
{
    unsigned long long const s = bestSize_;
    unsigned long long const legs = 5 * LegSum(best_);
    if (legs > 18 * s) {
        return false;
    }
    if (legs <= 11 * s) {
        return CalcRealTriangle(image, dark, false, s, steps);
    }
    if (legs <= 15 * s && CalcRealTriangle(image, dark, false, s, steps)) {
        return true;
    }
    return CalcRealTriangle(image, dark, true, s, steps);
}

bool CalcStepVectorSubroutine::CalcRealTriangle(GrayImage const& image, bool dark, bool legReading,
                                                unsigned long long size, DotStepVectors& steps) const
{
    DotStepVectors first;
    if (!FormStepVectors(best_, legReading, first)) {
        return false;
    }
    RightTriangle real = best_;
    CalcDotCenterSubroutine const centring;
    for (Point& corner : real.corner) {
        if (!centring.Start(image, first, dark, 2, corner)) {
            return false;
        }
    }
    return 5 * LegSum(real) <= 18 * size && FormStepVectors(real, legReading, steps);
}

bool CalcStepVectorSubroutine::CalcStepVectorsFromDetachedVectors(GrayImage const& image, unsigned modeSize,
                                                                  bool dark, unsigned startIndex, Point* centres,
                                                                  unsigned& count, unsigned capacity,
                                                                  DotStepVectors& steps)
{
    Vector u;
    Vector w;
    if (!CalcStepVectors(image, static_cast<int>(modeSize) * 128, dark, startIndex, centres, count, capacity, u, w)) {
        return false;
    }
    if (u.dx < 0 || (u.dx == 0 && u.dy < 0)) {
        u = Vector{-u.dx, -u.dy};
    }
    if (w.dy < 0 || (w.dy == 0 && w.dx < 0)) {
        w = Vector{-w.dx, -w.dy};
    }
    steps.Set(u, w);
    return true;
}

bool CalcStepVectorSubroutine::CalcStepVectors(GrayImage const& image, int length, bool dark, unsigned startIndex,
                                               Point* centres, unsigned& count, unsigned capacity, Vector& u,
                                               Vector& w)
{
    u = Vector{0, 0};
    w = Vector{0, 0};
    int contrast = 0;
    if (vectorCount_ != 0) {
        long long sum[2][2] = {{0, 0}, {0, 0}};
        long long members[2] = {0, 0};
        int strongest = 128;
        for (unsigned i = 0; i < vectorCount_; ++i) {
            Vector v = vectors_[i].v;
            unsigned const cls = Abs(v.dy) < v.dx ? 0u : 1u;
            if (cls == 1 && v.dy < 0) {
                v = Vector{-v.dx, -v.dy};
            }
            sum[cls][0] += v.dx;
            sum[cls][1] += v.dy;
            ++members[cls];
            strongest = vectors_[i].contrast > strongest ? vectors_[i].contrast : strongest;
        }
        if (members[0] != 0) {
            u = Vector{static_cast<int>(sum[0][0] / members[0]), static_cast<int>(sum[0][1] / members[0])};
        }
        if (members[1] != 0) {
            w = Vector{static_cast<int>(sum[1][0] / members[1]), static_cast<int>(sum[1][1] / members[1])};
        }
        if (members[0] == 0) {
            if (!CalcStepVectorFromContrast(image, dark, Vector{w.dy, -w.dx}, centres, count, capacity, 0, strongest,
                                            u, contrast)) {
                return false;
            }
            PushNearDotVector(u, contrast);
        }
        if (members[1] == 0) {
            if (!CalcStepVectorFromContrast(image, dark, Vector{-u.dy, u.dx}, centres, count, capacity, 0, strongest,
                                            w, contrast)) {
                return false;
            }
            PushNearDotVector(w, contrast);
        }
    } else {
        if (!lowContrast_) {
            return false;
        }
        if (CalcStepVectorFromContrast(image, dark, Vector{length, 0}, centres, count, capacity, startIndex, 128, u,
                                       contrast)) {
            PushNearDotVector(u, contrast);
            if (!CalcStepVectorFromContrast(image, dark, Vector{-u.dy, u.dx}, centres, count, capacity, 0,
                                            2 * contrast / 3, w, contrast)) {
                return false;
            }
            PushNearDotVector(w, contrast);
        } else {
            if (!CalcStepVectorFromContrast(image, dark, Vector{0, length}, centres, count, capacity, startIndex, 128,
                                            w, contrast)) {
                return false;
            }
            PushNearDotVector(w, contrast);
            if (!CalcStepVectorFromContrast(image, dark, Vector{w.dy, -w.dx}, centres, count, capacity, 0,
                                            2 * contrast / 3, u, contrast)) {
                return false;
            }
            PushNearDotVector(u, contrast);
        }
    }
    return (u.dx != 0 || u.dy != 0) && (w.dx != 0 || w.dy != 0);
}

}  // namespace DEC2DIvra
