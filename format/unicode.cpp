#include "format/unicode.h"

#include "format/decode_data_byte.h"

namespace ivra::unicode {

unsigned DecodeUtf8(const unsigned char* src, std::size_t len, std::uint32_t& codePoint)
{
    if (len == 0)
        return 0;
    const unsigned lead = src[0];
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    unsigned length;
    std::uint32_t value;
    // The second byte's range closes off overlongs, surrogates and values past U+10FFFF.
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (len < length || src[1] < low || src[1] > high)
        return 0;
    for (unsigned i = 1; i < length; ++i) {
        if (src[i] < 0x80 || src[i] > 0xBF)
            return 0;
        value = value << 6 | (src[i] & 0x3F);
    }
    codePoint = value;
    return length;
}

namespace {

std::uint32_t Unit(const unsigned char* p, bool bigEndian)
{
    return bigEndian ? (std::uint32_t{p[0]} << 8 | p[1]) : (std::uint32_t{p[1]} << 8 | p[0]);
}

} // namespace

unsigned DecodeUtf16(const unsigned char* src, std::size_t len, bool bigEndian, std::uint32_t& codePoint)
{
    if (len < 2)
        return 0;
    const std::uint32_t first = Unit(src, bigEndian);
    if (!IsHighSurrogate(first) && !IsLowSurrogate(first)) {
        codePoint = first;
        return 2;
    }
    if (!IsHighSurrogate(first) || len < 4)
        return 0;
    const std::uint32_t second = Unit(src + 2, bigEndian);
    if (!IsLowSurrogate(second))
        return 0;
    codePoint = 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00);
    return 4;
}

} // namespace ivra::unicode

using namespace ivra::unicode;

int DecodeDataByte::Utf16ToUnicode(std::uint32_t& out, unsigned char hi1, unsigned char lo1, unsigned char hi2,
                                   unsigned char lo2)
{
    const unsigned char units[4] = {hi1, lo1, hi2, lo2};
    return DecodeUtf16(units, 4, true, out) != 0 ? 1 : 0;
}

int DecodeDataByte::Utf8ToUnicode(std::uint32_t& out, unsigned char b1, unsigned char b2, unsigned char b3,
                                  unsigned char b4)
{
    const unsigned char bytes[4] = {b1, b2, b3, b4};
    unsigned start = 0;
    while (start < 3 && bytes[start] == 0)
        ++start;
    const unsigned length = 4 - start;
    std::uint32_t value = 0;
    if (DecodeUtf8(bytes + start, length, value) != length)
        return 0;
    out = value;
    return 1;
}

int DecodeDataByte::UnicodeToUtf16(std::uint32_t& out, std::uint32_t codePoint)
{
    if (codePoint >= 0x110000)
        return 0;
    if (codePoint < 0x10000) {
        out = codePoint;
        return 1;
    }
    const std::uint32_t v = codePoint - 0x10000;
    out = (0xD800 + (v >> 10)) << 16 | (0xDC00 + (v & 0x3FF));
    return 1;
}

int DecodeDataByte::UnicodeToUtf8(std::uint32_t& out, std::uint32_t codePoint)
{
    if (codePoint < 0x80)
        out = codePoint;
    else if (codePoint < 0x800)
        out = (0xC0 | codePoint >> 6) << 8 | (0x80 | (codePoint & 0x3F));
    else if (codePoint < 0x10000)
        out = (0xE0 | codePoint >> 12) << 16 | (0x80 | ((codePoint >> 6) & 0x3F)) << 8 |
              (0x80 | (codePoint & 0x3F));
    else if (codePoint < 0x200000)
        out = (0xF0 | codePoint >> 18) << 24 | (0x80 | ((codePoint >> 12) & 0x3F)) << 16 |
              (0x80 | ((codePoint >> 6) & 0x3F)) << 8 | (0x80 | (codePoint & 0x3F));
    else
        return 0;
    return 1;
}

int DecodeDataByte::UnicodeToUtf(std::uint32_t& out) const
{
    if (!IsCodePointCell())
        return 0;
    switch (encodeType) {
    case EncodeType::Utf8:
        return UnicodeToUtf8(out, value_);
    case EncodeType::Utf16:
    case EncodeType::Utf16LE:
    case EncodeType::Utf16BE:
        return UnicodeToUtf16(out, value_);
    default:
        return 0;
    }
}
