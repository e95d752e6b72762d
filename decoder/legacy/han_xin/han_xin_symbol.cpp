#include "decoder/legacy/han_xin/han_xin_symbol.h"

#include "decoder/legacy/han_xin/han_xin_codewords.h"
#include "decoder/legacy/han_xin/han_xin_data.h"
#include "decoder/legacy/han_xin/han_xin_function_map.h"
#include "decoder/legacy/han_xin/han_xin_version.h"

static_assert(kHanXinSequenceBytes >= kHanXinMaxCodewords);

int DecodeHanXinGrid(unsigned short* grid, CHINA_FUNCTION_INFO_st const& info)
{
    CHINA_total_byte_count = 0;
    CHINA_final_data_count = 0;
    if (MarkHanXinFunctionModules(grid, info.version) != 0 ||
        ExtractHanXinCodewords(grid, info, CHINA_byte_sequence, kHanXinSequenceBytes) < 0) {
        return -1;
    }
    int const data = CorrectHanXinBlocks(CHINA_byte_sequence, info.version, info.level);
    if (data < 0) {
        return -1;
    }
    CHINA_total_byte_count = data;
    return develop_text_CHINA() == 0 ? 0 : -2;
}
