#pragma once
// Reed-Solomon correction of one Data Matrix ECC 200 block: GF(256) modulo
// x^8+x^5+x^3+x^2+1 (0x12D), check words for the roots alpha^1 .. alpha^(n-k).

#include "decoder/core/arithmetic/galois_field_modulo_power_of_two.h"
#include "decoder/core/arithmetic/rs_decoding_of_block.h"

namespace DEC2DIvra {

class RSdecodingOfDataMatrix {
public:
    static constexpr unsigned int kMaxCodewords = 255;

    RSdecodingOfDataMatrix();

    // One de-interleaved block (k data words, then the check words); erasures are
    // indexes within the block. Nonzero on success with *located = errors + erasures;
    // 0 leaves the block as it came.
    unsigned int CorrectErrors(unsigned short* codewords, unsigned int n, unsigned int k, unsigned int erasureCount,
                               unsigned short const* erasures, unsigned int* located);

private:
    GaloisFieldModuloPowerOfTwo<8> field_;
    RSdecodingOfBlock<kMaxCodewords> block_;
};

} // namespace DEC2DIvra
