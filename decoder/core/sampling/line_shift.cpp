#include "decoder/core/sampling/line_shift.h"

#include <cmath>
#include <type_traits>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define SCANNER_SHIFT_AVX2 1
#include <immintrin.h>

#include "decoder/core/processor_lanes.h"
#endif

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
    // Whole-number changes all within +-32767, as 16-bit words, where the
    // processor has 256-bit lanes; else null.
    short const* narrow = nullptr;

    Sample operator[](long long i) const { return buffered != nullptr ? buffered[i] : samples[i + 1] - samples[i]; }
};

#if defined(SCANNER_SHIFT_AVX2)
// The changes samples[i + 1] - samples[i], i below `count`, as 16-bit
// words, sixteen at a time where they fit; whether all lie within +-32767.
__attribute__((target("avx2"))) bool NarrowChanges(int const* samples, long long count, short* narrow)
{
    __m256i lowest = _mm256_set1_epi32(0);
    __m256i highest = _mm256_set1_epi32(0);
    long long i = 0;
    for (; i + 16 <= count; i += 16) {
        auto const* p = reinterpret_cast<__m256i const*>(samples + i);
        auto const* q = reinterpret_cast<__m256i const*>(samples + i + 1);
        __m256i const first = _mm256_sub_epi32(_mm256_loadu_si256(q), _mm256_loadu_si256(p));
        __m256i const second = _mm256_sub_epi32(_mm256_loadu_si256(q + 1), _mm256_loadu_si256(p + 1));
        lowest = _mm256_min_epi32(lowest, _mm256_min_epi32(first, second));
        highest = _mm256_max_epi32(highest, _mm256_max_epi32(first, second));
        // The packing interleaves the halves of its two sources: put back in
        // order.
        __m256i const words = _mm256_permute4x64_epi64(_mm256_packs_epi32(first, second), _MM_SHUFFLE(3, 1, 2, 0));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(narrow + i), words);
    }
    alignas(32) int lows[8];
    alignas(32) int highs[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lows), lowest);
    _mm256_store_si256(reinterpret_cast<__m256i*>(highs), highest);
    bool fits = true;
    for (int k = 0; k < 8; ++k) {
        fits = fits && lows[k] >= -32767 && highs[k] <= 32767;
    }
    for (; i < count && fits; ++i) {
        long long const change = static_cast<long long>(samples[i + 1]) - samples[i];
        fits = change >= -32767 && change <= 32767;
        narrow[i] = static_cast<short>(change);
    }
    return fits;
}
#endif

template <class Sample>
Changes<Sample> MakeChanges(Sample const* samples, unsigned count, Sample* buffer, short* narrow)
{
    Changes<Sample> changes{samples, nullptr, static_cast<long long>(count) - 1};
    if (count > kMaxBufferedSamples) {
        return changes;
    }
#if defined(SCANNER_SHIFT_AVX2)
    // Changes that all fit 16-bit words are matched from those alone (a
    // line matched with one that does not fit takes its changes from the
    // samples).
    if constexpr (std::is_same_v<Sample, int>) {
        if (ProcessorHasAvx2() && NarrowChanges(samples, changes.count, narrow)) {
            changes.narrow = narrow;
            return changes;
        }
    }
#endif
    (void)narrow;
    for (long long i = 0; i < changes.count; ++i) {
        buffer[i] = samples[i + 1] - samples[i];
    }
    changes.buffered = buffer;
    return changes;
}

#if defined(SCANNER_SHIFT_AVX2)
// The sum of a[i] b[i + delta] over begin <= i < end, sixteen products at a
// time: each pair of products (below 2^30 each, the words being within
// +-32767) is summed in 32 bits and the pairs in 64-bit lanes, so that the
// sum is exact and the same as one product at a time.
__attribute__((target("avx2"))) long long MatchNarrow(short const* a, short const* b, long long begin, long long end,
                                                      long long delta)
{
    __m256i low = _mm256_setzero_si256();
    __m256i high = _mm256_setzero_si256();
    long long i = begin;
    for (; i + 16 <= end; i += 16) {
        __m256i const x = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(a + i));
        __m256i const y = _mm256_loadu_si256(reinterpret_cast<__m256i const*>(b + (i + delta)));
        __m256i const pairs = _mm256_madd_epi16(x, y);
        low = _mm256_add_epi64(low, _mm256_cvtepi32_epi64(_mm256_castsi256_si128(pairs)));
        high = _mm256_add_epi64(high, _mm256_cvtepi32_epi64(_mm256_extracti128_si256(pairs, 1)));
    }
    alignas(32) long long lanes[4];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), _mm256_add_epi64(low, high));
    long long sum = lanes[0] + lanes[1] + lanes[2] + lanes[3];
    for (; i < end; ++i) {
        sum += static_cast<long long>(a[i]) * b[i + delta];
    }
    return sum;
}
#endif

// The match of the level changes with the second line's shifted by
// `delta`: change i of the first line meets change i + delta of the second.
template <class Sample>
SumOf<Sample> Match(Changes<Sample> const& first, Changes<Sample> const& second, long long delta)
{
    using Sum = SumOf<Sample>;
    long long const begin = delta < 0 ? -delta : 0;
    long long const end = first.count < second.count - delta ? first.count : second.count - delta;
    Sum sum = 0;
#if defined(SCANNER_SHIFT_AVX2)
    if constexpr (std::is_integral_v<Sample>) {
        if (first.narrow != nullptr && second.narrow != nullptr) {
            return begin < end ? MatchNarrow(first.narrow, second.narrow, begin, end, delta) : 0;
        }
    }
#endif
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
    short narrowFirst[std::is_integral_v<Sample> ? kMaxBufferedSamples : 1];
    short narrowSecond[std::is_integral_v<Sample> ? kMaxBufferedSamples : 1];
    Changes<Sample> const a = MakeChanges(first, countFirst, bufferFirst, narrowFirst);
    Changes<Sample> const b = MakeChanges(second, countSecond, bufferSecond, narrowSecond);
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
