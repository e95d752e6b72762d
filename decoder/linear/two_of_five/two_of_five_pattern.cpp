#include "decoder/linear/two_of_five/two_of_five_pattern.h"

namespace DEC2DIvra {

unsigned TwoOfFivePattern::SetComb(unsigned count, unsigned first, unsigned second)
{
    unsigned combined = 0;
    for (unsigned i = count; i-- > 0;) {
        combined = (combined << 2) | (((first >> i) & 1u) << 1) | ((second >> i) & 1u);
    }
    return combined;
}

void TwoOfFivePattern::SeparatetPattern(unsigned count, unsigned combined, unsigned& low, unsigned& high)
{
    low = 0;
    high = 0;
    for (unsigned i = count; i-- > 0;) {
        high = (high << 1) | ((combined >> (2 * i + 1)) & 1u);
        low = (low << 1) | ((combined >> (2 * i)) & 1u);
    }
}

}  // namespace DEC2DIvra
