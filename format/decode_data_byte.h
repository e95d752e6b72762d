#pragma once
// One decoded character, or one non-character item (key, pause, FNC1, output
// format switch, template function reference), packed into 32 bits. Every
// label becomes a string of these cells before it is edited or output; a cell
// whose value is 0 ends a cell string.
//
// Byte 0 is the least significant byte of the value, byte 3 the most.

#include <cstdint>
#include <utility>

#include "format/format_specifier.h"

class DecodeDataByte {
public:
    // What sits above the character bytes of a one-, two- or three-byte cell.
    enum class KindOfCharacter : std::uint32_t {
        Plain = 0,
        DoubleByte = 0x6000,
        Key = 0xE000,
        Delay = 0xE001,
        HankakuKana = 0xE002,
        Special = 0xE100,
        RawByte = 0xE101,
        SpecialQ = 0xE102,
    };

    // The numbers are part of the interface; 11 and 17 are never returned.
    enum class CellType : unsigned char {
        Key = 0,
        Delay = 1,
        Special = 2,
        SpecialQ = 3,
        FormatId = 4,
        FormatSpec = 5,
        RawByte = 6,
        SingleChar = 7,
        DoubleChar = 8,
        TripleChar = 9,
        QuadChar = 10,
        Unicode16 = 12,
        Unicode24 = 13,
        Unicode32 = 14,
        HankakuKana = 15,
        FormattedNumber = 16,
        Empty = 18,
        End = 19,
        Invalid = 20,
    };

    // Code page of the generic readers and of the Unicode output counts.
    enum class EncodeType : unsigned char {
        Binary = 0,
        ShiftJis = 1,
        GB18030 = 2,
        Big5 = 3,
        Uhc = 4,
        Utf8 = 5,
        Utf16 = 6, // byte-order mark decides
        Utf16LE = 7,
        Utf16BE = 8,
    };

    // Results of the readers.
    static constexpr int kReadDone = 0;
    static constexpr int kReadNoRoom = 2;
    static constexpr int kReadNotHex = 3;
    static constexpr int kReadBadByte = 4;

    static constexpr std::uint32_t kFnc1 = 0x00E10080;

    constexpr DecodeDataByte() = default;

    // --- construction ---------------------------------------------------------
    static constexpr DecodeDataByte NewCharacter(KindOfCharacter kind, unsigned char c)
    {
        return DecodeDataByte(static_cast<std::uint32_t>(kind) << 8 | c);
    }
    static constexpr DecodeDataByte NewCharacter(KindOfCharacter kind, unsigned char c1, unsigned char c2)
    {
        return DecodeDataByte(static_cast<std::uint32_t>(kind) << 16 | std::uint32_t{c1} << 8 | c2);
    }
    static constexpr DecodeDataByte NewCharacter(KindOfCharacter kind, unsigned char c1, unsigned char c2,
                                                 unsigned char c3)
    {
        return DecodeDataByte(static_cast<std::uint32_t>(kind) << 24 | std::uint32_t{c1} << 16 |
                              std::uint32_t{c2} << 8 | c3);
    }
    static constexpr DecodeDataByte NewCharacter(unsigned char c1, unsigned char c2, unsigned char c3,
                                                 unsigned char c4)
    {
        return DecodeDataByte(std::uint32_t{c1} << 24 | std::uint32_t{c2} << 16 | std::uint32_t{c3} << 8 | c4);
    }
    // A Unicode code point (or any raw cell value).
    static constexpr DecodeDataByte NewCharacter(unsigned long v)
    {
        return DecodeDataByte(static_cast<std::uint32_t>(v));
    }

    // Each setter overwrites the whole cell.
    void SetKey(unsigned char kk) { value_ = 0x00E00000u | kk; }
    void SetKey() { SetKey(static_cast<unsigned char>(value_)); }
    void SetDelay(unsigned char dd) { value_ = 0x00E00100u | dd; }
    void SetSingleChar(unsigned char cc) { value_ = cc; }
    void SetDoubleChar(unsigned short v) { value_ = 0x60000000u | v; }
    void SetDoubleChar(const unsigned char* two) { value_ = 0x60000000u | std::uint32_t{two[0]} << 8 | two[1]; }
    void SetTripleChar(std::uint32_t v) { value_ = 0x61000000u | (v & 0x00FFFFFFu); }
    void SetQuadChar(std::uint32_t v) { value_ = v; }
    void SetHankakuKana(unsigned char kk) { value_ = 0x00E00200u | kk; }
    // A 24-bit two's-complement number.
    void SetFormattedNumber(std::int32_t v) { value_ = 0x62000000u | (static_cast<std::uint32_t>(v) & 0x00FFFFFFu); }
    void SetFormatSpec(std::uint32_t v) { value_ = 0x60020000u | (v & 0xFFFFu); }
    void EmptyOut() { value_ = 0x00FFFF00u; }

    constexpr std::uint32_t GetValue() const { return value_; }
    friend constexpr bool operator==(DecodeDataByte, DecodeDataByte) = default;

    // --- classification -------------------------------------------------------
    CellType GetType() const;
    bool IsUnicode() const;
    // The character or number the cell carries; 0 for items that carry none.
    std::uint32_t GetEntity() const;

    // --- process-wide code page -----------------------------------------------
    // Set once at start-up if at all; the system reads labels byte for byte.
    static EncodeType encodeType;
    static void SetEncodeMethod(EncodeType type) { encodeType = type; }

    // --- hexadecimal escapes in cell text ---------------------------------------
    // Reads at most n hex digit cells into out (shifting it left by 4 per digit),
    // stopping early at a 0 cell. 0, or kReadNotHex at a cell that is no digit.
    static int ReadInt(const DecodeDataByte* s, DecodeDataByte& out, unsigned n);
    static int ReadSingleByte(const DecodeDataByte* s, DecodeDataByte& out);
    static int ReadDoubleByte(const DecodeDataByte* s, DecodeDataByte& out);
    static int ReadTripleByte(const DecodeDataByte* s, DecodeDataByte& out);
    static int ReadQuadByte(const DecodeDataByte* s, DecodeDataByte& out);

    // Decimal number; cells 1-31 and 255 are skipped, any other non-digit stops.
    static long StringToLong(const DecodeDataByte* s, const DecodeDataByte** end);
    static unsigned StringLength(const DecodeDataByte* s);

    // --- readers: bytes to cells -----------------------------------------------
    // Counted form: reads exactly len bytes into dst (dstCells cells, the closing
    // 0 cell included). kReadDone with *count the cells before the 0 cell;
    // kReadNoRoom when dst is too small; the ASCII reader kReadBadByte at a byte
    // it cannot take. On failure dst holds an empty string and *count is 0.
    // Bytes that do not form a character become RawByte cells.
    static int AsciiStringToCharacterTypeString(unsigned* count, const unsigned char* src, unsigned len,
                                                DecodeDataByte* dst, unsigned dstCells);
    static int BinaryStringToCharacterTypeString(unsigned* count, const unsigned char* src, unsigned len,
                                                 DecodeDataByte* dst, unsigned dstCells);
    static int ShiftJisToCharacterTypeString(unsigned* count, const unsigned char* src, unsigned len,
                                             DecodeDataByte* dst, unsigned dstCells);
    static int GB18030ToCharacterTypeString(unsigned* count, const unsigned char* src, unsigned len,
                                            DecodeDataByte* dst, unsigned dstCells);
    static int Big5ToCharacterTypeString(unsigned* count, const unsigned char* src, unsigned len,
                                         DecodeDataByte* dst, unsigned dstCells);
    static int UhcToCharacterTypeString(unsigned* count, const unsigned char* src, unsigned len,
                                        DecodeDataByte* dst, unsigned dstCells);
    static int Utf16BEToCharacterTypeString(unsigned* count, const unsigned char* src, unsigned len,
                                            DecodeDataByte* dst, unsigned dstCells);
    static int Utf16LEToCharacterTypeString(unsigned* count, const unsigned char* src, unsigned len,
                                            DecodeDataByte* dst, unsigned dstCells);
    static int Utf16ToCharacterTypeString(unsigned* count, const unsigned char* src, unsigned len,
                                          DecodeDataByte* dst, unsigned dstCells);
    static int Utf8ToCharacterTypeString(unsigned* count, const unsigned char* src, unsigned len,
                                         DecodeDataByte* dst, unsigned dstCells);

    // Terminated form: reads up to the first 0 byte. The number of cells before
    // the closing 0 cell, or 0 when dst fills up or a sequence is invalid.
    static unsigned AsciiStringToCharacterTypeString(const unsigned char* src, DecodeDataByte* dst,
                                                     unsigned dstCells);
    static unsigned ShiftJisToCharacterTypeString(const unsigned char* src, DecodeDataByte* dst, unsigned dstCells);
    static unsigned GB18030ToCharacterTypeString(const unsigned char* src, DecodeDataByte* dst, unsigned dstCells);
    static unsigned Big5ToCharacterTypeString(const unsigned char* src, DecodeDataByte* dst, unsigned dstCells);
    static unsigned UhcToCharacterTypeString(const unsigned char* src, DecodeDataByte* dst, unsigned dstCells);

    // Label text: the ASCII reader, or the reader of encodeType.
    static int CStringToCharacterTypeString(unsigned* count, const unsigned char* src, unsigned len,
                                            DecodeDataByte* dst, unsigned dstCells, bool ascii);
    // Setting text: as above, but every Unicode encodeType reads UTF-8.
    static int CStringToCharacterTypeMenuString(unsigned* count, const unsigned char* src, unsigned len,
                                                DecodeDataByte* dst, unsigned dstCells);

    // --- output side ------------------------------------------------------------
    unsigned CountOutputByte() const;
    static unsigned StringOutputLength(const DecodeDataByte* s, unsigned n);

    // Writes the cell's output bytes, most significant first, and a closing 0
    // byte; fails (0) when they do not fit in size - 1 bytes. 1 on success.
    int GetEntityOutputBytes(unsigned char* buf, unsigned size, unsigned* count, FormatSpecifier spec) const;
    int GetFormattedNumberOutputBytes(unsigned char* buf, unsigned size, unsigned* count,
                                      FormatSpecifier spec) const;
    int GetFormattedNumberOutputBytes(unsigned char* buf, unsigned size, unsigned* count) const;

    unsigned GetFormatedNumberCountByte(FormatSpecifier spec) const;
    unsigned GetEntityByteCount(FormatSpecifier spec) const;
    unsigned GetEntityByteCount() const;
    static unsigned GetLengthByteCount(const DecodeDataByte* s, unsigned n);
    static unsigned GetLengthByteCount(const DecodeDataByte* s, unsigned n, FormatSpecifier spec);

    // (function number, argument byte) of a FormatId cell; (254, 0) otherwise.
    std::pair<unsigned char, unsigned char> GetFormatId() const;
    // The specifier a FormatSpec cell carries, read back as SetFormatSpec stored it.
    FormatSpecifier GetFormatSpecifier() const;

    // --- Unicode ---------------------------------------------------------------
    // Each returns 1 on success, 0 on failure.
    static int Utf16ToUnicode(std::uint32_t& out, unsigned char hi1, unsigned char lo1, unsigned char hi2,
                              unsigned char lo2);
    // The sequence right-aligned in b1..b4, unused leading bytes 0.
    static int Utf8ToUnicode(std::uint32_t& out, unsigned char b1, unsigned char b2, unsigned char b3,
                             unsigned char b4);
    // One unit, or a surrogate pair packed as high unit << 16 | low unit.
    static int UnicodeToUtf16(std::uint32_t& out, std::uint32_t codePoint);
    // The UTF-8 bytes right-aligned, first byte most significant.
    static int UnicodeToUtf8(std::uint32_t& out, std::uint32_t codePoint);
    // This cell's code point in the UTF of encodeType (UTF-8, or UTF-16 for 6-8).
    int UnicodeToUtf(std::uint32_t& out) const;

    // --- cell-string calculations -------------------------------------------------
    static unsigned Format_GetBankNumber(const DecodeDataByte* s, unsigned n, FormatSpecifier spec,
                                         unsigned char mode);
    static unsigned Format_GetReadTime(const DecodeDataByte* s, unsigned n, FormatSpecifier spec,
                                       unsigned char mode);
    // Specifier bits of a format text (marker, optional sign, L/B/D/X, digit); 0 when malformed.
    static unsigned Format_GetFormatSpec(const DecodeDataByte* s, unsigned n, FormatSpecifier spec = {},
                                         unsigned char mode = 0);
    // GS1 mod-10 check digit of n digit cells; 0 when n is 0 or a cell is no digit.
    static unsigned Format_CalcGTINCheckDigit(const DecodeDataByte* s, unsigned n, FormatSpecifier spec = {},
                                              unsigned char mode = 0);
    // Sum (mode 0) or XOR of every output byte; FormatSpec cells switch the specifier.
    static unsigned Format_CalcChecksum(const DecodeDataByte* s, unsigned n, FormatSpecifier spec,
                                        unsigned char mode);
    // Output byte count, plus GetDigit() + 1 first (flags bit 0) and last (bit 1).
    static unsigned Format_CalcCountOutputByte(const DecodeDataByte* s, unsigned n, FormatSpecifier spec,
                                               unsigned char mode, unsigned char flags);

private:
    explicit constexpr DecodeDataByte(std::uint32_t v) : value_(v) {}

    unsigned char Byte(unsigned i) const { return static_cast<unsigned char>(value_ >> (8 * i)); }
    bool IsCodePointCell() const;

    std::uint32_t value_ = 0;
};
