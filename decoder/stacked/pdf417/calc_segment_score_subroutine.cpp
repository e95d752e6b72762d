#include "decoder/core/arithmetic/dec_math.h"
#include "decoder/stacked/pdf417/pdf_column_scan_subroutine.h"

namespace DEC2DIvra {

void CalcSegmentScoreSubroutine::Start(Array<unsigned short, 15> const& luminance, bool invert, bool rowAddressPattern,
                                       unsigned short threshold, unsigned pattern, unsigned short& score) const
{
    unsigned const n = rowAddressPattern ? kRowAddressModules : kCodewordModules;
    unsigned const top = rowAddressPattern ? 7 : 15;
    if (invert) {
        pattern ^= rowAddressPattern ? 0xFEu : 0xFFFEu;
    }
    long long sum = 0;
    unsigned long long squares = 0;
    for (unsigned i = 0; i < n; ++i) {
        long long const deviation = static_cast<long long>(luminance[i]) - threshold;
        long long const d = ((pattern >> (top - i)) & 1u) != 0 ? deviation : -deviation;
        sum += d;
        squares += static_cast<unsigned long long>(d * d);
    }
    if (squares == 0 || sum <= 0) {
        score = 0;
        return;
    }
    // n x Q stays below 2^32 for 10-bit greys, so the root fits 16 bits.
    unsigned long long const root = DecMath::Sqrt(n * squares);
    if (root == 0) {
        score = 0;
        return;
    }
    unsigned long long const value = static_cast<unsigned long long>(sum) * 65536u / root;
    score = value > 65535u ? 65535u : static_cast<unsigned short>(value);
}

}  // namespace DEC2DIvra
