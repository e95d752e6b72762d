#pragma once
// Data Matrix ECC 000-140 symbols drawn by the project itself (no outside
// encoder makes them): the data formats and CRC, the header, the
// convolutional codes, the randomising pattern and the module placement.

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/qr_model1_symbol.h"

namespace support {

// level: -1 for ECC 000 (no protection), else the code index 0 .. 11.
// format: 1 base 11, 2 base 27, 3 base 41, 4 base 37, 5 ASCII, 6 bytes.
// side: odd 9 .. 49. Empty when the data do not fit, or a character is not
// in the format's set.
// A protected module stream before randomising: the 19 header bits, then
// for every input group of k bits the code's n output bits, most significant
// first; one bit per element.
std::vector<uint8_t> encodeEcc000To140Stream(unsigned codeIndex, std::vector<unsigned> const& groups);

ModuleMatrix drawDataMatrixEcc000To140(int side, int level, int format, std::string const& data);

}  // namespace support
