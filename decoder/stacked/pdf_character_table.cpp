#include "decoder/stacked/pdf_character_table.h"

namespace DEC2DIvra {

namespace {

struct ReverseTables {
    unsigned short values[1u << 15];
    unsigned char rap[1u << 8];

    ReverseTables()
    {
        for (unsigned short& v : values) {
            v = 0xFFFF;
        }
        for (unsigned v = 0; v < 929; ++v) {
            for (unsigned c = 0; c < 3; ++c) {
                values[PDFCharacterTable::kPatterns[c][v] & 0x7FFFu] = static_cast<unsigned short>(v);
            }
        }
        for (unsigned char& v : rap) {
            v = 255;
        }
        for (unsigned set = 0; set < 2; ++set) {
            for (unsigned n = 0; n < 52; ++n) {
                rap[MicroPDFCharacterTable::kPatterns[set][n] & 0xFFu] = static_cast<unsigned char>(n + 1 + 64 * set);
            }
        }
    }
};

// Built once, on first use, by whichever thread comes first.
ReverseTables const& GetReverseTables()
{
    static ReverseTables const tables;
    return tables;
}

}  // namespace

void PDFCharacterTable::Initialize() { (void)GetReverseTables(); }

bool PDFCharacterTable::ValueAndClusterToPattern(unsigned value, unsigned cluster, unsigned& pattern)
{
    if (value > 928 || (cluster != 0 && cluster != 3 && cluster != 6)) {
        return false;
    }
    pattern = kPatterns[cluster / 3][value] * 2u + 1u;
    return true;
}

unsigned short PDFCharacterTable::PatternToValue(unsigned pattern16)
{
    if (pattern16 > 0x7FFFu) {
        return 0xFFFF;
    }
    return GetReverseTables().values[pattern16];
}

unsigned PDFCharacterTable::CalcCluster(int const bars[4])
{
    return static_cast<unsigned>(((bars[0] - bars[1] + bars[2] - bars[3]) % 9 + 18) % 9);
}

unsigned char MicroPDFCharacterTable::Lookup(unsigned pattern9)
{
    if (pattern9 > 0xFFu) {
        return 255;
    }
    return GetReverseTables().rap[pattern9];
}

}  // namespace DEC2DIvra
