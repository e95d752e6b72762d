#include "decoder/matrix/aztec/aztec_grid_measures.h"

#include "decoder/core/geometry/geometry.h"
#include "decoder/core/geometry/geometry_ex.h"
#include "decoder/core/sampling/calc_edge_point_subroutine.h"

#include <bit>

namespace DEC2DIvra {

namespace {

// Weights (a at even, b at odd positions) and their length per sample
// count from 5 to 10.
struct CorrelationWeights {
    int a;
    int b;
    int length;
};
constexpr CorrelationWeights kWeights[] = {
    {-410, 614, 1122}, {-512, 512, 1254}, {-439, 585, 1341},
    {-512, 512, 1448}, {-455, 519, 1463}, {-512, 512, 1619},
};

// Integer square root (rounded down) by Newton's iteration. The iteration
// falls to the root from any start at or above it; it starts at the power of
// two just above the root, a few steps from it, rather than at the value.
unsigned long long SquareRoot(unsigned long long value)
{
    if (value < 2) {
        return value;
    }
    unsigned const bits = static_cast<unsigned>(std::bit_width(value));
    unsigned long long x = 1ULL << ((bits + 1) / 2);
    unsigned long long y = (x + value / x) / 2;
    while (y < x) {
        x = y;
        y = (x + value / x) / 2;
    }
    return x;
}

// One coordinate of the samples along a segment: start + floor((2 s delta +
// n) / 2 n) for s = 0, 1, ..., with one division at the start and none per
// sample.
class SampleWalk {
public:
    SampleWalk(int start, int delta, int n) : start_(start), twice_(2 * n)
    {
        long long const step = 2LL * delta;
        stepQuotient_ = FloorDiv(step, twice_, stepRemainder_);
        quotient_ = FloorDiv(n, twice_, remainder_);
    }
    int Position() const { return static_cast<int>(start_ + quotient_); }
    void Next()
    {
        quotient_ += stepQuotient_;
        remainder_ += stepRemainder_;
        if (remainder_ >= twice_) {
            remainder_ -= twice_;
            ++quotient_;
        }
    }

private:
    // Quotient rounded toward minus infinity, remainder 0 .. by - 1.
    static long long FloorDiv(long long value, long long by, long long& remainder)
    {
        long long q = value / by;
        remainder = value - q * by;
        if (remainder < 0) {
            remainder += by;
            --q;
        }
        return q;
    }

    long long start_;
    long long twice_;
    long long stepQuotient_ = 0;
    long long stepRemainder_ = 0;
    long long quotient_ = 0;
    long long remainder_ = 0;
};

}  // namespace

bool CalcModuleCenterSubroutine::Start(GrayImage const& image, LineSegment const& segment, bool colour,
                                       unsigned edgeMode, Point& centre) const
{
    Point middle{};
    Geometry::CalcCenterPoint(segment.begin, segment.end, middle);
    CalcEdgePointSubroutine const edge;
    Point before{};
    Point after{};
    if (!edge.Start(image, middle, segment.begin, colour, edgeMode, before) ||
        !edge.Start(image, middle, segment.end, colour, edgeMode, after)) {
        return false;
    }
    Geometry::CalcCenterPoint(before, after, centre);
    return true;
}

bool CalcGridCorrelationSubroutine::Start(GrayImage const& image, bool laplacian, unsigned count,
                                          LineSegment const& segment, bool colour, int& correlation) const
{
    if (count < kMinSamples || count > kMaxSamples || image.GetPixels() == nullptr) {
        return false;
    }
    int samples[kMaxSamples];
    long long sum = 0;
    // Sample s at ((count - 1 - s) begin + s end) / (count - 1), rounded to
    // nearest with halves upward as every dividing point is: begin plus
    // floor((2 s delta + n) / 2 n) with n = count - 1, kept as a quotient
    // and a remainder that each sample moves by one step.
    int const den = static_cast<int>(count) - 1;
    SampleWalk x(segment.begin.x, segment.end.x - segment.begin.x, den);
    SampleWalk y(segment.begin.y, segment.end.y - segment.begin.y, den);
    // Every sample lies between the ends: with both ends' pixels inside the
    // image, so are all the samples', and no read needs clamping.
    auto readsInside = [&image](Point const& p) {
        return p.x >= 0 && p.y >= 0 && (p.x >> 8) + 1 < image.GetWidth() && (p.y >> 8) + 1 < image.GetHeight();
    };
    bool const inside = !laplacian && readsInside(segment.begin) && readsInside(segment.end);
    for (unsigned s = 0; s < count; ++s) {
        Point const p{x.Position(), y.Position()};
        samples[s] = static_cast<int>(inside      ? GeometryEx::GetLuminanceInside(image, p)
                                      : laplacian ? GeometryEx::GetLapLuminance(image, p, 8)
                                                  : GeometryEx::GetLuminance(image, p, 8));
        sum += samples[s];
        x.Next();
        y.Next();
    }
    long long const mean = sum / count;
    CorrelationWeights const& w = kWeights[count - kMinSamples];
    long long weighted = 0;
    unsigned long long squares = 0;
    for (unsigned s = 0; s < count; ++s) {
        long long const deviation = colour ? samples[s] - mean : mean - samples[s];
        weighted += (s % 2 == 0 ? w.a : w.b) * deviation;
        squares += static_cast<unsigned long long>(deviation * deviation);
    }
    long long const root = static_cast<long long>(SquareRoot(squares));
    long long const divisor = root == 0 ? w.length : root * w.length;
    correlation = static_cast<int>(4096 * weighted / divisor);
    return true;
}

}  // namespace DEC2DIvra
