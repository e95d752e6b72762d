// Calculations over whole cell strings: format texts, check digits, checksums
// and output lengths.

#include "format/decode_data_byte.h"

unsigned DecodeDataByte::Format_GetBankNumber(const DecodeDataByte*, unsigned, FormatSpecifier, unsigned char)
{
    return 0;
}

unsigned DecodeDataByte::Format_GetReadTime(const DecodeDataByte*, unsigned, FormatSpecifier, unsigned char)
{
    return 100;
}

unsigned DecodeDataByte::Format_GetFormatSpec(const DecodeDataByte* s, unsigned n, FormatSpecifier, unsigned char)
{
    // Cell 0 is the format's own marker.
    if (n < 3)
        return 0;
    unsigned bits = 0;
    unsigned pos = 1;
    if (s[1].value_ == '+' || s[1].value_ == '-') {
        if (n < 4)
            return 0;
        bits |= 0x01;
        pos = 2;
    }
    switch (s[pos].value_) {
    case 'L': break;
    case 'B': bits |= 0x08; break;
    case 'D': bits |= 0x02; break;
    case 'X': bits |= 0x06; break;
    default: return 0;
    }
    ++pos;
    if (pos < n && s[pos].value_ >= '1' && s[pos].value_ <= '8')
        bits |= (s[pos].value_ - '1') << 4;
    return bits;
}

unsigned DecodeDataByte::Format_CalcGTINCheckDigit(const DecodeDataByte* s, unsigned n, FormatSpecifier,
                                                   unsigned char)
{
    if (n == 0)
        return 0;
    unsigned sum = 0;
    for (unsigned i = 0; i < n; ++i) {
        const std::uint32_t v = s[n - 1 - i].value_;
        if (v < '0' || v > '9')
            return 0;
        sum += (v - '0') * (i % 2 == 0 ? 3 : 1);
    }
    return (10 - sum % 10) % 10;
}

unsigned DecodeDataByte::Format_CalcChecksum(const DecodeDataByte* s, unsigned n, FormatSpecifier spec,
                                             unsigned char mode)
{
    unsigned result = 0;
    for (unsigned i = 0; i < n; ++i) {
        if (s[i].GetType() == CellType::FormatSpec) {
            spec = s[i].GetFormatSpecifier();
            continue;
        }
        unsigned char bytes[16];
        unsigned count = 0;
        if (!s[i].GetEntityOutputBytes(bytes, sizeof bytes, &count, spec))
            continue;
        for (unsigned k = 0; k < count; ++k)
            result = mode == 0 ? result + bytes[k] : result ^ bytes[k];
    }
    return result;
}

unsigned DecodeDataByte::Format_CalcCountOutputByte(const DecodeDataByte* s, unsigned n, FormatSpecifier spec,
                                                    unsigned char, unsigned char flags)
{
    unsigned total = 0;
    if (flags & 0x01)
        total += spec.GetDigit() + 1;
    for (unsigned i = 0; i < n; ++i) {
        if (s[i].GetType() == CellType::FormatSpec)
            spec = s[i].GetFormatSpecifier();
        else
            total += s[i].GetEntityByteCount(spec);
    }
    if (flags & 0x02)
        total += spec.GetDigit() + 1;
    return total;
}
