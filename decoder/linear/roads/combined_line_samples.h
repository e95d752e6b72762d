#pragma once
// Small operations on the sample lists of the combined lines.

#include "decoder/core/containers/stack_interface.h"
#include "decoder/linear/roads/pick_line_element.h"

namespace DEC2DIvra {
namespace combined_line {

inline constexpr long long kMaxGrey = 0xFFFF;

inline unsigned ClampGrey(long long grey)
{
    return grey < 0 ? 0u : (grey > kMaxGrey ? static_cast<unsigned>(kMaxGrey) : static_cast<unsigned>(grey));
}

// Samples with equal coordinates become one (their mean grey), and a sample
// that does not lie beyond the one before is dropped, so that coordinates
// rise strictly as the run-length conversion needs.
inline void MakeRising(StackInterface<PickLineElement>& samples)
{
    unsigned out = 0;
    unsigned i = 0;
    unsigned const n = samples.GetCount();
    while (i < n) {
        int const c = samples[i].coordinate;
        unsigned long long sum = 0;
        unsigned count = 0;
        while (i < n && samples[i].coordinate == c) {
            sum += samples[i].grey;
            ++count;
            ++i;
        }
        if (out > 0 && samples[out - 1].coordinate >= c) {
            continue;
        }
        samples[out++] = PickLineElement{c, static_cast<unsigned>(sum / count)};
    }
    samples.SetCount(out);
}

// Samples averaged over bins of `width` coordinate units, each bin's mean
// placed at the bin's centre.
inline void Bin(StackInterface<PickLineElement>& samples, int width)
{
    auto binOf = [width](int c) {
        return c >= 0 ? c / width : -((-static_cast<long long>(c) + width - 1) / width);
    };
    unsigned out = 0;
    unsigned i = 0;
    unsigned const n = samples.GetCount();
    while (i < n) {
        long long const bin = binOf(samples[i].coordinate);
        unsigned long long sum = 0;
        unsigned count = 0;
        while (i < n && binOf(samples[i].coordinate) == bin) {
            sum += samples[i].grey;
            ++count;
            ++i;
        }
        samples[out++] = PickLineElement{static_cast<int>(bin * width + width / 2), static_cast<unsigned>(sum / count)};
    }
    samples.SetCount(out);
}

}  // namespace combined_line
}  // namespace DEC2DIvra
