#include "decoder/legacy/han_xin_correction.h"

#include "decoder/core/arithmetic/galois_field_modulo_power_of_two.h"
#include "decoder/core/arithmetic/rs_decoding_of_block.h"
#include "decoder/legacy/han_xin_version.h"

namespace {

using DEC2DIvra::GaloisFieldModuloPowerOfTwo;
using DEC2DIvra::RSdecodingOfBlock;

// The engine is single-threaded and keeps its records static; the fields are
// built once, before the first decode.
GaloisFieldModuloPowerOfTwo<8> const gDataField(0x163);
GaloisFieldModuloPowerOfTwo<4> const gFunctionField(0x13);
RSdecodingOfBlock<kHanXinMaxBlockLength> gDataBlock;
RSdecodingOfBlock<15> gFunctionBlock;

template <class Block, class Field>
int Correct(Block& block, Field const& field, unsigned short* word, int n, int k, int reserve)
{
    if (n <= 0 || k < 0 || k >= n || reserve < 0) {
        return -1;
    }
    unsigned int located = 0;
    if (block.Correct(field, 1, word, static_cast<unsigned>(n), static_cast<unsigned>(k), 0, nullptr,
                      static_cast<unsigned>(reserve), &located) == 0) {
        return -1;
    }
    return static_cast<int>(located);
}

}  // namespace

int CorrectHanXinBlock(unsigned short* word, int n, int k, int reserve)
{
    return n > kHanXinMaxBlockLength ? -1 : Correct(gDataBlock, gDataField, word, n, k, reserve);
}

int CorrectHanXinFunctionWord(unsigned short* word, int n, int k, int reserve)
{
    return n > 15 ? -1 : Correct(gFunctionBlock, gFunctionField, word, n, k, reserve);
}
