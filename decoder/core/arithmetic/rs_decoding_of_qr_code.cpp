#include "decoder/core/arithmetic/rs_decoding_of_qr_code.h"

namespace DEC2DIvra {

RSdecodingOfQRcode::RSdecodingOfQRcode() : field_(0x11D) {}

unsigned int RSdecodingOfQRcode::CorrectErrors(unsigned short* codewords, unsigned int n, unsigned int k,
                                               unsigned int erasureCount, unsigned short const* erasures,
                                               unsigned int reserve, unsigned int* located)
{
    return block_.Correct(field_, 0, codewords, n, k, erasureCount, erasures, reserve, located);
}

} // namespace DEC2DIvra
