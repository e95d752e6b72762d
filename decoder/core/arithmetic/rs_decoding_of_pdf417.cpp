#include "decoder/core/arithmetic/rs_decoding_of_pdf417.h"

namespace DEC2DIvra {

RSdecodingOfPDF417::RSdecodingOfPDF417() : field_(3) {}

unsigned int RSdecodingOfPDF417::CorrectErrors(unsigned short* codewords, unsigned int n, unsigned int k,
                                               unsigned int erasureCount, unsigned short const* erasures,
                                               unsigned int reserve, unsigned int* located)
{
    return block_.Correct(field_, 1, codewords, n, k, erasureCount, erasures, reserve, located);
}

} // namespace DEC2DIvra
