#pragma once
// Number output of a label's region for patterns and templates: corner and
// centre coordinates and the angle, with an optional sign and a fixed width.

#include "format/data_edit/code_regex_data_collector.h"
#include "format/decode_data_byte.h"

namespace regex_groups {

// Format bit 0: '+' before non-negative values; bit 1: exactly `width` digits.
template <class Writer>
int OutputNumber(Writer& out, long value, unsigned char format, unsigned width)
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

} // namespace regex_groups

// value: 2 * point + 1 for y (point 0 the centre, 1-4 the corners), 10 the angle.
template <class Writer>
int OutputRegionValue(Writer& out, const LabelRegion& region, unsigned value, unsigned char format)
{
    if (value == 10)
        return regex_groups::OutputNumber(out, region.angle, format, 3);
    const unsigned point = value / 2;
    const bool y = (value & 1) != 0;
    if (point > 4)
        return 3;
    const int* c = y ? region.y : region.x;
    long v = 0;
    if (point == 0)
        v = (static_cast<long>(c[0]) + c[1] + c[2] + c[3]) / 4;
    else
        v = c[point - 1];
    return regex_groups::OutputNumber(out, v, format, 4);
}
