#pragma once

namespace DEC2DIvra {

// Interleaving of two narrow/wide patterns, as the bars and spaces of an
// interleaved pair or of a start/stop window lie on the line.
class TwoOfFivePattern {
public:
    // The bits of `first` and `second` (count bits each, most significant
    // first) taken in turn, the bit of `first` above the bit of `second`.
    static unsigned SetComb(unsigned count, unsigned first, unsigned second);
    // Splits an interleaved pattern of count pairs: the upper bit of each pair
    // goes to `high`, the lower to `low`.
    static void SeparatetPattern(unsigned count, unsigned combined, unsigned& low, unsigned& high);
};

}  // namespace DEC2DIvra
