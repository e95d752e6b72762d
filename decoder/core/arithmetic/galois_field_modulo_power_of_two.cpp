#include "decoder/core/arithmetic/galois_field_modulo_power_of_two.h"

namespace DEC2DIvra {

bool BuildPowerOfTwoFieldTables(unsigned int bits, unsigned int polynomial, unsigned short* power,
                                unsigned short* logarithm)
{
    if (bits < 2 || bits > 15 || power == nullptr || logarithm == nullptr) {
        return false;
    }
    unsigned int const size = 1u << bits;
    if ((polynomial >> bits) != 1) {
        return false;
    }
    unsigned int const order = size - 1;
    for (unsigned int a = 0; a < size; ++a) {
        logarithm[a] = 0;
    }
    unsigned int value = 1;
    for (unsigned int i = 0; i < order; ++i) {
        // A power of x that comes back to 1 early means the polynomial is not primitive.
        if (i > 0 && value == 1) {
            return false;
        }
        power[i] = static_cast<unsigned short>(value);
        logarithm[value] = static_cast<unsigned short>(i);
        value <<= 1;
        if (value & size) {
            value ^= polynomial;
        }
    }
    if (value != 1) {
        return false;
    }
    for (unsigned int i = order; i < 2 * order; ++i) {
        power[i] = power[i - order];
    }
    return true;
}

} // namespace DEC2DIvra
