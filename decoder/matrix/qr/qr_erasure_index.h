#pragma once

#include "decoder/core/containers/variable_length_virtual_array.h"
#include "decoder/core/containers/virtual_array.h"

namespace DEC2DIvra {

// One placed bit of a read: the module's decision and its grey value.
struct BitAndLuminance {
    bool bit = false;
    unsigned short luminance = 0;
};

// The codewords read with the least contrast between their set and clear
// modules, weakest first: those below a quarter of the median contrast.
class CalcErasureIndexSubroutine {
public:
    static constexpr unsigned kMaxCodewords = 3706;

    // bits: 8 per codeword in bit order; polarity set when a set bit is the
    // darker one. erasures receives the codeword indexes (as many as fit);
    // always 1.
    int Start(bool polarity, VirtualArray<BitAndLuminance const> const& bits,
              VariableLengthVirtualArray<unsigned short>& erasures);

private:
    struct Entry {
        unsigned short index;
        int contrast;
    };
    Entry work_[kMaxCodewords] = {};
};

}  // namespace DEC2DIvra
