#pragma once
// Reed-Solomon correction for Aztec Code, check words for the roots alpha^1 ..
// alpha^(n-k): the mode message over GF(16) (x^4+x+1), the data over GF(64)
// (x^6+x+1), GF(256) (x^8+x^5+x^3+x^2+1), GF(1024) (x^10+x^3+1) or GF(4096)
// (x^12+x^6+x^5+x^3+1) by codeword size.

#include "decoder/core/arithmetic/galois_field_modulo_power_of_two.h"
#include "decoder/core/arithmetic/rs_decoding_of_block.h"

namespace DEC2DIvra {

class RSdecodingOfAztec {
public:
    // The most codewords of any layer count (32 layers of 12-bit words).
    static constexpr unsigned int kMaxCodewords = 1664;
    static constexpr unsigned int kMaxModeWords = 15;
    // The mode message as the reader hands it over: a compact symbol's 7
    // words carry 2 data words, a full-range symbol's 10 words carry 4, so
    // that 2 and 3 errors are corrected.
    static constexpr unsigned int kCompactModeWords = 7;
    static constexpr unsigned int kCompactModeDataWords = 2;
    static constexpr unsigned int kFullRangeModeWords = 10;
    static constexpr unsigned int kFullRangeModeDataWords = 4;

    RSdecodingOfAztec();

    // The 4-bit words of a mode message, dataCount of them data and the rest checked.
    // True when they were a codeword or were corrected (corrected = errors found);
    // false leaves them as they came.
    bool CorrectErrorsModeMessage(unsigned short* words, unsigned int count, unsigned int dataCount,
                                  unsigned int& corrected);

    // The data codewords of a symbol, codewordBits (6, 8, 10 or 12) each, k data words
    // first. Nonzero on success with *located = errors + erasures; 0 (also for another
    // codeword size) leaves them as they came.
    unsigned int CorrectErrors(unsigned short* codewords, unsigned int codewordBits, unsigned int n, unsigned int k,
                               unsigned int erasureCount, unsigned short const* erasures, unsigned int* located);

private:
    GaloisFieldModuloPowerOfTwo<4> modeField_;
    GaloisFieldModuloPowerOfTwo<6> field6_;
    GaloisFieldModuloPowerOfTwo<8> field8_;
    GaloisFieldModuloPowerOfTwo<10> field10_;
    GaloisFieldModuloPowerOfTwo<12> field12_;
    RSdecodingOfBlock<kMaxModeWords> modeBlock_;
    RSdecodingOfBlock<kMaxCodewords> block_;
};

} // namespace DEC2DIvra
