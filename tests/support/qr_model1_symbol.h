#pragma once
// QR Model 1 symbols drawn by the project itself (no outside encoder makes
// them): byte-mode data, Reed-Solomon blocks, the Model 1 module layout and
// format information, and a renderer for any module matrix.

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/symbol_renderer.h"

namespace support {

struct ModuleMatrix {
    int size = 0;
    std::vector<uint8_t> dark{};  // row-major, 1 = dark

    bool ok() const { return size > 0; }
};

// Whether QR data mask 0..7 (the same eight for both models) darkens the
// module in row i, column j. Written from the standard's formulas, apart from
// the decoder's own table, so a test can check one against the other.
bool qrMaskDark(int mask, int i, int j);

// Version 1..14, level 'L', 'M', 'Q' or 'H', mask 0..7. Empty when the data
// do not fit.
ModuleMatrix drawQRModel1(int version, char level, int mask, std::string const& data);

// A frame with the matrix drawn at the options' module size, angle, centre,
// quiet zone, grey levels and polarity, then lighting, blur and noise.
// Perspective is not drawn.
Frame renderModules(ModuleMatrix const& matrix, RenderOptions const& options);

}  // namespace support
