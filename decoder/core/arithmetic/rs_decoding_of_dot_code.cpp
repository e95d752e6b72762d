#include "decoder/core/arithmetic/rs_decoding_of_dot_code.h"

namespace DEC2DIvra {

RSdecodingOfDotCode::RSdecodingOfDotCode() : field_(3) {}

bool RSdecodingOfDotCode::CorrectErrors(unsigned short* words, unsigned int total, unsigned int dataCount,
                                        unsigned int erasureCount, unsigned short const* erasures, unsigned int reserve,
                                        unsigned int& corrected)
{
    return block_.Correct(field_, 1, words, total, dataCount, erasureCount, erasures, reserve, &corrected) != 0;
}

} // namespace DEC2DIvra
