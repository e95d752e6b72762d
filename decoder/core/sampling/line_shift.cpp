#include "decoder/core/sampling/line_shift.h"

#include <cmath>
#include <type_traits>

namespace DEC2DIvra {

namespace {

template <class Sample>
using SumOf = std::conditional_t<std::is_integral_v<Sample>, long long, double>;

// The match of the level changes with the second line shifted by `shift`.
template <class Sample>
SumOf<Sample> Match(Sample const* first, unsigned countFirst, Sample const* second, unsigned countSecond, int offset,
                    int shift)
{
    using Sum = SumOf<Sample>;
    // Level change i of the first line (samples i, i + 1) meets change
    // i + shift - offset of the second.
    long long const delta = static_cast<long long>(shift) - offset;
    long long const changesFirst = static_cast<long long>(countFirst) - 1;
    long long const changesSecond = static_cast<long long>(countSecond) - 1;
    long long const begin = delta < 0 ? -delta : 0;
    long long const end = changesFirst < changesSecond - delta ? changesFirst : changesSecond - delta;
    Sum sum = 0;
    for (long long i = begin; i < end; ++i) {
        long long const j = i + delta;
        Sum const da = static_cast<Sum>(first[i + 1] - first[i]);
        Sum const db = static_cast<Sum>(second[j + 1] - second[j]);
        sum += da * db;
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
    auto match = [&](int shift) { return Match(first, countFirst, second, countSecond, offset, shift); };
    Sum best = 0;
    int bestShift = 0;
    bool any = false;
    for (int shift = from - reach; shift <= from + reach; ++shift) {
        Sum const m = match(shift);
        if (!any || m > best) {
            best = m;
            bestShift = shift;
            any = true;
        }
    }
    if (!any || best <= 0) {
        return false;
    }
    Sum const before = match(bestShift - 1);
    Sum const after = match(bestShift + 1);
    // The peak's offset from bestShift in 1/256 sample, within half a sample.
    Sum fraction = 0;
    Sum const curvature = before - 2 * best + after;
    if (curvature < 0) {
        fraction = (before - after) * 128 / curvature;
        fraction = fraction > 128 ? 128 : (fraction < -128 ? -128 : fraction);
    }
    result.shift = bestShift + static_cast<double>(fraction) / 256;
    double const own = static_cast<double>(Match(first, countFirst, first, countFirst, 0, 0)) *
                       static_cast<double>(Match(second, countSecond, second, countSecond, 0, 0));
    result.likeness = own > 0 ? static_cast<double>(best) / std::sqrt(own) : 0;
    return true;
}

template bool FindLineShift<int>(int const*, unsigned, int const*, unsigned, int, int, int, LineShift&);
template bool FindLineShift<float>(float const*, unsigned, float const*, unsigned, int, int, int, LineShift&);

}  // namespace DEC2DIvra
