#include "decoder/matrix/aztec/aztec_correction_limit.h"

#include <cmath>

namespace DEC2DIvra {

unsigned AztecCorrectionLimit(unsigned n, unsigned k, unsigned bits)
{
    if (k >= n || bits == 0 || bits > 16) {
        return 0;
    }
    unsigned const full = (n - k) / 2;
    // A random block is within e errors of one of the q^k codewords with the
    // chance V(n, e) / q^(n - k), V(n, e) = sum over i <= e of C(n, i) (q - 1)^i
    // the words within e of one codeword. Worked in log2, term by term.
    double const q = std::ldexp(1.0, static_cast<int>(bits));
    double const budget = std::log2(kAztecMiscorrectionChance) + static_cast<double>(n - k) * bits;
    double term = 0;    // log2 of C(n, i) (q - 1)^i
    double volume = 0;  // log2 of V(n, i)
    for (unsigned e = 1; e <= full; ++e) {
        term += std::log2(static_cast<double>(n - e + 1) / e * (q - 1));
        // log2(2^volume + 2^term) without leaving the range of a double.
        double const high = volume > term ? volume : term;
        double const low = volume > term ? term : volume;
        double const next = high + std::log2(1 + std::exp2(low - high));
        if (next > budget) {
            return e - 1;
        }
        volume = next;
    }
    return full;
}

}  // namespace DEC2DIvra
