#include "decoder/matrix/dot_code/dot_code_codewords.h"

#include "decoder/matrix/dot_code/dot_code_tables.h"

namespace DEC2DIvra {

bool DotCodeSize::Calc(unsigned dotCount)
{
    if (dotCount < 2 + 9 * 3) {
        return false;
    }
    unsigned const m = (dotCount - 2) / 9;
    // A total of data and check words is never 2 mod 3.
    unsigned const n = m % 3 == 2 ? m : m + 1;
    if (n >= kMaxWords) {
        return false;
    }
    words = n;
    checks = n / 3 + 2;
    data = n - checks;
    return data >= 2;
}

bool CalcCodeWordFromBinarizationTable(BinarizationTableForDotCode const& table,
                                       BinarizationTableForDotCode::ReadingOrder order, unsigned wordCount,
                                       unsigned limit, unsigned& erasureCount, unsigned short* words,
                                       unsigned short* erasures)
{
    erasureCount = 0;
    unsigned bit = 0;
    auto take = [&](unsigned bits, unsigned& value) {
        value = 0;
        for (unsigned i = 0; i < bits; ++i, ++bit) {
            unsigned x = 0;
            unsigned y = 0;
            if (!table.GetCoord(order, bit, x, y)) {
                return false;
            }
            value = (value << 1) | (table.At(x, y) != 0 ? 1u : 0u);
        }
        return true;
    };
    unsigned mask = 0;
    if (wordCount == 0 || !take(2, mask)) {
        return false;
    }
    words[0] = static_cast<unsigned short>(mask);
    for (unsigned w = 1; w < wordCount; ++w) {
        unsigned pattern = 0;
        if (!take(9, pattern)) {
            return false;
        }
        unsigned char const value = DotCodeValueTable::Lookup(pattern);
        if (value == DotCodeValueTable::kInvalid) {
            if (erasureCount + 1 >= limit || erasureCount >= DotCodeSize::kMaxErasures) {
                return false;
            }
            erasures[erasureCount++] = static_cast<unsigned short>(w);
            words[w] = 0;
        } else {
            words[w] = value;
        }
    }
    return true;
}

bool RepaintBinarizationTable(BinarizationTableForDotCode& table, BinarizationTableForDotCode::ReadingOrder order,
                              unsigned wordCount, unsigned short const* words)
{
    if (wordCount == 0 || words[0] > 3) {
        return false;
    }
    for (unsigned y = 0; y < table.GetHeight(); ++y) {
        for (unsigned x = 0; x < table.GetWidth(); ++x) {
            table.At(x, y) = 0;
        }
    }
    unsigned bit = 0;
    auto paint = [&](unsigned bits, unsigned value) {
        for (unsigned i = bits; i-- > 0; ++bit) {
            unsigned x = 0;
            unsigned y = 0;
            if (!table.GetCoord(order, bit, x, y)) {
                return false;
            }
            table.At(x, y) = static_cast<unsigned char>((value >> i) & 1u);
        }
        return true;
    };
    if (!paint(2, words[0])) {
        return false;
    }
    for (unsigned w = 1; w < wordCount; ++w) {
        if (words[w] >= DotCodePatternTable::kValues || !paint(9, DotCodePatternTable::table[words[w]])) {
            return false;
        }
    }
    // The dots after the last codeword are printed.
    for (unsigned x = 0, y = 0; bit < table.GetDotCount(); ++bit) {
        if (!table.GetCoord(order, bit, x, y)) {
            return false;
        }
        table.At(x, y) = 1;
    }
    return true;
}

}  // namespace DEC2DIvra
