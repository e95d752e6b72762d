#include "decoder/legacy/han_xin/han_xin_symbol.h"

#include "decoder/legacy/han_xin/han_xin_codewords.h"
#include "decoder/legacy/han_xin/han_xin_function_map.h"
#include "decoder/legacy/han_xin/han_xin_version.h"

namespace {

// The symbol's codewords in stream order, then its data codewords packed.
unsigned char CHINA_byte_sequence[4000];
static_assert(sizeof(CHINA_byte_sequence) >= kHanXinMaxCodewords);

}  // namespace

int DecodeHanXinGrid(unsigned short* grid, CHINA_FUNCTION_INFO_st const& info, unsigned char* out, int capacity,
                     HanXinText* text)
{
    if (MarkHanXinFunctionModules(grid, info.version) != 0 ||
        ExtractHanXinCodewords(grid, info, CHINA_byte_sequence, static_cast<int>(sizeof CHINA_byte_sequence)) < 0) {
        return -1;
    }
    int const data = CorrectHanXinBlocks(CHINA_byte_sequence, info.version, info.level);
    if (data < 0) {
        return -1;
    }
    return develop_text_CHINA(CHINA_byte_sequence, data, out, capacity, text) == 0 ? 0 : -2;
}
