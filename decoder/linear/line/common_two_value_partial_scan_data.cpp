#include "decoder/linear/line/common_two_value_partial_scan_data.h"

#include "decoder/core/arithmetic/dec_math.h"
#include "decoder/linear/line/magnitude_and_index.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kNarrow = 1;
constexpr unsigned kWide = 2;

int CompareMagnitude(MagnitudeAndIndex const& a, MagnitudeAndIndex const& b)
{
    return (b.magnitude > a.magnitude) - (b.magnitude < a.magnitude);
}

int ClampToInt(long long v)
{
    return v > 0x7FFFFFFFLL ? 0x7FFFFFFF : (v < -0x7FFFFFFFLL ? -0x7FFFFFFF : static_cast<int>(v));
}

}  // namespace

bool CommonTwoValuePartialScanData::CalcPattern(int lowestRank, int highestRank, bool reversed, unsigned first,
                                                unsigned stride, unsigned count, unsigned referenceSeparation,
                                                TwoValuePattern& result, bool& ambiguous) const
{
    result = TwoValuePattern{};
    ambiguous = false;
    if (count == 0 || count > kMaxRuns || stride == 0 ||
        static_cast<unsigned long long>(first) + static_cast<unsigned long long>(count - 1) * stride >= GetLength()) {
        return false;
    }

    // 1. One record per run, in line order.
    MagnitudeAndIndex runs[kMaxRuns];
    int greys[kMaxRuns];
    long long widest = 0;
    long long narrowest = 0;
    long long strongest = 0;
    long long weakest = 0;
    for (unsigned i = 0; i < count; ++i) {
        PartialScanElement const& e = (*this)[first + i * stride];
        long long const width = static_cast<long long>(e.end) - e.begin;
        runs[i].index = static_cast<int>(i);
        runs[i].modules = kNarrow;
        runs[i].magnitude = ClampToInt(e.magnitude);
        runs[i].rawWidth = ClampToInt(width);
        runs[i].samples = e.samples;
        greys[i] = e.grey;
        if (i == 0 || width > widest) {
            widest = width;
        }
        if (i == 0 || width < narrowest) {
            narrowest = width;
        }
        if (i == 0 || runs[i].magnitude > strongest) {
            strongest = runs[i].magnitude;
        }
        if (i == 0 || runs[i].magnitude < weakest) {
            weakest = runs[i].magnitude;
        }
    }

    // 2. The largest step between neighbouring magnitude ranks.
    MagnitudeAndIndex sorted[kMaxRuns];
    for (unsigned i = 0; i < count; ++i) {
        sorted[i] = runs[i];
    }
    DecMath::HeapSort(sorted, count, &CompareMagnitude);
    // Ranks count from the strongest run: the step below rank r parts r
    // wide runs from the rest, so limits bound the number of wide runs.
    // Ascending, that step is between sorted entries count - r - 1 and
    // count - r.
    long long const n = count;
    long long const fewest = lowestRank == kNoLowestRank ? 1 : (lowestRank > 1 ? lowestRank : 1);
    long long const most = highestRank == kNoHighestRank ? n - 1 : (highestRank < n - 1 ? highestRank : n - 1);
    long long const high = n - fewest;
    long long const low = n - most - 1;
    long long largest = -1;
    bool clear = false;
    for (long long j = high; j > low; --j) {
        long long const step = static_cast<long long>(sorted[j].magnitude) - sorted[j - 1].magnitude;
        if (largest < 0) {
            largest = step;
            clear = true;
        } else if (step >= largest) {
            clear = 2 * step > 3 * largest;
            largest = step;
        }
    }

    // 3. Walk the runs and class each by its rise or fall from the previous.
    unsigned classes[kMaxRuns];
    auto magnitudeAt = [&](unsigned p) -> long long { return runs[reversed ? count - 1 - p : p].magnitude; };
    for (unsigned p = 0; p < count; ++p) {
        classes[p] = kNarrow;
    }
    if (largest > 0) {
        long long deepestRise = -1;
        long long deepestFall = -1;
        for (unsigned p = 1; p < count; ++p) {
            long long const change = magnitudeAt(p) - magnitudeAt(p - 1);
            if (change >= largest) {
                // A wide run rising again: what came before it since the last
                // narrow run was narrow after all.
                if (classes[p - 1] == kWide && change > deepestRise) {
                    deepestRise = change;
                    for (unsigned q = p; q > 0 && classes[q - 1] == kWide; --q) {
                        classes[q - 1] = kNarrow;
                    }
                }
                classes[p] = kWide;
            } else if (-change >= largest) {
                if (classes[p - 1] == kNarrow && -change > deepestFall) {
                    deepestFall = -change;
                    for (unsigned q = p; q > 0 && classes[q - 1] == kNarrow; --q) {
                        classes[q - 1] = kWide;
                    }
                }
                classes[p] = kNarrow;
            } else {
                classes[p] = classes[p - 1];
            }
        }
    }

    // 4. Class means and the tests against the reference separation.
    long long sums[2][2] = {{0, 0}, {0, 0}};  // [narrow, wide][width, magnitude]
    long long counts[2] = {0, 0};
    long long narrowHighGrey = 0;
    long long narrowLowGrey = 0;
    unsigned long long bits = 0;
    for (unsigned p = 0; p < count; ++p) {
        unsigned const i = reversed ? count - 1 - p : p;
        unsigned const c = classes[p] == kWide ? 1 : 0;
        if (c == 0) {
            narrowHighGrey = counts[0] == 0 || greys[i] > narrowHighGrey ? greys[i] : narrowHighGrey;
            narrowLowGrey = counts[0] == 0 || greys[i] < narrowLowGrey ? greys[i] : narrowLowGrey;
        }
        sums[c][0] += runs[i].rawWidth;
        sums[c][1] += runs[i].magnitude;
        ++counts[c];
        bits = (bits << 1) | c;
    }
    auto allNarrow = [&]() {
        result = TwoValuePattern{};
        result.narrowWidth = ClampToInt((sums[0][0] + sums[1][0]) / static_cast<long long>(count));
        result.narrowMagnitude = ClampToInt((sums[0][1] + sums[1][1]) / static_cast<long long>(count));
        return true;
    };
    if (counts[0] == 0) {
        return false;
    }
    if (counts[1] == 0) {
        return allNarrow();
    }
    long long const narrowMagnitude = sums[0][1] / counts[0];
    long long const wideMagnitude = sums[1][1] / counts[1];
    long long const difference = wideMagnitude - narrowMagnitude;
    long long const reference = referenceSeparation;
    if (7 * difference <= 3 * reference) {
        return allNarrow();
    }
    if (7 * difference <= 4 * reference) {
        return false;
    }
    bool const separate = GetDarkMaximum() < GetLightMinimum();
    if (lowestRank == kNoLowestRank && highestRank == kNoHighestRank) {
        if (separate ? widest > 8 * narrowest : strongest > 8 * weakest) {
            return false;
        }
    }
    ambiguous = !separate && clear && wideMagnitude < 4 * narrowMagnitude &&
                static_cast<long long>(GetContrast()) < 4 * (narrowHighGrey - narrowLowGrey);
    result.pattern = static_cast<unsigned>(bits);
    result.wideCount = static_cast<unsigned>(counts[1]);
    result.narrowWidth = ClampToInt(sums[0][0] / counts[0]);
    result.narrowMagnitude = ClampToInt(narrowMagnitude);
    result.wideWidth = ClampToInt(sums[1][0] / counts[1]);
    result.wideMagnitude = ClampToInt(wideMagnitude);
    return true;
}

}  // namespace DEC2DIvra
