// Label bytes and setting texts through the byte-to-cell readers, and cell
// values through the output side and the UTF helpers. Buffers are allocated
// to their exact size so that any read or write past them is caught.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "format/data_edit/character.h"
#include "format/decode_data_byte.h"

namespace {

using Counted = int (*)(unsigned*, const unsigned char*, unsigned, DecodeDataByte*, unsigned);
using Terminated = unsigned (*)(const unsigned char*, DecodeDataByte*, unsigned);
using Encode = DecodeDataByte::EncodeType;

const Counted kCounted[] = {
    &DecodeDataByte::AsciiStringToCharacterTypeString, &DecodeDataByte::BinaryStringToCharacterTypeString,
    &DecodeDataByte::ShiftJisToCharacterTypeString,    &DecodeDataByte::GB18030ToCharacterTypeString,
    &DecodeDataByte::Big5ToCharacterTypeString,        &DecodeDataByte::UhcToCharacterTypeString,
    &DecodeDataByte::Utf8ToCharacterTypeString,        &DecodeDataByte::Utf16BEToCharacterTypeString,
    &DecodeDataByte::Utf16LEToCharacterTypeString,     &DecodeDataByte::Utf16ToCharacterTypeString,
};
constexpr unsigned kFirstUtf16 = 7;

const Terminated kTerminated[] = {
    &DecodeDataByte::AsciiStringToCharacterTypeString, &DecodeDataByte::ShiftJisToCharacterTypeString,
    &DecodeDataByte::GB18030ToCharacterTypeString,     &DecodeDataByte::Big5ToCharacterTypeString,
    &DecodeDataByte::UhcToCharacterTypeString,
};

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

// The bytes a cell stands for, as the readers made it.
void AppendSource(std::string& out, DecodeDataByte cell, bool utf8)
{
    const std::uint32_t v = cell.GetValue();
    if (utf8 && cell.GetType() != DecodeDataByte::CellType::RawByte) {
        std::uint32_t packed = 0;
        Require(DecodeDataByte::UnicodeToUtf8(packed, v) == 1);
        const unsigned n = v < 0x80 ? 1 : v < 0x800 ? 2 : v < 0x10000 ? 3 : 4;
        for (unsigned i = 0; i < n; ++i)
            out.push_back(static_cast<char>(packed >> (8 * (n - 1 - i))));
        return;
    }
    if (v == 0) {
        out.push_back('\0');
        return;
    }
    unsigned char bytes[8];
    unsigned n = 0;
    Require(cell.GetEntityOutputBytes(bytes, sizeof bytes, &n, FormatSpecifier()) == 1);
    out.append(reinterpret_cast<char*>(bytes), n);
}

void FuzzCounted(unsigned which, unsigned room, const unsigned char* text, unsigned len)
{
    std::unique_ptr<DecodeDataByte[]> dst(new DecodeDataByte[room]);
    unsigned count = 0xFFFF;
    const int result = kCounted[which](&count, text, len, dst.get(), room);
    if (result != DecodeDataByte::kReadDone) {
        Require(count == 0 && (room == 0 || dst[0].GetValue() == 0));
        return;
    }
    Require(count < room && dst[count].GetValue() == 0 && count <= len);
    if (which >= kFirstUtf16) {
        for (unsigned i = 0; i < count; ++i) {
            const std::uint32_t v = dst[i].GetValue();
            Require(dst[i].GetType() == DecodeDataByte::CellType::RawByte ||
                    (v < 0x110000 && (v < 0xD800 || v > 0xDFFF)));
        }
        return;
    }
    if (which == 0)
        return; // ASCII specials stand for other bytes
    // Every other reader keeps each byte: its cells give back the input.
    std::string back;
    for (unsigned i = 0; i < count; ++i)
        AppendSource(back, dst[i], which == 6);
    Require(back == std::string(reinterpret_cast<const char*>(text), len));
}

void FuzzTerminated(unsigned which, unsigned room, const unsigned char* text, unsigned len)
{
    std::unique_ptr<unsigned char[]> terminated(new unsigned char[len + 1]);
    std::memcpy(terminated.get(), text, len);
    terminated[len] = 0;
    std::unique_ptr<DecodeDataByte[]> dst(new DecodeDataByte[room]);
    const unsigned n = kTerminated[which](terminated.get(), dst.get(), room);
    Require(room == 0 || (n < room && dst[n].GetValue() == 0));
}

void FuzzCell(const unsigned char* p, unsigned room, unsigned encode)
{
    const std::uint32_t value = std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
    DecodeDataByte::SetEncodeMethod(static_cast<Encode>(encode % 10));
    const DecodeDataByte cell = DecodeDataByte::NewCharacter(static_cast<unsigned long>(value));
    std::unique_ptr<unsigned char[]> buf(new unsigned char[room]);
    FormatSpecifier spec;
    spec.Set(static_cast<unsigned short>(p[0]));
    unsigned count = 0;
    if (cell.GetEntityOutputBytes(buf.get(), room, &count, spec) == 1)
        Require(count < room && buf[count] == 0);
    ivra_string_library::Character character(cell);
    std::unique_ptr<char[]> text(new char[room]);
    unsigned length = 0;
    if (character.GetCString(text.get(), room, length) == 1)
        Require(length == character.GetCStringLength() || value == 0); // the end cell counts one byte it never writes
    DecodeDataByte::SetEncodeMethod(Encode::Binary);

    std::uint32_t codePoint = 0, packed = 0;
    if (DecodeDataByte::Utf8ToUnicode(codePoint, p[0], p[1], p[2], p[3]) == 1) {
        Require(DecodeDataByte::UnicodeToUtf8(packed, codePoint) == 1);
        // Right-aligned with leading 0 bytes, the packed form is the input itself.
        Require(packed == value || (codePoint == 0 && value == 0));
    }
    if (DecodeDataByte::Utf16ToUnicode(codePoint, p[0], p[1], p[2], p[3]) == 1) {
        Require(DecodeDataByte::UnicodeToUtf16(packed, codePoint) == 1);
        Require(packed == (codePoint < 0x10000 ? value >> 16 : value));
    }
}

void FuzzCellText(const unsigned char* text, unsigned len)
{
    // Bytes as cells, closed by a 0 cell: the hex and decimal readers stop there.
    std::unique_ptr<DecodeDataByte[]> cells(new DecodeDataByte[len + 1]);
    for (unsigned i = 0; i < len; ++i)
        cells[i] = DecodeDataByte::NewCharacter(DecodeDataByte::KindOfCharacter::Plain, text[i]);
    cells[len] = DecodeDataByte();
    DecodeDataByte out;
    DecodeDataByte::ReadQuadByte(cells.get(), out);
    const DecodeDataByte* end = nullptr;
    DecodeDataByte::StringToLong(cells.get(), &end);
    Require(end >= cells.get() && end <= cells.get() + len);
    Require(DecodeDataByte::StringLength(cells.get()) <= len);
    DecodeDataByte::Format_GetFormatSpec(cells.get(), len);
    DecodeDataByte::Format_CalcGTINCheckDigit(cells.get(), len);
    DecodeDataByte::Format_CalcChecksum(cells.get(), len, FormatSpecifier(), text[0] & 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2 || size > 4096)
        return 0;
    const unsigned selector = data[0];
    const unsigned room = data[1];
    const unsigned len = static_cast<unsigned>(size - 2);
    std::unique_ptr<unsigned char[]> text(new unsigned char[len]);
    std::memcpy(text.get(), data + 2, len);

    FuzzCounted(selector % 10, room, text.get(), len);
    FuzzTerminated(selector % 5, room, text.get(), len);
    if (len >= 4)
        FuzzCell(text.get(), room % 16, selector / 10);
    if (len > 0)
        FuzzCellText(text.get(), len);
    return 0;
}
