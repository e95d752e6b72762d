#pragma once
// The decoder handle with Aztec Code and Aztec Runes on, bound to its own
// settings store, read through DEC2D_Main as the decoder thread does; and
// zint's module matrix of an Aztec symbol for the data-path tests.

#include <memory>
#include <new>
#include <string>
#include <vector>

#include <zint.h>

#include "config/configuration_manager.h"
#include "decoder/core/dec2d_entry.h"
#include "decoder/core/identifiers/symbology_identifier.h"
#include "decoder/core/property/dec2d_property.h"
#include "decoder/two_dimension_decoder.h"
#include "tests/decoder/matrix/handle_harness.h"
#include "tests/support/frame.h"

namespace aztec_test {

using Read = matrix_test::HandleLabel;

// Aztec Code and Aztec Runes on.
class AztecHarness : public matrix_test::HandleHarness {
public:
    AztecHarness()
    {
        Settings().read.aztec_code.Set(true);
        Settings().read.aztec_runes.Set(true);
    }

    std::vector<matrix_test::HandleLabel> const& Decode(support::Frame const& frame) { return Read(frame); }
};

// zint's modules of a symbol, row by row, 1 dark; empty when zint refuses.
struct Matrix {
    int size = 0;
    std::vector<unsigned char> cells;
};

inline Matrix EncodeMatrix(int symbology, std::string const& data, int version = 0, int inputMode = DATA_MODE,
                           int eci = 0, zint_structapp const* structapp = nullptr)
{
    Matrix m;
    zint_symbol* s = ZBarcode_Create();
    if (s == nullptr) {
        return m;
    }
    s->symbology = symbology;
    s->option_2 = version;
    s->input_mode = inputMode;
    s->eci = eci;
    if (structapp != nullptr) {
        s->structapp = *structapp;
    }
    int const result = ZBarcode_Encode(s, reinterpret_cast<unsigned char const*>(data.data()),
                                       static_cast<int>(data.size()));
    if (result < ZINT_ERROR && s->rows == s->width) {
        m.size = s->rows;
        m.cells.resize(static_cast<size_t>(m.size) * m.size);
        for (int y = 0; y < m.size; ++y) {
            for (int x = 0; x < m.size; ++x) {
                m.cells[static_cast<size_t>(y) * m.size + x] = (s->encoded_data[y][x >> 3] >> (x & 7)) & 1;
            }
        }
    }
    ZBarcode_Delete(s);
    return m;
}

}  // namespace aztec_test
