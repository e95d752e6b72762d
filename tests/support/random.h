#pragma once
// A small seeded generator (SplitMix64). The standard distributions differ
// between library versions; test frames must not.

#include <cmath>
#include <cstdint>
#include <numbers>

namespace support {

class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}

    uint64_t next()
    {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Uniform in [0, 1).
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

    double uniform(double low, double high) { return low + (high - low) * uniform(); }

    // Uniform integer in [low, high].
    int integer(int low, int high)
    {
        auto const span = static_cast<uint64_t>(static_cast<int64_t>(high) - low + 1);
        return low + static_cast<int>(next() % span);
    }

    // Standard normal by Box-Muller; the second value of each pair is kept.
    double gaussian()
    {
        if (haveSpare_) {
            haveSpare_ = false;
            return spare_;
        }
        double const u1 = 1.0 - uniform(); // (0, 1]: log stays finite
        double const u2 = uniform();
        double const r = std::sqrt(-2.0 * std::log(u1));
        spare_ = r * std::sin(2.0 * std::numbers::pi * u2);
        haveSpare_ = true;
        return r * std::cos(2.0 * std::numbers::pi * u2);
    }

private:
    uint64_t state_;
    double spare_ = 0.0;
    bool haveSpare_ = false;
};

} // namespace support
