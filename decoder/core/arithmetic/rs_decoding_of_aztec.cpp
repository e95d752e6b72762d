#include "decoder/core/arithmetic/rs_decoding_of_aztec.h"

namespace DEC2DIvra {

RSdecodingOfAztec::RSdecodingOfAztec()
    : modeField_(0x13), field6_(0x43), field8_(0x12D), field10_(0x409), field12_(0x1069)
{
}

bool RSdecodingOfAztec::CorrectErrorsModeMessage(unsigned short* words, unsigned int count, unsigned int dataCount,
                                                 unsigned int& corrected)
{
    return modeBlock_.Correct(modeField_, 1, words, count, dataCount, 0, nullptr, 0, &corrected) != 0;
}

unsigned int RSdecodingOfAztec::CorrectErrors(unsigned short* codewords, unsigned int codewordBits, unsigned int n,
                                              unsigned int k, unsigned int erasureCount, unsigned short const* erasures,
                                              unsigned int* located)
{
    FiniteField const* field = nullptr;
    switch (codewordBits) {
    case 6: field = &field6_; break;
    case 8: field = &field8_; break;
    case 10: field = &field10_; break;
    case 12: field = &field12_; break;
    default:
        if (located != nullptr) {
            *located = 0;
        }
        return 0;
    }
    return block_.Correct(*field, 1, codewords, n, k, erasureCount, erasures, 0, located);
}

} // namespace DEC2DIvra
