#include "decoder/matrix/aztec_codeword_placement.h"

namespace DEC2DIvra {

namespace {

// Side of the symbol without its reference lines.
unsigned BaseSize(bool compact, unsigned layers) { return (compact ? 11u : 14u) + 4u * layers; }

// Table position of position i of the symbol without its reference lines:
// counted out from the centre, a reference line every 16 modules.
unsigned MapToTable(bool compact, unsigned base, unsigned size, unsigned i)
{
    if (compact) {
        return i;
    }
    unsigned const baseCentre = base / 2;
    unsigned const centre = size / 2;
    if (i < baseCentre) {
        unsigned const k = baseCentre - 1 - i;
        return centre - (k + k / 15) - 1;
    }
    unsigned const k = i - baseCentre;
    return centre + (k + k / 15) + 1;
}

}  // namespace

unsigned AztecSymbolSize(bool compact, unsigned layers)
{
    unsigned const base = BaseSize(compact, layers);
    if (compact) {
        return base;
    }
    return base + 1 + 2 * ((base / 2 - 1) / 15);
}

bool IsAztecReferenceLine(unsigned size, unsigned index)
{
    int const d = static_cast<int>(index) - static_cast<int>(size / 2);
    return (d < 0 ? -d : d) % 16 == 0;
}

bool ReadAztecCodewords(BinarizationTableForAztec const& table, bool compact, unsigned layers,
                        unsigned codewordBits, unsigned count, unsigned short* codewords)
{
    if (layers == 0 || layers > (compact ? 4u : 32u) || table.size != AztecSymbolSize(compact, layers) ||
        codewordBits == 0 || codewordBits > 16) {
        return false;
    }
    unsigned const base = BaseSize(compact, layers);
    unsigned total = 0;
    for (unsigned i = 0; i < layers; ++i) {
        total += ((layers - i) * 4u + (compact ? 9u : 12u)) * 8u;
    }
    if (count * codewordBits > total) {
        return false;
    }
    // The bits run from the outermost layer inward; the first total mod b
    // bits fill no codeword.
    unsigned const skip = total - (total / codewordBits) * codewordBits;
    // Table columns and row starts of the symbol's positions without
    // reference lines, once; the bits are met in stream order, so the
    // codeword and the bit in it simply count on.
    constexpr unsigned kMaxBase = 14u + 4u * 32u;
    unsigned short column[kMaxBase];
    unsigned rowStart[kMaxBase];
    for (unsigned i = 0; i < base; ++i) {
        column[i] = static_cast<unsigned short>(MapToTable(compact, base, table.size, i));
        rowStart[i] = column[i] * table.size;
    }
    unsigned char const* const cells = table.cells;
    // The bits gather in a register; the first word is taken after the
    // skipped bits and its own, the skipped ones masked off, every later
    // one after its own bits. Past the last word nothing more is kept.
    unsigned const mask = (1u << codewordBits) - 1;
    unsigned word = 0;
    unsigned gathered = 0;
    unsigned wanted = skip + codewordBits;
    auto put = [&](unsigned bx, unsigned by) {
        // Without a branch on the module: data modules are a coin toss.
        unsigned const dark = cells[rowStart[by] + column[bx]] != 0 ? 1u : 0u;
        gathered = (gathered << 1) | dark;
        if (--wanted == 0) {
            if (word < count) {
                codewords[word++] = static_cast<unsigned short>(gathered & mask);
            }
            gathered = 0;
            wanted = codewordBits;
        }
    };
    // Each layer is two modules thick; its four sides are read in turn, two
    // bits (outer module first) per step along a side: left side down,
    // bottom side right, right side up, top side left.
    for (unsigned i = 0; i < layers; ++i) {
        unsigned const row = (layers - i) * 4u + (compact ? 9u : 12u);
        unsigned const low = 2 * i;
        unsigned const high = base - 1 - low;
        for (unsigned j = 0; j < row; ++j) {
            put(low, low + j);
            put(low + 1, low + j);
        }
        for (unsigned j = 0; j < row; ++j) {
            put(low + j, high);
            put(low + j, high - 1);
        }
        for (unsigned j = 0; j < row; ++j) {
            put(high, high - j);
            put(high - 1, high - j);
        }
        for (unsigned j = 0; j < row; ++j) {
            put(high - j, low);
            put(high - j, low + 1);
        }
    }
    return true;
}

}  // namespace DEC2DIvra
