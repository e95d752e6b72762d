#include "decoder/core/sampling/line_shift.h"

#include <cmath>
#include <type_traits>

namespace DEC2DIvra {

namespace {

template <class Sample>
using SumOf = std::conditional_t<std::is_integral_v<Sample>, long long, double>;

// Lines up to this many samples have their level changes worked out once
// into a buffer; longer ones take each change from the samples as it is met.
constexpr unsigned kMaxBufferedSamples = 2048;

// The level changes of a line: change i is sample i + 1 less sample i, in
// the samples' own type (so that a buffered change is the very value taken
// from the samples).
template <class Sample>
struct Changes {
    Sample const* samples;
    Sample const* buffered;  // null: taken from the samples
    long long count;

    Sample operator[](long long i) const { return buffered != nullptr ? buffered[i] : samples[i + 1] - samples[i]; }
};

template <class Sample>
Changes<Sample> MakeChanges(Sample const* samples, unsigned count, Sample* buffer)
{
    Changes<Sample> changes{samples, nullptr, static_cast<long long>(count) - 1};
    if (count <= kMaxBufferedSamples) {
        for (long long i = 0; i < changes.count; ++i) {
            buffer[i] = samples[i + 1] - samples[i];
        }
        changes.buffered = buffer;
    }
    return changes;
}

// The match of the level changes with the second line's shifted by
// `delta`: change i of the first line meets change i + delta of the second.
template <class Sample>
SumOf<Sample> Match(Changes<Sample> const& first, Changes<Sample> const& second, long long delta)
{
    using Sum = SumOf<Sample>;
    long long const begin = delta < 0 ? -delta : 0;
    long long const end = first.count < second.count - delta ? first.count : second.count - delta;
    Sum sum = 0;
    if (first.buffered != nullptr && second.buffered != nullptr) {
        Sample const* const a = first.buffered;
        Sample const* const b = second.buffered;
        for (long long i = begin; i < end; ++i) {
            sum += static_cast<Sum>(a[i]) * static_cast<Sum>(b[i + delta]);
        }
        return sum;
    }
    for (long long i = begin; i < end; ++i) {
        sum += static_cast<Sum>(first[i]) * static_cast<Sum>(second[i + delta]);
    }
    return sum;
}

}  // namespace

template <class Sample>
bool FindLineShift(Sample const* first, unsigned countFirst, Sample const* second, unsigned countSecond, int offset,
                   int from, int reach, LineShift& result)
{
    using Sum = SumOf<Sample>;
    if (first == nullptr || second == nullptr || countFirst < 2 || countSecond < 2 || reach < 0) {
        return false;
    }
    // Each line's level changes are worked out once for every shift tried.
    Sample bufferFirst[kMaxBufferedSamples];
    Sample bufferSecond[kMaxBufferedSamples];
    Changes<Sample> const a = MakeChanges(first, countFirst, bufferFirst);
    Changes<Sample> const b = MakeChanges(second, countSecond, bufferSecond);
    // Level change i of the first line (samples i, i + 1) meets change
    // i + shift - offset of the second.
    auto match = [&](int shift) { return Match(a, b, static_cast<long long>(shift) - offset); };
    Sum best = 0;
    int bestShift = 0;
    bool any = false;
    // The matches beside the best one, as far as the loop has met them.
    Sum before = 0;
    Sum after = 0;
    bool beforeKnown = false;
    bool afterKnown = false;
    Sum previous = 0;
    for (int shift = from - reach; shift <= from + reach; ++shift) {
        Sum const m = match(shift);
        if (any && shift == bestShift + 1) {
            after = m;
            afterKnown = true;
        }
        if (!any || m > best) {
            best = m;
            bestShift = shift;
            before = previous;
            beforeKnown = shift > from - reach;
            afterKnown = false;
            any = true;
        }
        previous = m;
    }
    if (!any || best <= 0) {
        return false;
    }
    before = beforeKnown ? before : match(bestShift - 1);
    after = afterKnown ? after : match(bestShift + 1);
    // The peak's offset from bestShift in 1/256 sample, within half a sample.
    Sum fraction = 0;
    Sum const curvature = before - 2 * best + after;
    if (curvature < 0) {
        fraction = (before - after) * 128 / curvature;
        fraction = fraction > 128 ? 128 : (fraction < -128 ? -128 : fraction);
    }
    result.shift = bestShift + static_cast<double>(fraction) / 256;
    double const own = static_cast<double>(Match(a, a, 0)) * static_cast<double>(Match(b, b, 0));
    result.likeness = own > 0 ? static_cast<double>(best) / std::sqrt(own) : 0;
    return true;
}

template bool FindLineShift<int>(int const*, unsigned, int const*, unsigned, int, int, int, LineShift&);
template bool FindLineShift<float>(float const*, unsigned, float const*, unsigned, int, int, int, LineShift&);

}  // namespace DEC2DIvra
