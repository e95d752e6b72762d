#pragma once
// Reed-Solomon correction of one DotCode block: GF(113) with generator 3, check
// words for the roots 3^1 .. 3^(n-k). The block's first word is the mask value,
// which the check words cover like any data word.

#include "decoder/core/arithmetic/galois_field_modulo_prime_number.h"
#include "decoder/core/arithmetic/rs_decoding_of_block.h"

namespace DEC2DIvra {

class RSdecodingOfDotCode {
public:
    static constexpr unsigned int kMaxWords = 112;

    RSdecodingOfDotCode();

    // words[0 .. total) with dataCount data words first; true when the block was a
    // codeword or was corrected with erasureCount + 2 x errors <= total - dataCount -
    // reserve, corrected then counting errors + erasures. False leaves the words as
    // they came.
    bool CorrectErrors(unsigned short* words, unsigned int total, unsigned int dataCount, unsigned int erasureCount,
                       unsigned short const* erasures, unsigned int reserve, unsigned int& corrected);

private:
    GaloisFieldModuloPrimeNumber<113> field_;
    RSdecodingOfBlock<kMaxWords> block_;
};

} // namespace DEC2DIvra
