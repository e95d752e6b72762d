#pragma once

#include "decoder/core/arithmetic/rs_decoding_of_dot_code.h"

namespace DEC2DIvra {

// Reed-Solomon correction of a DotCode symbol's words (mask word first, check
// words last), in one block or, past 112 words, in interleaved blocks.
class DotCodeErrorDetection {
public:
    static constexpr unsigned kMaxBlockErasures = 39;

    // words[0 .. total), dataCount of them data; erasures are word indexes.
    // False, words unchanged from the first failing block on, when a block
    // cannot be corrected.
    bool Start(unsigned total, unsigned dataCount, unsigned erasureCount, unsigned short* words,
               unsigned short const* erasures, unsigned& corrected);

private:
    // Block b of `blocks` holds words b, b + blocks, b + 2 blocks, ...
    bool CorrectMultiBlock(unsigned total, unsigned dataCount, unsigned erasureCount, unsigned blocks,
                           unsigned short* words, unsigned short const* erasures, unsigned& corrected);

    RSdecodingOfDotCode rs_;
};

}  // namespace DEC2DIvra
