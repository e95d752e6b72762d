#pragma once

namespace DEC2DIvra {

// The module decisions of an Aztec symbol, one byte per module (nonzero for
// the symbol's dark colour), row by row from the symbol's top-left corner as
// the symbol reads.
struct BinarizationTableForAztec {
    unsigned char* cells = nullptr;
    unsigned size = 0;

    unsigned char At(unsigned x, unsigned y) const { return cells[y * size + x]; }
    // Module (x, y) counted from the centre module; false off the table.
    bool AtFromCenter(int x, int y, unsigned char& value) const
    {
        int const half = static_cast<int>(size / 2);
        if (cells == nullptr || x < -half || y < -half || x > half || y > half) {
            return false;
        }
        value = At(static_cast<unsigned>(x + half), static_cast<unsigned>(y + half));
        return true;
    }
};

// Modules per side: compact 15-27, full range 19-151 with its reference lines.
unsigned AztecSymbolSize(bool compact, unsigned layers);

// Whether row or column `index` of a full-range symbol is a reference line.
bool IsAztecReferenceLine(unsigned size, unsigned index);

// The codewords of the data layers in reading order (data first, the check
// words ending at the core); count words of codewordBits bits. False when
// the table does not have the size of such a symbol.
bool ReadAztecCodewords(BinarizationTableForAztec const& table, bool compact, unsigned layers,
                        unsigned codewordBits, unsigned count, unsigned short* codewords);

}  // namespace DEC2DIvra
