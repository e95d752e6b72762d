#include "tests/decoder/legacy/han_xin/han_xin_test_symbol.h"

#include "decoder/core/dec2d_entry.h"
#include "decoder/legacy/engine/legacy_geometry.h"
#include "decoder/legacy/engine/legacy_reader_entries.h"
#include "decoder/legacy/engine/legacy_scan_line.h"

#include <iconv.h>
#include <zint.h>

#include <memory>

namespace hanxin_test {

Symbol Encode(std::string const& data, int version, int level, int mask, bool unicode, int eci, bool fullMultibyte)
{
    struct Deleter {
        void operator()(zint_symbol* s) const { ZBarcode_Delete(s); }
    };
    std::unique_ptr<zint_symbol, Deleter> s(ZBarcode_Create());
    s->symbology = BARCODE_HANXIN;
    s->option_1 = level > 0 ? level : -1;
    s->option_2 = version;
    s->option_3 = (mask >= 0 ? (mask + 1) << 8 : 0) | (fullMultibyte ? ZINT_FULL_MULTIBYTE : 0);
    s->input_mode = unicode ? UNICODE_MODE : DATA_MODE;
    s->eci = eci;
    Symbol out;
    if (ZBarcode_Encode(s.get(), reinterpret_cast<unsigned char const*>(data.data()), static_cast<int>(data.size())) >=
        ZINT_ERROR) {
        return out;
    }
    out.size = s->width;
    out.grid.assign(kHanXinMaxSize * kHanXinMaxSize, 0);
    for (int row = 0; row < s->rows; ++row) {
        for (int column = 0; column < s->width; ++column) {
            out.grid[row * kHanXinMaxSize + column] = (s->encoded_data[row][column >> 3] >> (column & 7)) & 1;
        }
    }
    out.ok = s->rows == s->width;
    return out;
}

std::string Gb18030(std::string const& utf8)
{
    iconv_t cd = iconv_open("GB18030", "UTF-8");
    std::string out(utf8.size() * 4 + 4, '\0');
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    char* o = out.data();
    size_t outLeft = out.size();
    iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

void UseFrame(unsigned short const* pixels, int width, int height)
{
    // The decoder handle builds the engine, which starts from a default image:
    // build it first.
    (void)DEC2D_GetSingletonDecoderHandle();
    decode_image_info = DECODE_IMAGE_INFO_st{};
    decode_image_info.pixels = pixels;
    decode_image_info.width = width;
    decode_image_info.height = height;
    decode_image_info.samplePixels = pixels;
    decode_image_info.sampleWidth = width;
    decode_image_info.sampleHeight = height;
    COM_set_screen_size(width, height);
}

int SearchRow(int y, int width)
{
    POINT_st start{0, y};
    POINT_st end{width - 1, y};
    return search_finder_CHINA(&start, &end, 0);
}

}  // namespace hanxin_test
