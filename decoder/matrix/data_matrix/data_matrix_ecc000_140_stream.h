#pragma once

#include "decoder/core/containers/virtual_array.h"
#include "decoder/matrix/data_matrix/data_matrix_convolution_error_correct.h"

namespace DEC2DIvra {

// The first stage of reading an ECC 000-140 module stream (already taken
// out of its placement and randomisation): the header names the code, and
// the convolutional protection is removed over the symbol's module bits.
class DataMatrixEcc000To140Stream {
public:
    struct Result {
        unsigned codeIndex = 0;
        unsigned bits = 0;    // unprotected bits now packed in `out`
        unsigned errors = 0;  // received codewords unlike the re-encoded path
    };

    // side: the symbol's side in modules (border included). False when the
    // side is no ECC 000-140 size, the stream is shorter than the side's
    // module bits, the header cannot be read, or the decoder fails.
    bool Start(DataStreamForDataMatrix const& in, unsigned side, VirtualArray<unsigned short>& out,
               VirtualArray<unsigned short>& reencoded, Result& result);

private:
    ConvolutionErrorCorrect convolution_;
};

}  // namespace DEC2DIvra
