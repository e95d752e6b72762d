#pragma once
// Data Matrix ECC 000-140 symbols drawn by the project itself (no outside
// encoder makes them): the data formats and CRC, the header, the
// convolutional codes, the randomising pattern and the module placement.

#include <string>

#include "tests/support/qr_model1_symbol.h"

namespace support {

// level: -1 for ECC 000 (no protection), else the code index 0 .. 11.
// format: 1 base 11, 2 base 27, 3 base 41, 4 base 37, 5 ASCII, 6 bytes.
// side: odd 9 .. 49. Empty when the data do not fit, or a character is not
// in the format's set.
ModuleMatrix drawDataMatrixEcc000To140(int side, int level, int format, std::string const& data);

}  // namespace support
