#include "format/decode_data_byte.h"

#include <cstdlib>

using CellType = DecodeDataByte::CellType;

DecodeDataByte::EncodeType DecodeDataByte::encodeType = DecodeDataByte::EncodeType::Binary;

CellType DecodeDataByte::GetType() const
{
    const unsigned b3 = Byte(3), b2 = Byte(2), b1 = Byte(1), b0 = Byte(0);
    if (b3 != 0) {
        if (b3 < 0x60)
            return CellType::Unicode32;
        if (b3 == 0x60) {
            switch (b2) {
            case 0: return CellType::DoubleChar;
            case 1: return CellType::FormatId;
            case 2: return CellType::FormatSpec;
            default: return CellType::Invalid;
            }
        }
        if (b3 == 0x61)
            return CellType::TripleChar;
        if (b3 == 0x62)
            return CellType::FormattedNumber;
        return b3 < 0x80 ? CellType::Invalid : CellType::QuadChar;
    }
    if (b2 == 0) {
        if (b1 != 0)
            return CellType::Unicode16;
        return b0 != 0 ? CellType::SingleChar : CellType::End;
    }
    if (b2 < 0xE0)
        return CellType::Unicode24;
    if (b2 == 0xE0) {
        switch (b1) {
        case 0: return CellType::Key;
        case 1: return CellType::Delay;
        case 2: return CellType::HankakuKana;
        default: return CellType::Invalid;
        }
    }
    if (b2 == 0xE1) {
        switch (b1) {
        case 0: return CellType::Special;
        case 1: return CellType::RawByte;
        case 2: return CellType::SpecialQ;
        default: return CellType::Invalid;
        }
    }
    return (b1 == 0xFF && b2 == 0xFF) ? CellType::Empty : CellType::Invalid;
}

bool DecodeDataByte::IsUnicode() const
{
    const CellType t = GetType();
    return t == CellType::Unicode16 || t == CellType::Unicode24 || t == CellType::Unicode32;
}

bool DecodeDataByte::IsCodePointCell() const
{
    return GetType() == CellType::SingleChar || IsUnicode();
}

std::uint32_t DecodeDataByte::GetEntity() const
{
    switch (GetType()) {
    case CellType::Key:
    case CellType::Delay:
    case CellType::RawByte:
    case CellType::SingleChar:
    case CellType::HankakuKana:
        return value_ & 0xFF;
    case CellType::FormatId:
    case CellType::FormatSpec:
    case CellType::DoubleChar:
    case CellType::Unicode16:
        return value_ & 0xFFFF;
    case CellType::TripleChar:
    case CellType::Unicode24:
    case CellType::FormattedNumber:
        return value_ & 0xFFFFFF;
    case CellType::QuadChar:
    case CellType::Unicode32:
        return value_;
    default:
        return 0;
    }
}

// --- hexadecimal escapes ---------------------------------------------------------

namespace {

int HexDigit(DecodeDataByte cell)
{
    const std::uint32_t v = cell.GetValue();
    if (v >= '0' && v <= '9')
        return static_cast<int>(v - '0');
    if (v >= 'a' && v <= 'f')
        return static_cast<int>(v - 'a' + 10);
    if (v >= 'A' && v <= 'F')
        return static_cast<int>(v - 'A' + 10);
    return -1;
}

} // namespace

int DecodeDataByte::ReadInt(const DecodeDataByte* s, DecodeDataByte& out, unsigned n)
{
    for (unsigned i = 0; i < n && s[i].value_ != 0; ++i) {
        const int digit = HexDigit(s[i]);
        if (digit < 0)
            return kReadNotHex;
        out.value_ = out.value_ << 4 | static_cast<std::uint32_t>(digit);
    }
    return kReadDone;
}

int DecodeDataByte::ReadSingleByte(const DecodeDataByte* s, DecodeDataByte& out)
{
    out.value_ = 0;
    const int result = ReadInt(s, out, 2);
    out.value_ &= 0xFF;
    return result;
}

int DecodeDataByte::ReadDoubleByte(const DecodeDataByte* s, DecodeDataByte& out)
{
    out.value_ = 0;
    const int result = ReadInt(s, out, 4);
    out.value_ = 0x60000000u | (out.value_ & 0xFFFF);
    return result;
}

int DecodeDataByte::ReadTripleByte(const DecodeDataByte* s, DecodeDataByte& out)
{
    out.value_ = 0;
    const int result = ReadInt(s, out, 6);
    out.value_ = 0x61000000u | (out.value_ & 0xFFFFFF);
    return result;
}

int DecodeDataByte::ReadQuadByte(const DecodeDataByte* s, DecodeDataByte& out)
{
    out.value_ = 0;
    return ReadInt(s, out, 8);
}

long DecodeDataByte::StringToLong(const DecodeDataByte* s, const DecodeDataByte** end)
{
    // Unsigned so that an overlong number wraps instead of overflowing.
    unsigned long number = 0;
    for (;; ++s) {
        const std::uint32_t v = s->value_;
        if ((v >= 1 && v <= 31) || v == 255)
            continue;
        if (v < '0' || v > '9')
            break;
        number = number * 10 + (v - '0');
    }
    if (end)
        *end = s;
    return static_cast<long>(number);
}

unsigned DecodeDataByte::StringLength(const DecodeDataByte* s)
{
    unsigned n = 0;
    while (s[n].value_ != 0)
        ++n;
    return n;
}

// --- output side ---------------------------------------------------------------

unsigned DecodeDataByte::CountOutputByte() const
{
    switch (GetType()) {
    case CellType::End:
    case CellType::RawByte:
    case CellType::HankakuKana:
        return 1;
    case CellType::DoubleChar:
        return 2;
    case CellType::TripleChar:
        return 3;
    case CellType::QuadChar:
        return 4;
    case CellType::SingleChar:
    case CellType::Unicode16:
    case CellType::Unicode24:
    case CellType::Unicode32:
        break;
    default:
        return 0;
    }
    const std::uint32_t v = value_;
    switch (encodeType) {
    case EncodeType::Utf8:
        return v < 0x80 ? 1 : v < 0x800 ? 2 : v < 0x10000 ? 3 : v < 0x200000 ? 4 : 0;
    case EncodeType::Utf16:
    case EncodeType::Utf16LE:
    case EncodeType::Utf16BE:
        return v < 0x10000 ? 2 : v < 0x200000 ? 4 : 0;
    default:
        return Byte(2) == 0 ? 1 : 0;
    }
}

unsigned DecodeDataByte::StringOutputLength(const DecodeDataByte* s, unsigned n)
{
    unsigned total = 0;
    for (unsigned i = 0; i < n; ++i)
        total += s[i].CountOutputByte();
    return total;
}

int DecodeDataByte::GetEntityOutputBytes(unsigned char* buf, unsigned size, unsigned* count,
                                         FormatSpecifier spec) const
{
    *count = 0;
    if (size == 0)
        return 0;
    const CellType type = GetType();
    if (type == CellType::FormattedNumber)
        return GetFormattedNumberOutputBytes(buf, size, count, spec);
    if (type == CellType::SpecialQ)
        return 0;
    if (static_cast<unsigned>(type) < static_cast<unsigned>(CellType::RawByte) ||
        static_cast<unsigned>(type) > static_cast<unsigned>(CellType::HankakuKana)) {
        buf[0] = 0; // nothing to put out
        return 1;
    }
    const unsigned n = CountOutputByte();
    if (n > size - 1)
        return 0;
    std::uint32_t bytes = GetEntity();
    const bool utf = encodeType >= EncodeType::Utf8 && encodeType <= EncodeType::Utf16BE;
    const bool codePoint = utf && IsCodePointCell();
    if (codePoint && !UnicodeToUtf(bytes))
        return 0;
    // UTF-16LE puts the low byte of each 16-bit unit first; a pair keeps its unit order.
    const unsigned swap = codePoint && encodeType == EncodeType::Utf16LE ? 8 : 0;
    for (unsigned i = 0; i < n; ++i)
        buf[i] = static_cast<unsigned char>(bytes >> ((8 * (n - 1 - i)) ^ swap));
    buf[n] = 0;
    *count = n;
    return 1;
}

unsigned DecodeDataByte::GetFormatedNumberCountByte(FormatSpecifier spec) const
{
    return spec.GetDigit() + ((spec.IsSign() && spec.IsAscii() && !spec.IsHex()) ? 1 : 0);
}

int DecodeDataByte::GetFormattedNumberOutputBytes(unsigned char* buf, unsigned size, unsigned* count,
                                                  FormatSpecifier spec) const
{
    *count = 0;
    if (GetType() != CellType::FormattedNumber)
        return 0;
    const unsigned total = GetFormatedNumberCountByte(spec);
    if (size == 0 || total > size - 1)
        return 0;
    const unsigned digits = spec.GetDigit();
    // 24-bit two's complement, widened to 32 bits.
    const std::uint32_t raw = value_ & 0xFFFFFF;
    const bool negative = (raw & 0x800000) != 0;
    const std::uint32_t wide = (spec.IsSign() && negative) ? (raw | 0xFF000000u) : raw;
    unsigned pos = 0;
    if (!spec.IsAscii()) {
        for (unsigned i = 0; i < digits; ++i) {
            const unsigned byteIndex = spec.IsBigEndian() ? digits - 1 - i : i;
            buf[pos++] = byteIndex < 3 ? static_cast<unsigned char>(raw >> (8 * byteIndex)) : 0;
        }
    } else if (spec.IsHex()) {
        static constexpr char kHex[] = "0123456789ABCDEF";
        for (unsigned i = 0; i < digits; ++i)
            buf[pos++] = static_cast<unsigned char>(kHex[(wide >> (4 * (digits - 1 - i))) & 0xF]);
    } else {
        std::uint32_t magnitude = raw;
        if (spec.IsSign()) {
            buf[pos++] = negative ? '-' : '+';
            if (negative)
                magnitude = 0x1000000u - raw;
        }
        for (unsigned i = 0; i < digits; ++i) {
            buf[pos + digits - 1 - i] = static_cast<unsigned char>('0' + magnitude % 10);
            magnitude /= 10;
        }
        pos += digits;
    }
    buf[pos] = 0;
    *count = pos;
    return 1;
}

int DecodeDataByte::GetFormattedNumberOutputBytes(unsigned char* buf, unsigned size, unsigned* count) const
{
    return GetFormattedNumberOutputBytes(buf, size, count, FormatSpecifier::GetInstance());
}

unsigned DecodeDataByte::GetEntityByteCount(FormatSpecifier spec) const
{
    const CellType type = GetType();
    if (type == CellType::FormattedNumber)
        return GetFormatedNumberCountByte(spec);
    const unsigned t = static_cast<unsigned>(type);
    if ((t >= static_cast<unsigned>(CellType::RawByte) && t <= static_cast<unsigned>(CellType::HankakuKana)) ||
        type == CellType::End)
        return CountOutputByte();
    return 0;
}

unsigned DecodeDataByte::GetEntityByteCount() const
{
    return GetEntityByteCount(FormatSpecifier());
}

unsigned DecodeDataByte::GetLengthByteCount(const DecodeDataByte* s, unsigned n)
{
    return GetLengthByteCount(s, n, FormatSpecifier());
}

unsigned DecodeDataByte::GetLengthByteCount(const DecodeDataByte* s, unsigned n, FormatSpecifier spec)
{
    unsigned total = 0;
    for (unsigned i = 0; i < n; ++i)
        total += s[i].GetEntityByteCount(spec);
    return total;
}

std::pair<unsigned char, unsigned char> DecodeDataByte::GetFormatId() const
{
    if (GetType() != CellType::FormatId)
        return {254, 0};
    return {Byte(0), Byte(1)};
}

FormatSpecifier DecodeDataByte::GetFormatSpecifier() const
{
    // The low bits are the specifier's own byte, so a cell made with
    // SetFormatSpec(spec.GetBits()) reads back as spec.
    FormatSpecifier spec;
    if (GetType() == CellType::FormatSpec)
        spec.Set(static_cast<unsigned short>(value_ & 0x7F));
    return spec;
}
