#include "decoder/core/arithmetic/finite_field.h"

namespace DEC2DIvra {

void FiniteField::Attach(unsigned int size, unsigned int characteristic, unsigned short const* power,
                         unsigned short const* logarithm)
{
    if (size < 2 || characteristic < 2 || power == nullptr || logarithm == nullptr) {
        return;
    }
    power_ = power;
    logarithm_ = logarithm;
    order_ = size - 1;
    characteristic_ = characteristic;
    size_ = size;
}

} // namespace DEC2DIvra
