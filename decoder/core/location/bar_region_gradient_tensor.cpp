#include "decoder/core/location/bar_region_gradient_tensor.h"

#include "decoder/core/arithmetic/dec_math.h"

namespace DEC2DIvra {

namespace {

long long Abs(long long v) { return v < 0 ? -v : v; }

// The doubled-angle vector (xx - yy, 2 xy), both halved together until each
// is below 2^30, so that squares and sums of squares stay in 64 bits.
void ScaledDoubledVector(GradientTensor const& t, long long& a, long long& b, unsigned& shift)
{
    a = t.xx - t.yy;
    b = 2 * t.xy;
    shift = 0;
    while (Abs(a) >= (1LL << 30) || Abs(b) >= (1LL << 30)) {
        a /= 2;
        b /= 2;
        ++shift;
    }
}

// The first quarter turn of the sine table: the table directions
// (c[j], s[j]) at j = 0 .. 255 table steps (1024 to a turn).
struct QuarterTurn {
    static constexpr int kSteps = static_cast<int>(DecMath::kTableSize / 4);
    long long c[kSteps];
    long long s[kSteps];

    QuarterTurn()
    {
        for (int j = 0; j < kSteps; ++j) {
            c[j] = DecMath::SineTable(j + kSteps);
            s[j] = DecMath::SineTable(j);
        }
    }

    // Whether direction (x, y) (first quadrant) lies at or beyond table
    // direction j: their cross product, both factors below 2^32 and 2^30.
    bool IsAtOrBeyond(long long x, long long y, int j) const { return c[j] * y - s[j] * x >= 0; }
};

// The table step of direction (x, y) of the first quadrant, within a step
// or so: atan of the smaller over the larger part as
// t (pi / 4 + 0.273 (1 - t)), off by less than 0.004 radians.
int EstimateStep(long long x, long long y)
{
    static constexpr double kQuarterSteps = DecMath::kTableSize / 4;
    static constexpr double kStepsPerRadian = DecMath::kTableSize / (2 * 3.14159265358979323846);
    bool const steep = y > x;
    double const t = steep ? static_cast<double>(x) / static_cast<double>(y)
                           : static_cast<double>(y) / static_cast<double>(x);
    double const radians = t * (0.78539816339744831 + 0.273 * (1 - t));
    double const steps = radians * kStepsPerRadian;
    int const j = static_cast<int>(steep ? kQuarterSteps - steps : steps);
    return j < 0 ? 0 : (j >= QuarterTurn::kSteps ? QuarterTurn::kSteps - 1 : j);
}

QuarterTurn const& Quarter()
{
    static QuarterTurn const quarter;
    return quarter;
}

}  // namespace

bool GradientTensor::CalcDirection(int& ux, int& uy) const
{
    long long a = 0;
    long long b = 0;
    unsigned shift = 0;
    ScaledDoubledVector(*this, a, b, shift);
    long long const d = DecMath::Sqrt(static_cast<unsigned long long>(a * a + b * b));
    if (d == 0) {
        return false;
    }
    // Eigenvector of the larger principal energy: (a + d, b) or, equally,
    // (b, d - a); the one whose first or second part is at least d is taken so
    // that no cancellation loses it.
    long long vx = a >= 0 ? a + d : b;
    long long vy = a >= 0 ? b : d - a;
    long long const length = DecMath::Sqrt(static_cast<unsigned long long>(vx * vx + vy * vy));
    if (length == 0) {
        return false;
    }
    ux = static_cast<int>(vx * 65536 / length);
    uy = static_cast<int>(vy * 65536 / length);
    return true;
}

bool GradientTensor::CalcDoubledAngle(unsigned& angle) const
{
    long long a = 0;
    long long b = 0;
    unsigned shift = 0;
    ScaledDoubledVector(*this, a, b, shift);
    if (a == 0 && b == 0) {
        return false;
    }
    // The table angle of the vector (a, b) (y down), rounded to every other
    // table step: the direction turned into the first quadrant of y up, the
    // last table direction it lies at or beyond. A floating-point estimate
    // of that step is moved onto it by the exact cross products, so that the
    // step is the one a search over all the table's directions finds.
    long long x = a;
    long long y = -b;
    unsigned quadrant = 0;
    while (!(x > 0 && y >= 0)) {
        long long const t = x;
        x = y;
        y = -t;
        ++quadrant;
    }
    QuarterTurn const& quarter = Quarter();
    int j = EstimateStep(x, y);
    while (j > 0 && !quarter.IsAtOrBeyond(x, y, j)) {
        --j;
    }
    while (j + 1 < QuarterTurn::kSteps && quarter.IsAtOrBeyond(x, y, j + 1)) {
        ++j;
    }
    unsigned const index = quadrant * static_cast<unsigned>(QuarterTurn::kSteps) + static_cast<unsigned>(j);
    // Two table steps to a 9-bit angle; halfway rounds up.
    angle = ((index + 1) / 2) & 511u;
    return true;
}

}  // namespace DEC2DIvra
