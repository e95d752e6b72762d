#include "decoder/matrix/aztec/aztec_grid_measures.h"

#include "decoder/core/geometry/geometry.h"
#include "decoder/core/geometry/geometry_ex.h"
#include "decoder/core/sampling/calc_edge_point_subroutine.h"

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

// Integer square root by Newton's iteration started at the value itself.
unsigned long long SquareRoot(unsigned long long value)
{
    if (value < 2) {
        return value;
    }
    unsigned long long x = value;
    unsigned long long y = (x + 1) / 2;
    while (y < x) {
        x = y;
        y = (x + value / x) / 2;
    }
    return x;
}

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
    // nearest with halves upward as every dividing point is.
    long long const den = count - 1;
    auto divide = [den](long long num) {
        long long const twice = 2 * num + den;
        long long const q = twice / (2 * den);
        return static_cast<int>(twice % (2 * den) < 0 ? q - 1 : q);
    };
    for (unsigned s = 0; s < count; ++s) {
        long long const a = static_cast<long long>(count - 1 - s);
        long long const b = s;
        Point const p{divide(a * segment.begin.x + b * segment.end.x), divide(a * segment.begin.y + b * segment.end.y)};
        samples[s] = static_cast<int>(laplacian ? GeometryEx::GetLapLuminance(image, p, 8)
                                                : GeometryEx::GetLuminance(image, p, 8));
        sum += samples[s];
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
