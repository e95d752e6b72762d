#pragma once
// Reed-Solomon correction of a PDF417 / MicroPDF417 codeword list: GF(929) with
// generator 3, check words for the roots 3^1 .. 3^(n-k).

#include "decoder/core/arithmetic/galois_field_modulo_prime_number.h"
#include "decoder/core/arithmetic/rs_decoding_of_block.h"

namespace DEC2DIvra {

class RSdecodingOfPDF417 {
public:
    static constexpr unsigned int kMaxCodewords = 928;

    RSdecodingOfPDF417();

    // codewords[0 .. n) with k data words first. Nonzero when the list was already
    // a codeword or was corrected with erasureCount + 2 x errors <= n - k - reserve;
    // *located then holds errors + erasures. 0 leaves the codewords as they came.
    unsigned int CorrectErrors(unsigned short* codewords, unsigned int n, unsigned int k, unsigned int erasureCount,
                               unsigned short const* erasures, unsigned int reserve, unsigned int* located);

private:
    GaloisFieldModuloPrimeNumber<929> field_;
    RSdecodingOfBlock<kMaxCodewords> block_;
};

} // namespace DEC2DIvra
