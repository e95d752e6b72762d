// Readers that turn label bytes and setting texts into cell strings. Every
// reader stays inside the given byte count and cell capacity. A byte that does
// not start a valid character of the code page is kept as a RawByte cell by the
// counted form (the ASCII reader refuses it) and refuses the whole text in the
// terminated form, so nothing is lost silently and nothing is read past a
// truncated sequence.

#include <cstring>

#include "format/decode_data_byte.h"
#include "format/unicode.h"

namespace {

using Kind = DecodeDataByte::KindOfCharacter;

constexpr DecodeDataByte Single(unsigned char b) { return DecodeDataByte::NewCharacter(Kind::Plain, b); }
constexpr DecodeDataByte Raw(unsigned char b) { return DecodeDataByte::NewCharacter(Kind::RawByte, b); }
constexpr DecodeDataByte Double(unsigned char lead, unsigned char trail)
{
    return DecodeDataByte::NewCharacter(Kind::DoubleByte, lead, trail);
}

// One step of a reader: the cell for the bytes at p and how many it used.
struct Step {
    DecodeDataByte cell;
    unsigned used = 1;
    bool invalid = false; // a multi-byte sequence that does not decode
    bool refused = false; // a byte the reader cannot take at all
};

// The byte classes of each reader; `terminated` selects the few places where
// the terminated form differs.
enum class Code { Ascii, Binary, ShiftJis, GB18030, Big5, Uhc, Utf8, Utf16BE, Utf16LE };

bool InRange(unsigned char b, unsigned char low, unsigned char high) { return b >= low && b <= high; }

Step Invalid(unsigned char lead) { return Step{Raw(lead), 1, true, false}; }

Step ReadAscii(unsigned char b)
{
    switch (b) {
    case 0x80: return Step{DecodeDataByte::NewCharacter(Kind::Special, 0x80)};
    case 0x84: return Step{DecodeDataByte::NewCharacter(Kind::Special, 0x0D)};
    case 0xEF: return Step{DecodeDataByte::NewCharacter(Kind::Delay, 0xEF)};
    default:
        if (b < 0x80)
            return Step{Single(b)};
        return Step{Single(b), 1, false, true};
    }
}

Step ReadShiftJis(const unsigned char* p, std::size_t left, bool terminated)
{
    const unsigned char b = p[0];
    if (b < 0x80)
        return Step{Single(b)};
    if (InRange(b, 0xA1, 0xDF))
        return Step{DecodeDataByte::NewCharacter(Kind::HankakuKana, b)};
    if (b == 0xA0 || b >= 0xFD)
        return Step{terminated ? Single(b) : Raw(b)};
    // Leads 0x80-0x9F and 0xE0-0xFC.
    if (left >= 2 && (InRange(p[1], 0x40, 0x7E) || InRange(p[1], 0x80, 0xFC)))
        return Step{Double(b, p[1]), 2};
    return Invalid(b);
}

Step ReadGB18030(const unsigned char* p, std::size_t left)
{
    const unsigned char b = p[0];
    if (b < 0x80)
        return Step{Single(b)};
    if (b == 0x80 || b == 0xFF)
        return Step{Raw(b)};
    if (left >= 2 && (InRange(p[1], 0x40, 0x7E) || InRange(p[1], 0x80, 0xFE)))
        return Step{Double(b, p[1]), 2};
    if (left >= 4 && InRange(p[1], 0x30, 0x39) && InRange(p[2], 0x81, 0xFE) && InRange(p[3], 0x30, 0x39))
        return Step{DecodeDataByte::NewCharacter(b, p[1], p[2], p[3]), 4};
    return Invalid(b);
}

Step ReadBig5OrUhc(const unsigned char* p, std::size_t left, bool terminated, bool uhc)
{
    const unsigned char b = p[0];
    if (b < 0x80)
        return Step{Single(b)};
    if (b == 0x80 || b == 0xFF)
        return Step{terminated ? Single(b) : Raw(b)};
    if (left >= 2) {
        const unsigned char t = p[1];
        const bool valid = uhc ? (InRange(t, 0x41, 0x5A) || InRange(t, 0x61, 0x7A) || InRange(t, 0x81, 0xFE))
                               : (InRange(t, 0x40, 0x7E) || InRange(t, 0xA1, 0xFE));
        if (valid)
            return Step{Double(b, t), 2};
    }
    return Invalid(b);
}

Step ReadUtf8(const unsigned char* p, std::size_t left)
{
    std::uint32_t codePoint = 0;
    const unsigned used = ivra::unicode::DecodeUtf8(p, left, codePoint);
    if (used == 0)
        return Invalid(p[0]);
    return Step{DecodeDataByte::NewCharacter(static_cast<unsigned long>(codePoint)), used};
}

Step ReadUtf16(const unsigned char* p, std::size_t left, bool bigEndian)
{
    std::uint32_t codePoint = 0;
    const unsigned used = ivra::unicode::DecodeUtf16(p, left, bigEndian, codePoint);
    if (used == 0) // the unit's high byte, then on from the next byte
        return Invalid(bigEndian ? p[0] : p[1]);
    return Step{DecodeDataByte::NewCharacter(static_cast<unsigned long>(codePoint)), used};
}

Step ReadOne(Code code, const unsigned char* p, std::size_t left, bool terminated)
{
    switch (code) {
    case Code::Ascii: return ReadAscii(p[0]);
    case Code::Binary: return Step{Single(p[0])};
    case Code::ShiftJis: return ReadShiftJis(p, left, terminated);
    case Code::GB18030: return ReadGB18030(p, left);
    case Code::Big5: return ReadBig5OrUhc(p, left, terminated, false);
    case Code::Uhc: return ReadBig5OrUhc(p, left, terminated, true);
    case Code::Utf8: return ReadUtf8(p, left);
    case Code::Utf16BE: return ReadUtf16(p, left, true);
    case Code::Utf16LE: return ReadUtf16(p, left, false);
    }
    return Invalid(p[0]);
}

bool IsUtf16(Code code) { return code == Code::Utf16BE || code == Code::Utf16LE; }

// The destination: keeps one cell for the closing 0 cell, and on failure
// leaves an empty string rather than a partial one.
class CellSink {
public:
    CellSink(DecodeDataByte* dst, unsigned cells) : dst_(dst), cells_(cells) {}

    bool Put(DecodeDataByte cell)
    {
        if (cells_ == 0 || used_ >= cells_ - 1)
            return false;
        dst_[used_++] = cell;
        return true;
    }
    bool Close()
    {
        if (used_ >= cells_)
            return false;
        dst_[used_] = DecodeDataByte();
        return true;
    }
    void Clear()
    {
        used_ = 0;
        if (cells_ > 0)
            dst_[0] = DecodeDataByte();
    }
    unsigned Used() const { return used_; }

private:
    DecodeDataByte* dst_;
    unsigned cells_;
    unsigned used_ = 0;
};

int ReadCounted(Code code, unsigned* count, const unsigned char* src, unsigned len, DecodeDataByte* dst,
                unsigned dstCells)
{
    CellSink sink(dst, dstCells);
    int result = DecodeDataByte::kReadDone;
    // UTF-16 stops when fewer than two bytes remain, dropping an odd last byte.
    const std::size_t least = IsUtf16(code) ? 2 : 1;
    std::size_t pos = 0;
    while (len - pos >= least && result == DecodeDataByte::kReadDone) {
        const Step step = ReadOne(code, src + pos, len - pos, false);
        if (step.refused)
            result = DecodeDataByte::kReadBadByte;
        else if (!sink.Put(step.cell))
            result = DecodeDataByte::kReadNoRoom;
        pos += step.used;
    }
    if (result == DecodeDataByte::kReadDone && !sink.Close())
        result = DecodeDataByte::kReadNoRoom;
    if (result != DecodeDataByte::kReadDone)
        sink.Clear();
    if (count)
        *count = sink.Used();
    return result;
}

unsigned ReadTerminated(Code code, const unsigned char* src, DecodeDataByte* dst, unsigned dstCells)
{
    CellSink sink(dst, dstCells);
    const std::size_t end = std::strlen(reinterpret_cast<const char*>(src));
    std::size_t pos = 0;
    while (pos < end) {
        const Step step = ReadOne(code, src + pos, end - pos, true);
        if (step.invalid || step.refused || !sink.Put(step.cell)) {
            sink.Clear();
            return 0;
        }
        pos += step.used;
    }
    if (!sink.Close()) {
        sink.Clear();
        return 0;
    }
    return sink.Used();
}

} // namespace

int DecodeDataByte::AsciiStringToCharacterTypeString(unsigned* count, const unsigned char* src, unsigned len,
                                                     DecodeDataByte* dst, unsigned dstCells)
{
    return ReadCounted(Code::Ascii, count, src, len, dst, dstCells);
}

int DecodeDataByte::BinaryStringToCharacterTypeString(unsigned* count, const unsigned char* src, unsigned len,
                                                      DecodeDataByte* dst, unsigned dstCells)
{
    return ReadCounted(Code::Binary, count, src, len, dst, dstCells);
}

int DecodeDataByte::ShiftJisToCharacterTypeString(unsigned* count, const unsigned char* src, unsigned len,
                                                  DecodeDataByte* dst, unsigned dstCells)
{
    return ReadCounted(Code::ShiftJis, count, src, len, dst, dstCells);
}

int DecodeDataByte::GB18030ToCharacterTypeString(unsigned* count, const unsigned char* src, unsigned len,
                                                 DecodeDataByte* dst, unsigned dstCells)
{
    return ReadCounted(Code::GB18030, count, src, len, dst, dstCells);
}

int DecodeDataByte::Big5ToCharacterTypeString(unsigned* count, const unsigned char* src, unsigned len,
                                              DecodeDataByte* dst, unsigned dstCells)
{
    return ReadCounted(Code::Big5, count, src, len, dst, dstCells);
}

int DecodeDataByte::UhcToCharacterTypeString(unsigned* count, const unsigned char* src, unsigned len,
                                             DecodeDataByte* dst, unsigned dstCells)
{
    return ReadCounted(Code::Uhc, count, src, len, dst, dstCells);
}

int DecodeDataByte::Utf16BEToCharacterTypeString(unsigned* count, const unsigned char* src, unsigned len,
                                                 DecodeDataByte* dst, unsigned dstCells)
{
    return ReadCounted(Code::Utf16BE, count, src, len, dst, dstCells);
}

int DecodeDataByte::Utf16LEToCharacterTypeString(unsigned* count, const unsigned char* src, unsigned len,
                                                 DecodeDataByte* dst, unsigned dstCells)
{
    return ReadCounted(Code::Utf16LE, count, src, len, dst, dstCells);
}

int DecodeDataByte::Utf8ToCharacterTypeString(unsigned* count, const unsigned char* src, unsigned len,
                                              DecodeDataByte* dst, unsigned dstCells)
{
    return ReadCounted(Code::Utf8, count, src, len, dst, dstCells);
}

unsigned DecodeDataByte::AsciiStringToCharacterTypeString(const unsigned char* src, DecodeDataByte* dst,
                                                          unsigned dstCells)
{
    return ReadTerminated(Code::Ascii, src, dst, dstCells);
}

unsigned DecodeDataByte::ShiftJisToCharacterTypeString(const unsigned char* src, DecodeDataByte* dst, unsigned dstCells)
{
    return ReadTerminated(Code::ShiftJis, src, dst, dstCells);
}

unsigned DecodeDataByte::GB18030ToCharacterTypeString(const unsigned char* src, DecodeDataByte* dst, unsigned dstCells)
{
    return ReadTerminated(Code::GB18030, src, dst, dstCells);
}

unsigned DecodeDataByte::Big5ToCharacterTypeString(const unsigned char* src, DecodeDataByte* dst, unsigned dstCells)
{
    return ReadTerminated(Code::Big5, src, dst, dstCells);
}

unsigned DecodeDataByte::UhcToCharacterTypeString(const unsigned char* src, DecodeDataByte* dst, unsigned dstCells)
{
    return ReadTerminated(Code::Uhc, src, dst, dstCells);
}

int DecodeDataByte::Utf16ToCharacterTypeString(unsigned* count, const unsigned char* src, unsigned len,
                                               DecodeDataByte* dst, unsigned dstCells)
{
    if (len >= 2 && src[0] == 0xFE && src[1] == 0xFF)
        return ReadCounted(Code::Utf16BE, count, src + 2, len - 2, dst, dstCells);
    if (len >= 2 && src[0] == 0xFF && src[1] == 0xFE)
        return ReadCounted(Code::Utf16LE, count, src + 2, len - 2, dst, dstCells);
    return ReadCounted(Code::Utf16BE, count, src, len, dst, dstCells);
}

int DecodeDataByte::CStringToCharacterTypeString(unsigned* count, const unsigned char* src, unsigned len,
                                                 DecodeDataByte* dst, unsigned dstCells, bool ascii)
{
    if (ascii)
        return AsciiStringToCharacterTypeString(count, src, len, dst, dstCells);
    switch (encodeType) {
    case EncodeType::ShiftJis: return ShiftJisToCharacterTypeString(count, src, len, dst, dstCells);
    case EncodeType::GB18030: return GB18030ToCharacterTypeString(count, src, len, dst, dstCells);
    case EncodeType::Big5: return Big5ToCharacterTypeString(count, src, len, dst, dstCells);
    case EncodeType::Uhc: return UhcToCharacterTypeString(count, src, len, dst, dstCells);
    case EncodeType::Utf8: return Utf8ToCharacterTypeString(count, src, len, dst, dstCells);
    case EncodeType::Utf16: return Utf16ToCharacterTypeString(count, src, len, dst, dstCells);
    case EncodeType::Utf16LE: return Utf16LEToCharacterTypeString(count, src, len, dst, dstCells);
    case EncodeType::Utf16BE: return Utf16BEToCharacterTypeString(count, src, len, dst, dstCells);
    default: return BinaryStringToCharacterTypeString(count, src, len, dst, dstCells);
    }
}

int DecodeDataByte::CStringToCharacterTypeMenuString(unsigned* count, const unsigned char* src, unsigned len,
                                                     DecodeDataByte* dst, unsigned dstCells)
{
    switch (encodeType) {
    case EncodeType::ShiftJis:
    case EncodeType::GB18030:
    case EncodeType::Big5:
    case EncodeType::Uhc:
        return CStringToCharacterTypeString(count, src, len, dst, dstCells, false);
    case EncodeType::Utf8:
    case EncodeType::Utf16:
    case EncodeType::Utf16LE:
    case EncodeType::Utf16BE:
        return Utf8ToCharacterTypeString(count, src, len, dst, dstCells);
    default:
        return BinaryStringToCharacterTypeString(count, src, len, dst, dstCells);
    }
}
