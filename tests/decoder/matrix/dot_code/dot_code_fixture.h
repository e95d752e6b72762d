#pragma once
// The decoder handle with DotCode on (every other symbology off), bound to
// its own settings store, and zint DotCode symbols as frames or as tables.

#include <gtest/gtest.h>
#include <zint.h>

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "config/configuration_manager.h"
#include "decoder/core/dec2d_entry.h"
#include "decoder/core/identifiers/symbology_identifier.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/two_dimension_decoder.h"
#include "tests/decoder/matrix/handle_harness.h"
#include "tests/support/symbol_renderer.h"

namespace dot_code_test {

using Label = matrix_test::HandleLabel;

// DotCode on.
class DotCodeHarness : public matrix_test::HandleHarness {
public:
    DotCodeHarness() { Settings().read.dot_code.Set(true); }
};

inline support::SymbolInput DotCodeInput(std::string const& data, int inputMode = DATA_MODE, int eci = 0)
{
    support::SymbolInput input;
    input.symbology = BARCODE_DOTCODE;
    input.data = data;
    input.inputMode = inputMode;
    input.eci = eci;
    return input;
}

// zint's dot matrix of a symbol: rows of '1' and '0', empty on failure.
inline std::vector<std::string> ZintDots(support::SymbolInput const& input, int appendIndex = 0, int appendCount = 0)
{
    std::vector<std::string> rows;
    zint_symbol* symbol = ZBarcode_Create();
    symbol->symbology = input.symbology;
    symbol->input_mode = input.inputMode;
    symbol->eci = input.eci;
    symbol->option_1 = input.option1;
    symbol->option_2 = input.option2;
    symbol->option_3 = input.option3;
    symbol->structapp.index = appendIndex;
    symbol->structapp.count = appendCount;
    if (ZBarcode_Encode(symbol, reinterpret_cast<unsigned char const*>(input.data.data()),
                        static_cast<int>(input.data.size())) < ZINT_ERROR) {
        for (int r = 0; r < symbol->rows; ++r) {
            std::string row;
            for (int c = 0; c < symbol->width; ++c) {
                row.push_back(((symbol->encoded_data[r][c >> 3] >> (c & 7)) & 1) != 0 ? '1' : '0');
            }
            rows.push_back(row);
        }
    }
    ZBarcode_Delete(symbol);
    return rows;
}

}  // namespace dot_code_test
