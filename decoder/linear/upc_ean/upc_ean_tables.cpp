#include "decoder/linear/upc_ean/upc_ean_tables.h"

namespace DEC2DIvra {

namespace {

// Set A digits as printed, 1 = dark module.
constexpr unsigned kSetA[10] = {0x0D, 0x19, 0x13, 0x3D, 0x23, 0x31, 0x2F, 0x3B, 0x37, 0x0B};

constexpr unsigned Mirror(unsigned pattern)
{
    unsigned out = 0;
    for (unsigned i = 0; i < 7; ++i) {
        out = (out << 1) | ((pattern >> i) & 1u);
    }
    return out;
}

constexpr unsigned CountBits(unsigned v)
{
    unsigned n = 0;
    for (; v != 0; v &= v - 1) {
        ++n;
    }
    return n;
}

struct CharacterTable {
    UpcEanCharacter entries[64];
};

// Each digit under its four readings: set A and set B from the left, and
// both mirrored (a right-half character forward reads as set B mirrored, so
// it needs no entry of its own).
constexpr CharacterTable MakeTable()
{
    CharacterTable t{};
    for (auto& e : t.entries) {
        e = UpcEanCharacter{UpcEanTables::kNoCharacter, UpcEanTables::kNoCharacter};
    }
    for (unsigned d = 0; d < 10; ++d) {
        unsigned const spacesA = ~kSetA[d] & 0x7Fu;  // set A as space modules
        unsigned const spacesB = Mirror(kSetA[d]);   // set B as space modules
        unsigned const readings[4] = {spacesA, Mirror(spacesA), spacesB, Mirror(spacesB)};
        for (unsigned p : readings) {
            t.entries[p >> 1] =
                UpcEanCharacter{static_cast<unsigned char>(d), static_cast<unsigned char>(CountBits(p) & 1u)};
        }
    }
    return t;
}

constexpr CharacterTable kTable = MakeTable();

}  // namespace

UpcEanCharacter const (&UpcEanTables::table)[64] = kTable.entries;

// The leading-digit and UPC-E parity patterns; index 63 (all set A) is the
// leading digit 0, and the all-set-B pattern means nothing.
unsigned char const UpcEanTables::evenOddTable[64] = {
    255, 255, 255, 255, 255, 255, 255, 0,   255, 255, 255, 1,   255, 2,   3,   255,  // 0-15
    255, 255, 255, 4,   255, 7,   8,   255, 255, 5,   9,   255, 6,   255, 255, 255,  // 16-31
    255, 255, 255, 6,   255, 9,   5,   255, 255, 8,   7,   255, 4,   255, 255, 255,  // 32-47
    255, 3,   2,   255, 1,   255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 0,    // 48-63
};

unsigned UpcEanTables::SetAPattern(unsigned digit) { return digit < 10 ? kSetA[digit] : 0u; }

unsigned UpcEanTables::Mirror7(unsigned pattern) { return Mirror(pattern & 0x7Fu); }

unsigned UpcEanTables::CalcUpcACheckDigit(unsigned char const digits[11])
{
    unsigned sum = 0;
    for (unsigned i = 0; i < 11; ++i) {
        sum += (i % 2 == 0 ? 3u : 1u) * digits[i];
    }
    return (10 - sum % 10) % 10;
}

bool UpcEanTables::ExpandUpcE(unsigned char const upce[6], unsigned char expanded[10])
{
    for (unsigned i = 0; i < 6; ++i) {
        if (upce[i] > 9) {
            return false;
        }
    }
    unsigned char const d1 = upce[0], d2 = upce[1], d3 = upce[2], d4 = upce[3], d5 = upce[4], d6 = upce[5];
    unsigned char const z = 0;
    if (d6 <= 2) {
        unsigned char const e[10] = {d1, d2, d6, z, z, z, z, d3, d4, d5};
        for (unsigned i = 0; i < 10; ++i) expanded[i] = e[i];
    } else if (d6 == 3) {
        unsigned char const e[10] = {d1, d2, d3, z, z, z, z, z, d4, d5};
        for (unsigned i = 0; i < 10; ++i) expanded[i] = e[i];
    } else if (d6 == 4) {
        unsigned char const e[10] = {d1, d2, d3, d4, z, z, z, z, z, d5};
        for (unsigned i = 0; i < 10; ++i) expanded[i] = e[i];
    } else {
        unsigned char const e[10] = {d1, d2, d3, d4, d5, z, z, z, z, d6};
        for (unsigned i = 0; i < 10; ++i) expanded[i] = e[i];
    }
    return true;
}

}  // namespace DEC2DIvra
