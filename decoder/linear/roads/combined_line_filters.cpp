#include "decoder/linear/roads/combined_line_decoder.h"
#include "decoder/linear/roads/combined_line_samples.h"

namespace DEC2DIvra {

using combined_line::ClampGrey;

void CompositeLineDecoder::Smooth(StackInterface<PickLineElement>& samples, VirtualArray<int> const& work)
{
    unsigned const n = samples.GetCount();
    constexpr unsigned kPad = 7;
    if (n == 0 || work.GetCount() < n + 2 * kPad) {
        return;
    }
    for (unsigned i = 0; i < n + 2 * kPad; ++i) {
        unsigned const source = i < kPad ? 0 : (i - kPad >= n ? n - 1 : i - kPad);
        work[i] = static_cast<int>(samples[source].grey);
    }
    for (unsigned i = 0; i < n; ++i) {
        int const* g = &work[i + kPad];
        long long const sum = -12LL * g[-7] + 16LL * g[-5] - 27LL * g[-3] + 81LL * g[-1] + 128LL * g[0] +
                              81LL * g[1] - 27LL * g[3] + 16LL * g[5] - 12LL * g[7];
        samples[i].grey = ClampGrey(sum / 244);
    }
}

void CompositeLineDecoder::Sharpen(StackInterface<PickLineElement>& samples, VirtualArray<int> const& work)
{
    unsigned const n = samples.GetCount();
    if (n <= 7 || work.GetCount() < n) {
        return;
    }
    for (unsigned i = 0; i < n; ++i) {
        work[i] = static_cast<int>(samples[i].grey);
    }
    for (unsigned i = 4; i + 4 < n; ++i) {
        int const* g = &work[i];
        long long const sum = static_cast<long long>(g[-4]) - 2LL * g[-3] - 7LL * g[-2] + 6LL * g[-1] +
                              20LL * g[0] + 6LL * g[1] - 7LL * g[2] - 2LL * g[3] + g[4];
        samples[i].grey = ClampGrey(sum / 16);
    }
}


}  // namespace DEC2DIvra
