#include "decoder/core/arithmetic/rs_decoding_of_data_matrix.h"

namespace DEC2DIvra {

RSdecodingOfDataMatrix::RSdecodingOfDataMatrix() : field_(0x12D) {}

unsigned int RSdecodingOfDataMatrix::CorrectErrors(unsigned short* codewords, unsigned int n, unsigned int k,
                                                   unsigned int erasureCount, unsigned short const* erasures,
                                                   unsigned int* located)
{
    return block_.Correct(field_, 1, codewords, n, k, erasureCount, erasures, 0, located);
}

} // namespace DEC2DIvra
