#pragma once
// An independent decoder (zxing-cpp) to check rendered frames against: if it
// reads a frame to the encoded data, the frame is a faithful symbol.

#include "tests/support/frame.h"

#include <string>
#include <vector>

namespace support {

struct OutsideRead {
    std::string format{};        // the outside reader's name for the symbology
    std::string bytes{};         // decoded content, no character-set conversion
    std::string text{};          // content as UTF-8
    std::string identifier{};    // symbology identifier, e.g. "]Q1"
    Quad position{};             // where the reader found it, its own corner order
};

// Whether the outside reader knows the zint symbology.
bool outsideReaderSupports(int symbology);

// Reads every symbol of the zint symbology (0: any) from the frame, scaled to
// 8 bits (v >> 2), trying harder and all rotations. Empty when nothing is
// read or the symbology is unsupported.
//
// Limits of zxing-cpp 1.4 to allow for when choosing test frames: no light-on-
// dark symbols (invert() the frame first); linear codes are scanned along rows
// and columns only, so at an angle the bars must be tall enough for one row to
// cross the whole symbol; Data Matrix is searched outwards from the frame
// centre; below about 2 pixels per module reads depend on the pixel phase.
std::vector<OutsideRead> readWithOutsideReader(Frame const& frame, int symbology = 0);

} // namespace support
