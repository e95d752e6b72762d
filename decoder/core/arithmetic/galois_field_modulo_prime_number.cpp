#include "decoder/core/arithmetic/galois_field_modulo_prime_number.h"

namespace DEC2DIvra {

bool BuildPrimeFieldTables(unsigned int prime, unsigned int generator, unsigned short* power, unsigned short* logarithm)
{
    if (prime < 3 || prime > 65535 || power == nullptr || logarithm == nullptr) {
        return false;
    }
    generator %= prime;
    if (generator < 2) {
        return false;
    }
    unsigned int const order = prime - 1;
    for (unsigned int a = 0; a < prime; ++a) {
        logarithm[a] = 0;
    }
    unsigned int value = 1;
    for (unsigned int i = 0; i < order; ++i) {
        if (i > 0 && value == 1) {
            return false;
        }
        power[i] = static_cast<unsigned short>(value);
        logarithm[value] = static_cast<unsigned short>(i);
        value = value * generator % prime;
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
