#pragma once
// GF(2^m): polynomials over GF(2) modulo a primitive polynomial of degree m, with
// alpha = x. The polynomial is given with its x^m term (0x11D for x^8+x^4+x^3+x^2+1).

#include "decoder/core/arithmetic/finite_field.h"

namespace DEC2DIvra {

// Fills power[0 .. 2(2^bits - 1)) and logarithm[0 .. 2^bits); false when the
// polynomial is not of degree bits or x does not generate the whole field.
bool BuildPowerOfTwoFieldTables(unsigned int bits, unsigned int polynomial, unsigned short* power,
                                unsigned short* logarithm);

template <unsigned int Bits> class GaloisFieldModuloPowerOfTwo : public FiniteField {
    static_assert(Bits >= 2 && Bits <= 15, "elements are 16-bit");

public:
    static constexpr unsigned int kSize = 1u << Bits;

    explicit GaloisFieldModuloPowerOfTwo(unsigned int polynomial)
    {
        if (BuildPowerOfTwoFieldTables(Bits, polynomial, power_, logarithm_)) {
            Attach(kSize, 2, power_, logarithm_);
        }
    }

private:
    unsigned short power_[2 * (kSize - 1)] = {};
    unsigned short logarithm_[kSize] = {};
};

} // namespace DEC2DIvra
