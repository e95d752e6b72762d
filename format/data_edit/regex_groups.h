#pragma once
// What a pattern's run records of one label: its groups (captured output or
// input ranges as cell positions), its GS1 element strings, and the label's
// identifiers and region, with the number output of the region for patterns
// and templates (corner and centre coordinates and the angle).

#include <cstdint>

#include "format/data_edit/ai_table.h"
#include "format/data_edit/limited_ring_iterator.h"
#include "format/decode_data_byte.h"

struct RegexGroup {
    std::uint16_t start = 0;
    std::uint16_t end = 0;
    std::uint32_t number = 0;
};

inline bool KeyEquals(const RegexGroup& group, unsigned number) { return group.number == number; }
// A stored or wanted 'D' or 'L' of the key matches any character.
inline bool KeyEquals(const ApplicationIdentifierData& element, const ApplicationIdentifier& wanted)
{
    return element.ai.Matches(wanted);
}

struct LabelRegion {
    int x[4] = {};
    int y[4] = {};
    int angle = 0;
};

class RegexGroups {
public:
    static constexpr unsigned kGroups = 64;

    // The newest 64 groups and element strings; older ones drop out.
    LimitedRingIterator<RegexGroup, kGroups> groups;
    LimitedRingIterator<ApplicationIdentifierData, kGroups> elements;
    DecodeDataByte symbology;
    unsigned char aim[3] = {}; // letter and modifier after ']'
    LabelRegion region;

    // Format bit 0: '+' before a non-negative value; bit 1: a fixed number of
    // digits (three for the angle, four for a coordinate). 0, or 2 when the
    // writer is full.
    template <class Writer>
    int OutputAngle(Writer& out, unsigned char format) const
    {
        return OutputNumber(out, region.angle, format, 3);
    }
    // point: 2 * p + 1 for y; p 0 the centre (the corners' mean, truncated
    // toward zero), 1-4 the corners. 3 for a point above 4.
    template <class Writer>
    int OutputCoordinate(Writer& out, unsigned point, unsigned char format) const
    {
        const unsigned p = point / 2;
        if (p > 4)
            return 3;
        const int* c = (point & 1) != 0 ? region.y : region.x;
        const long v = p == 0 ? (static_cast<long>(c[0]) + c[1] + c[2] + c[3]) / 4 : c[p - 1];
        return OutputNumber(out, v, format, 4);
    }
    // The value of a '\P' reference: a coordinate, or 10 the angle.
    template <class Writer>
    int OutputRegionValue(Writer& out, unsigned value, unsigned char format) const
    {
        return value == 10 ? OutputAngle(out, format) : OutputCoordinate(out, value, format);
    }

private:
    template <class Writer>
    static int OutputNumber(Writer& out, long value, unsigned char format, unsigned width)
    {
        if (value < 0) {
            if (!out.Put(DecodeDataByte::NewCharacter(static_cast<unsigned long>('-'))))
                return 2;
        } else if ((format & 1) != 0) {
            if (!out.Put(DecodeDataByte::NewCharacter(static_cast<unsigned long>('+'))))
                return 2;
        }
        unsigned long v = value < 0 ? static_cast<unsigned long>(-value) : static_cast<unsigned long>(value);
        char digits[24];
        unsigned n = 0;
        do {
            digits[n++] = static_cast<char>('0' + v % 10);
            v /= 10;
        } while (v != 0 && n < sizeof digits);
        if ((format & 2) != 0) {
            while (n < width)
                digits[n++] = '0';
            n = width; // the last `width` digits
        }
        while (n-- > 0)
            if (!out.Put(DecodeDataByte::NewCharacter(static_cast<unsigned long>(digits[n]))))
                return 2;
        return 0;
    }
};
