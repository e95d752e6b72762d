#pragma once

#include "decoder/matrix/data_matrix/data_matrix_convolution_error_correct.h"

namespace DEC2DIvra {

// The sizes of ECC 000-140 symbols: odd sides 9 .. 49 with one data region
// inside the finder L and the timing sides, so the module stream holds
// (side - 2)^2 bits.
struct DataMatrixEcc000To140Size {
    static constexpr unsigned kSmallestSide = 9;
    static constexpr unsigned kLargestSide = 49;

    static bool IsSymbolSide(unsigned side);
    // The module bits behind the border; 0 for a side that is no size.
    static unsigned GetModuleBits(unsigned side);
};

// The 19-bit header that opens the module stream of a protected symbol: the
// seven bits 0111000, then the 4-bit code index with each bit written three
// times. A damaged header is still read: one wrong bit of the seven is
// allowed, and each index bit takes the majority of its three copies.
class DataMatrixEcc000To140Header {
public:
    // Wrong prefix bits the header may carry and still be read.
    static constexpr unsigned kPrefixFaults = 1;

    // The seven bits 0111111 open an unprotected (ECC 000) stream instead;
    // its data follow at once.
    static constexpr unsigned kUnprotectedBits = 7;

    // False when the stream holds fewer than 19 bits, the prefix differs in
    // more bits than allowed, or the index names none of the 12 codes.
    static bool Read(DataStreamForDataMatrix const& in, unsigned moduleBits, unsigned& codeIndex);
    // Whether the stream opens as an ECC 000 one (one wrong bit allowed).
    static bool IsUnprotected(DataStreamForDataMatrix const& in);
};

}  // namespace DEC2DIvra
