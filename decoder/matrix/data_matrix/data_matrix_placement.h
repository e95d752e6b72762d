#pragma once

#include "decoder/core/containers/variable_size_virtual_table.h"
#include "decoder/matrix/data_matrix/data_matrix_version.h"

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

// The placement of one mapping size laid out once: for every bit of every
// codeword, the mapping module that holds it. Reading a symbol of that size
// is then one pass over the table, with the codewords ReadCodewords gives.
class DataMatrixPlacementTable {
public:
    // Lays the table out for a width x height mapping matrix and count
    // codewords, visited as ReadCodewords takes it. False, and the table
    // for no size, where ReadCodewords fails or count is beyond the table.
    bool Build(unsigned width, unsigned height, unsigned count, unsigned char* visited, unsigned visitedBytes);
    bool IsFor(unsigned width, unsigned height, unsigned count) const
    {
        return count_ != 0 && width == width_ && height == height_ && count == count_;
    }
    // The codewords of a matrix of the size the table is for; false, with
    // nothing read, for a matrix of another size.
    bool Read(VariableSizeVirtualTable<bool> const& matrix, unsigned short* codewords) const;

private:
    static constexpr unsigned short kNone = 0xffff;
    static constexpr unsigned kMaxBits = DataMatrixVersionTable::kMaxCodewords * 8;
    static_assert(DataMatrixVersionTable::kMaxMappingSide * DataMatrixVersionTable::kMaxMappingSide < kNone);

    unsigned short modules_[kMaxBits];
    unsigned width_ = 0;
    unsigned height_ = 0;
    unsigned count_ = 0;
};

}  // namespace DEC2DIvra
