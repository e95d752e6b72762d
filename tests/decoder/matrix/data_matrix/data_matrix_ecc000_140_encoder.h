#pragma once

// A test encoder for ECC 000-140 protected streams, built from the code
// table alone (no outside encoder makes these symbols).

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "decoder/matrix/data_matrix/data_matrix_convolution_error_correct.h"
#include "tests/support/data_matrix_ecc000_140_symbol.h"

namespace data_matrix_ecc000_140_encoder {

using DEC2DIvra::ConvolutionErrorCorrect;
using DEC2DIvra::FanoData;

// A protected stream: the 19 header bits, then for every input group of k
// bits the n output bits of the encoder, most significant first. Returns the
// module bit count.
struct Encoded {
    std::vector<unsigned short> stream;
    unsigned moduleBits = 0;
};

inline Encoded Encode(unsigned codeIndex, std::vector<unsigned> const& groups)
{
    std::vector<uint8_t> const bits = support::encodeEcc000To140Stream(codeIndex, groups);
    EXPECT_FALSE(bits.empty()) << "code " << codeIndex;
    Encoded e;
    e.moduleBits = static_cast<unsigned>(bits.size());
    e.stream.assign((bits.size() + 7) / 8, 0);
    for (size_t b = 0; b < bits.size(); ++b) {
        e.stream[b / 8] = static_cast<unsigned short>(e.stream[b / 8] | (bits[b] << (7 - b % 8)));
    }
    return e;
}

inline std::vector<unsigned> RandomGroups(unsigned k, unsigned count, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<unsigned> groups(count);
    for (unsigned& g : groups) {
        g = random() & ((1u << k) - 1u);
    }
    return groups;
}

inline std::vector<unsigned short> Pack(unsigned k, std::vector<unsigned> groups)
{
    std::vector<unsigned short> a(groups.begin(), groups.end());
    a.resize(a.size() + 8);
    unsigned const bytes = ConvolutionErrorCorrect::SetBitArrayToByte(k, static_cast<unsigned>(groups.size()), a.data());
    a.resize(bytes);
    return a;
}

}  // namespace data_matrix_ecc000_140_encoder
