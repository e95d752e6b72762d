#include "decoder/core/arithmetic/dec_math.h"

#include <cmath>

namespace DEC2DIvra {

namespace {

// Built once before main runs (and on first use, should a static initialiser
// elsewhere need it earlier).
class SineTableData {
public:
    SineTableData()
    {
        // One quarter from the library, the rest by symmetry, so that equal
        // angles give bit-equal values in every quarter.
        constexpr unsigned quarter = DecMath::kTableSize / 4;
        double const step = 2.0 * 3.14159265358979323846 / DecMath::kTableSize;
        for (unsigned i = 0; i <= quarter; ++i) {
            values_[i] = std::llround(std::sin(step * static_cast<double>(i)) * 4294967296.0);
        }
        for (unsigned i = 0; i <= quarter; ++i) {
            values_[quarter + i] = values_[quarter - i];
        }
        for (unsigned i = 1; i < 2 * quarter; ++i) {
            values_[2 * quarter + i] = -values_[i];
        }
        values_[2 * quarter] = 0;
    }

    long long const* Values() const { return values_; }

private:
    long long values_[DecMath::kTableSize];
};

// The first look-up builds the table.
long long const startUpEntry = DecMath::SineTable(0);

}  // namespace

// Zero (null) before any initialiser runs: constant-initialised.
std::atomic<long long const*> DecMath::sineValues_{nullptr};

long long const* DecMath::BuildSineTable()
{
    static SineTableData const table;
    sineValues_.store(table.Values(), std::memory_order_release);
    return table.Values();
}

int DecMath::ACos(Real32 value)
{
    long long const x = value.GetRaw();
    // The answer is the number of half-step boundaries 2k + 1 (k = 0 .. 255)
    // with x <= cos(boundary); cos falls over the range, so halve the range.
    int low = 0;
    int high = kTurn / 2;
    while (low < high) {
        int const k = (low + high) / 2;
        long long const boundary = SineTable(2 * k + 1 + static_cast<int>(kTableSize / 4));
        if (x <= boundary) {
            low = k + 1;
        } else {
            high = k;
        }
    }
    return low;
}

int DecMath::ASin(Real32 value)
{
    long long const x = value.GetRaw();
    // Boundaries 2k + 1 for k = -128 .. 127; sin rises over the range.
    int low = -kTurn / 4;
    int high = kTurn / 4;
    while (low < high) {
        int const k = low + (high - low) / 2;
        long long const boundary = SineTable(2 * k + 1);
        if (x >= boundary) {
            low = k + 1;
        } else {
            high = k;
        }
    }
    return low;
}

unsigned DecMath::Combination(unsigned n, unsigned r)
{
    if (r > n) {
        return 0;
    }
    if (r > n - r) {
        r = n - r;
    }
    unsigned long long result = 1;
    for (unsigned i = 0; i < r; ++i) {
        // result * (n - i) / (i + 1) stays an integer at every step.
        result = result * (n - i) / (i + 1);
    }
    return static_cast<unsigned>(result);
}

unsigned DecMath::Sqrt(unsigned long long value)
{
    unsigned long long root = 0;
    unsigned long long bit = 1ULL << 62;
    while (bit > value) {
        bit >>= 2;
    }
    while (bit != 0) {
        if (value >= root + bit) {
            value -= root + bit;
            root = (root >> 1) + bit;
        } else {
            root >>= 1;
        }
        bit >>= 2;
    }
    return static_cast<unsigned>(root);
}

}  // namespace DEC2DIvra
