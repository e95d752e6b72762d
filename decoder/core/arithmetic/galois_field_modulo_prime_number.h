#pragma once
// GF(p): the integers modulo a prime p, with a primitive root as alpha
// (3 for both 929 and 113).

#include "decoder/core/arithmetic/finite_field.h"

namespace DEC2DIvra {

// Fills power[0 .. 2(p - 1)) and logarithm[0 .. p); false when the generator does
// not reach every nonzero residue (a composite modulus never passes).
bool BuildPrimeFieldTables(unsigned int prime, unsigned int generator, unsigned short* power,
                           unsigned short* logarithm);

template <unsigned int Prime> class GaloisFieldModuloPrimeNumber : public FiniteField {
    static_assert(Prime >= 3 && Prime <= 65535, "elements are 16-bit");

public:
    explicit GaloisFieldModuloPrimeNumber(unsigned int generator)
    {
        if (BuildPrimeFieldTables(Prime, generator, power_, logarithm_)) {
            Attach(Prime, Prime, power_, logarithm_);
        }
    }

private:
    unsigned short power_[2 * (Prime - 1)] = {};
    unsigned short logarithm_[Prime] = {};
};

} // namespace DEC2DIvra
