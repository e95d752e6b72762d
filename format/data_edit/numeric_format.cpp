#include "format/data_edit/numeric_format.h"

namespace ivra_string_library {

namespace {

DecodeDataByte Char(unsigned c) { return DecodeDataByte::NewCharacter(static_cast<unsigned long>(c)); }

} // namespace

bool NumericFormat::Print(long long value, String<Character>& out) const
{
    const unsigned width = Width();
    if (width > kPrintCells || width > out.Capacity() - out.Length())
        return false;
    DecodeDataByte cells[kPrintCells];
    unsigned count = 0;
    if (!ascii) {
        for (unsigned i = 0; i < digits; ++i) {
            const unsigned shift = 8 * (bigEndian ? digits - 1 - i : i);
            const unsigned byte = shift < 64 ? static_cast<unsigned>((static_cast<unsigned long long>(value) >> shift) & 0xFF)
                                             : (value < 0 ? 0xFFu : 0u);
            // A zero byte would end the cell string; it goes as a raw byte.
            cells[count++] = byte != 0 ? Char(byte)
                                       : DecodeDataByte::NewCharacter(DecodeDataByte::KindOfCharacter::RawByte, 0);
        }
        return out.Append(cells, count);
    }
    if (sign)
        cells[count++] = Char(value < 0 ? '-' : '+');
    unsigned long long v = value < 0 ? static_cast<unsigned long long>(-value) : static_cast<unsigned long long>(value);
    const unsigned base = hexadecimal ? 16 : 10;
    for (unsigned i = digits; i-- > 0; v /= base)
        cells[count + i] = Char("0123456789ABCDEF"[v % base]);
    count += digits;
    return out.Append(cells, count);
}

bool NumericFormat::Insert(long long value, SubString<Character>& window, unsigned pos) const
{
    DecodeDataByte cells[kPrintCells];
    String<Character> printed(cells, kPrintCells, 0);
    return Print(value, printed) && window.Insert(pos, printed.Cells(), printed.Length());
}

} // namespace ivra_string_library
