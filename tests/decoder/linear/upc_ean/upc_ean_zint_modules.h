#pragma once
// The module row of a UPC/EAN symbol as libzint encodes it ('1' bar, '0'
// space), with zint's human-readable text: the outside truth for the digit
// tables, parity patterns and check digits.

#include <zint.h>

#include <string>

namespace upc_ean_test {

struct ZintRow {
    bool ok = false;
    std::string modules;
    std::string text;
};

inline ZintRow EncodeRow(int symbology, std::string const& data, int gap = 0)
{
    ZintRow row;
    zint_symbol* symbol = ZBarcode_Create();
    if (symbol == nullptr) {
        return row;
    }
    symbol->symbology = symbology;
    symbol->option_2 = gap;
    if (ZBarcode_Encode(symbol, reinterpret_cast<unsigned char const*>(data.data()), static_cast<int>(data.size())) <
        ZINT_ERROR) {
        // The bars of the last row run the full height, add-on included.
        int const r = symbol->rows - 1;
        for (int c = 0; c < symbol->width; ++c) {
            row.modules.push_back(((symbol->encoded_data[r][c >> 3] >> (c & 7)) & 1) != 0 ? '1' : '0');
        }
        row.text = reinterpret_cast<char const*>(symbol->text);
        row.ok = true;
    }
    ZBarcode_Delete(symbol);
    return row;
}

}  // namespace upc_ean_test
