#include "decoder/matrix/aztec/aztec_codeword_placement.h"

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
    // The bits gather in a register two at a time (the two modules of a
    // step), and whole codewords are taken off its top end after every run
    // of at most 16 steps: first the skipped bits, which are dropped, then
    // one word after another. Past the last word nothing more is kept. Fewer
    // than 16 bits wait before a run, so the register never overflows.
    unsigned const mask = (1u << codewordBits) - 1;
    unsigned long long gathered = 0;
    unsigned held = 0;
    unsigned word = 0;
    bool skipping = skip > 0;
    unsigned wanted = skipping ? skip : codewordBits;
    auto take = [&]() {
        while (held >= wanted) {
            held -= wanted;
            if (skipping) {
                skipping = false;
            } else if (word < count) {
                codewords[word++] = static_cast<unsigned short>((gathered >> held) & mask);
            }
            wanted = codewordBits;
        }
    };
    // The steps 0 .. steps - 1 of one side, pair(j) giving step j's two
    // bits; without a branch on the modules: data modules are a coin toss.
    constexpr unsigned kRun = 16;
    auto side = [&](unsigned steps, auto const& pair) {
        for (unsigned j = 0; j < steps;) {
            unsigned const end = steps - j < kRun ? steps : j + kRun;
            held += 2 * (end - j);
            unsigned long long run = gathered;
            for (; j < end; ++j) {
                run = (run << 2) | pair(j);
            }
            gathered = run;
            take();
        }
    };
    auto bits = [](unsigned char first, unsigned char second) {
        return (first != 0 ? 2u : 0u) | (second != 0 ? 1u : 0u);
    };
    // Each layer is two modules thick; its four sides are read in turn, two
    // bits (outer module first) per step along a side: left side down,
    // bottom side right, right side up, top side left.
    for (unsigned i = 0; i < layers; ++i) {
        unsigned const row = (layers - i) * 4u + (compact ? 9u : 12u);
        unsigned const low = 2 * i;
        unsigned const high = base - 1 - low;
        unsigned const lowColumn = column[low];
        unsigned const lowColumnIn = column[low + 1];
        side(row, [&](unsigned j) {
            unsigned char const* const line = cells + rowStart[low + j];
            return bits(line[lowColumn], line[lowColumnIn]);
        });
        unsigned char const* const outer = cells + rowStart[high];
        unsigned char const* const inner = cells + rowStart[high - 1];
        side(row, [&](unsigned j) { return bits(outer[column[low + j]], inner[column[low + j]]); });
        unsigned const highColumn = column[high];
        unsigned const highColumnIn = column[high - 1];
        side(row, [&](unsigned j) {
            unsigned char const* const line = cells + rowStart[high - j];
            return bits(line[highColumn], line[highColumnIn]);
        });
        unsigned char const* const top = cells + rowStart[low];
        unsigned char const* const below = cells + rowStart[low + 1];
        side(row, [&](unsigned j) { return bits(top[column[high - j]], below[column[high - j]]); });
    }
    take();
    return true;
}

}  // namespace DEC2DIvra
