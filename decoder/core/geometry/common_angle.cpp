#include "decoder/core/geometry/common_angle.h"

#include "decoder/core/arithmetic/dec_math.h"

namespace DEC2DIvra {

namespace {

// True when the direction (x, y) (mathematical orientation, first quadrant,
// y >= 0, x > 0 or on the axes) lies at or beyond table angle `index`.
bool AtOrBeyond(long long x, long long y, int index)
{
    long long const c = DecMath::SineTable(index + static_cast<int>(DecMath::kTableSize / 4));
    long long const s = DecMath::SineTable(index);
    // The cross product of the table direction with (x, y); both factors are
    // below 2^32 and 2^30, so neither product nor difference overflows.
    return c * y - s * x >= 0;
}

}  // namespace

bool CommonAngle::CalcAngleValue(int dx, int dy, unsigned bits, unsigned& value)
{
    if (bits == 0 || bits > kMaxBits || (dx == 0 && dy == 0)) {
        return false;
    }
    // Mathematical orientation: y up.
    long long x = dx;
    long long y = -static_cast<long long>(dy);
    // Keep magnitudes below 2^30 so the cross products stay in 64 bits.
    while (x >= (1LL << 30) || x <= -(1LL << 30) || y >= (1LL << 30) || y <= -(1LL << 30)) {
        x /= 2;
        y /= 2;
    }
    // Turn the direction into the first quadrant [0, 90) degrees.
    int quadrant = 0;
    while (!(x > 0 && y >= 0)) {
        long long const t = x;
        x = y;
        y = -t;
        ++quadrant;
    }
    // The largest table index j in [0, 256) with the direction at or beyond j.
    int low = 0;
    int high = static_cast<int>(DecMath::kTableSize / 4) - 1;
    while (low < high) {
        int const mid = (low + high + 1) / 2;
        if (AtOrBeyond(x, y, mid)) {
            low = mid;
        } else {
            high = mid - 1;
        }
    }
    unsigned const index = static_cast<unsigned>(quadrant) * (DecMath::kTableSize / 4) + static_cast<unsigned>(low);
    // Table steps per value step is a power of two >= 2 for bits <= 9; the
    // halfway boundaries lie on table entries, so rounding is exact.
    unsigned const stepsPerValue = DecMath::kTableSize >> bits;
    value = ((index + stepsPerValue / 2) / stepsPerValue) & ((1u << bits) - 1);
    return true;
}

bool CommonAngle::CalcAngleVector(unsigned value, unsigned bits, Vector& step)
{
    static constexpr Vector kSteps[8] = {{1, 0}, {1, -1}, {0, -1}, {-1, -1}, {-1, 0}, {-1, 1}, {0, 1}, {1, 1}};
    if (bits == 0 || bits > 31) {
        return false;
    }
    unsigned direction = 0;
    if (bits <= 3) {
        direction = value << (3 - bits);
    } else {
        unsigned const shift = bits - 3;
        direction = static_cast<unsigned>((static_cast<unsigned long long>(value) + (1ULL << (shift - 1))) >> shift);
    }
    step = kSteps[direction & 7];
    return true;
}

}  // namespace DEC2DIvra
