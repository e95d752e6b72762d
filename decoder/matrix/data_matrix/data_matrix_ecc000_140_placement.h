#pragma once

#include "decoder/core/containers/variable_size_virtual_table.h"
#include "decoder/core/containers/virtual_array.h"

namespace DEC2DIvra {

// Where the bits of an ECC 000-140 module stream lie in the data area (the
// n x n modules inside the finder L and the timing sides, n = side - 2), and
// the fixed pattern every stream is randomised with before it is placed.
//
// Placement: with the rows counted k = n - 1 - row from the bottom and R the
// bit-reversal order of 0 .. n - 1, the module at (row, column) carries bit
// n * R[(column + 2n - 2k) mod n] + R^-1[k]; bits 0 to 3 are then moved, in
// that order, into the bottom-left, top-right, top-left and bottom-right
// corners, each swapping places with the bit that lay there.
class DataMatrixEcc000To140Placement {
public:
    static constexpr unsigned kMaxAreaSide = 47;
    static constexpr unsigned kMaxBits = kMaxAreaSide * kMaxAreaSide;

    // Fills table (n * n entries, row-major) with the bit each module
    // carries. False when n is no data-area side (odd, 7 .. 47) or the
    // table is short.
    static bool Build(unsigned n, VirtualArray<unsigned short> const& table);

    // Bit i of the randomising pattern.
    static bool GetRandomBit(unsigned i);

    // Reads the module stream out of the data area (a set entry is a dark
    // module): placement undone, randomising removed, packed most
    // significant bit first into one 8-bit codeword per element. False when
    // the area is no data-area size or a buffer is short.
    static bool ReadModuleStream(VariableSizeVirtualTable<bool> const& area, VirtualArray<unsigned short> const& table,
                                 VirtualArray<unsigned short> const& codewords);
};

}  // namespace DEC2DIvra
