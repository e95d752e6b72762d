#pragma once

#include "decoder/core/containers/variable_size_virtual_table.h"

namespace DEC2DIvra {

// The ECC 200 module placement: which mapping-matrix module holds which bit
// of which codeword, read back into codewords (first bit = most significant).
class DataMatrixPlacement {
public:
    // Reads count codewords from the mapping matrix (true = dark). visited
    // holds one byte per mapping module. False when the matrix is empty or
    // larger than visited, or holds fewer codewords than asked.
    static bool ReadCodewords(VariableSizeVirtualTable<bool> const& matrix, unsigned char* visited,
                              unsigned visitedBytes, unsigned short* codewords, unsigned count);
};

}  // namespace DEC2DIvra
