#pragma once
// Reed-Solomon correction of one QR Code / Micro QR block: GF(256) modulo
// x^8+x^4+x^3+x^2+1 (0x11D), check words for the roots alpha^0 .. alpha^(n-k-1).

#include "decoder/core/arithmetic/galois_field_modulo_power_of_two.h"
#include "decoder/core/arithmetic/rs_decoding_of_block.h"

namespace DEC2DIvra {

class RSdecodingOfQRcode {
public:
    static constexpr unsigned int kMaxCodewords = 255;

    RSdecodingOfQRcode();

    // One block in block order (k data words, then the check words); erasures are
    // indexes within the block. reserve is the block's misdecode-protection count.
    // Nonzero on success with *located = errors + erasures; 0 leaves the block as it came.
    unsigned int CorrectErrors(unsigned short* codewords, unsigned int n, unsigned int k, unsigned int erasureCount,
                               unsigned short const* erasures, unsigned int reserve, unsigned int* located);

private:
    GaloisFieldModuloPowerOfTwo<8> field_;
    RSdecodingOfBlock<kMaxCodewords> block_;
};

} // namespace DEC2DIvra
