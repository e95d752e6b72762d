#pragma once
// The GS1 Application Identifier table shared by data-editing patterns and
// templates: which digit paths are AIs and how each AI's data fields are
// formed, the AI key read from program text, and one parsed element string.

#include <cstdint>

#include "format/decode_data_byte.h"

class AiTable {
public:
    // Field format codes.
    static constexpr unsigned char kDigitsVar = 1;
    static constexpr unsigned char kCharsVar = 2;
    static constexpr unsigned char kDigitsVarDecimal = 3;
    static constexpr unsigned char kVar = 4;
    static constexpr unsigned char kPositionDigit = 7;
    static constexpr unsigned char kNoField = 8;
    static constexpr unsigned char kDigitsFixed = 9;
    static constexpr unsigned char kCharsFixed = 10;
    static constexpr unsigned char kDigitsFixedDecimal = 11;
    static constexpr unsigned char kDate = 12;

    // Eight bytes of one digit of a table: a leaf (an AI: four field formats
    // and four lengths, 0 in the slots without a field), a link (first word
    // all ones, second word the number of the table for the next digit), or
    // empty (no AI along this digit path).
    struct AiTableElement {
        static constexpr std::uint32_t kEmpty = 0;
        static constexpr std::uint32_t kLink = 0xFFFFFFFFu;

        unsigned char format[4] = {};
        unsigned char length[4] = {};

        constexpr AiTableElement() = default;
        constexpr AiTableElement(unsigned char f1, unsigned char l1) : format{f1}, length{l1} {}
        constexpr AiTableElement(unsigned char f1, unsigned char f2, unsigned char l1, unsigned char l2)
            : format{f1, f2}, length{l1, l2}
        {
        }
        constexpr AiTableElement(unsigned char f1, unsigned char f2, unsigned char f3, unsigned char l1,
                                 unsigned char l2, unsigned char l3)
            : format{f1, f2, f3}, length{l1, l2, l3}
        {
        }
        constexpr AiTableElement(unsigned char f1, unsigned char f2, unsigned char f3, unsigned char f4,
                                 unsigned char l1, unsigned char l2, unsigned char l3, unsigned char l4)
            : format{f1, f2, f3, f4}, length{l1, l2, l3, l4}
        {
        }
        static AiTableElement Link(std::uint32_t table);

        // kEmpty, kLink, or a leaf's first word.
        std::uint32_t GetType() const;
        // The ten elements of the table for the next digit; null unless a link.
        const AiTableElement* GetNextTable() const;
        unsigned char GetFormat(unsigned i) const { return i < 4 ? format[i] : kNoField; }
        unsigned char GetLength(unsigned i) const { return i < 4 ? length[i] : 0; }
        bool IsLeaf() const { return GetType() != kEmpty && GetType() != kLink; }
    };

    // The table of the first AI digit: ten elements, one per digit.
    static const AiTableElement* Root();

    static bool IsGs1Character(std::uint32_t cell);
};

// Four characters: the AI's digits, then 'D' (or 'L') per decimal-position
// digit, 0 bytes after the last.
struct ApplicationIdentifier {
    char key[4] = {};

    // Reads a key from program text; true on success.
    bool Read(const DecodeDataByte* s, const DecodeDataByte** next);
    // A stored or wanted 'D' or 'L' matches any character.
    bool Matches(const ApplicationIdentifier& wanted) const;
    unsigned Length() const;
    bool Any() const { return key[0] == 0; }
};

// One parsed element string: cell positions of its data fields in the cell
// string it was read from.
struct ApplicationIdentifierData {
    ApplicationIdentifier ai;
    const AiTable::AiTableElement* element = nullptr;
    unsigned decimalPosition = 0;
    std::uint16_t start[4] = {};
    std::uint16_t end[4] = {};
    std::uint16_t aiStart = 0; // the AI digits themselves
    std::uint16_t aiEnd = 0;

    // Reads one element string from cells[pos, limit); on success `pos` is left
    // after it. A wanted key with no characters takes any AI.
    bool Read(const DecodeDataByte* cells, unsigned& pos, unsigned limit, const ApplicationIdentifier& wanted);
    bool Exist(unsigned field) const;
    bool HasPositionDigit() const { return element != nullptr && element->format[0] == AiTable::kPositionDigit; }
    // Writes a field (0: all) with the format byte (bit 0 drop a "00" day,
    // bit 1 decimal point); 0, 2 when the writer is full or the field number
    // is above 4, 1 when the field does not exist.
    template <class Writer>
    int OutputFormattedAiData(Writer& out, unsigned field, const DecodeDataByte* cells, unsigned char format) const;
};

// Digit-run writers the element and coordinate output share.
template <class Writer>
int ApplicationIdentifierData::OutputFormattedAiData(Writer& out, unsigned field, const DecodeDataByte* cells,
                                                     unsigned char format) const
{
    if (element == nullptr)
        return 1;
    if (field == 0) {
        for (unsigned f = 1; f <= 4; ++f) {
            if (!Exist(f))
                continue;
            const int r = OutputFormattedAiData(out, f, cells, format);
            if (r != 0)
                return r;
        }
        return 0;
    }
    if (field > 4)
        return 2;
    // Field 4 of an AI with a position digit does not exist: an alternative
    // that asks for it is passed over, like any missing field.
    if (!Exist(field))
        return 1;
    const unsigned slot = HasPositionDigit() ? field : field - 1;
    const unsigned a = start[slot], b = end[slot];
    const unsigned char code = element->format[slot];
    switch (code) {
    case AiTable::kDigitsVarDecimal:
    case AiTable::kDigitsFixedDecimal:
        if ((format & 2) != 0 && decimalPosition != 0) {
            const unsigned n = b - a;
            const unsigned whole = n > decimalPosition ? n - decimalPosition : 0;
            if (whole == 0) {
                if (!out.Put(DecodeDataByte::NewCharacter('0')))
                    return 2;
            }
            for (unsigned i = 0; i < whole; ++i)
                if (!out.Put(cells[a + i]))
                    return 2;
            if (!out.Put(DecodeDataByte::NewCharacter('.')))
                return 2;
            for (unsigned i = n; i < decimalPosition; ++i)
                if (!out.Put(DecodeDataByte::NewCharacter('0')))
                    return 2;
            for (unsigned i = whole; i < n; ++i)
                if (!out.Put(cells[a + i]))
                    return 2;
            return 0;
        }
        [[fallthrough]];
    case AiTable::kDigitsVar:
    case AiTable::kCharsVar:
    case AiTable::kVar:
    case AiTable::kDigitsFixed:
    case AiTable::kCharsFixed:
        for (unsigned i = a; i < b; ++i)
            if (!out.Put(cells[i]))
                return 2;
        return 0;
    case AiTable::kDate: {
        unsigned last = b;
        if ((format & 1) != 0 && b - a == 6 && cells[b - 2].GetValue() == '0' && cells[b - 1].GetValue() == '0')
            last = b - 2;
        for (unsigned i = a; i < last; ++i)
            if (!out.Put(cells[i]))
                return 2;
        return 0;
    }
    default:
        return 0;
    }
}
